#pragma once
// The bagging form's services over the application object (page 10).

#include <memory>

#include "consolidation/BaggingServices.h"

class CViewHost;

// Null when the host has no application.
std::unique_ptr<CBaggingServices> MakeBaggingServices(CViewHost* host);
