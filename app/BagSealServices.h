#pragma once
// Page 11 wired to the application: the bagging form's services and the
// bag labels printed through the application's print context.

class CBagSealPage;

void WireBagSealPage(CBagSealPage& page);
