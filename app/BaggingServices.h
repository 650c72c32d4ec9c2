#pragma once
// The bagging form's services over the application object (page 10).

#include <memory>

#include "consolidation/BaggingServices.h"

class CBaggingDlg;
class CBaggingPage;
class CViewHost;

// Null when the host has no application.
std::unique_ptr<CBaggingServices> MakeBaggingServices(CViewHost* host);

// The form's hooks over the application: the unbagged-record picker
// (created on first use as a child of the form, its picks sent to the
// form) and the bag labels (through the print context's label queue).
void WireBaggingForm(CViewHost* host, CBaggingDlg& form);
// Gives page 10 its services and the form's hooks.
void WireBaggingPage(CBaggingPage& page);
