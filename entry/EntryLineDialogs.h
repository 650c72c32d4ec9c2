#pragma once
// The goods lines and piece weights dialogs over an entry form's waybill:
// what the quick and the streamlined entry forms' buttons run.

#include "entry/WaybillSave.h"

class CBrantleClientApp;
class QWidget;

// The goods lines dialog on the entry's goods; on OK the lines are the
// entry's, marked changed, and true.  `app` may be null.
bool EditEntryGoods(QWidget* parent, CBrantleClientApp* app, WaybillEntry& entry);
// The piece weights dialog for the entry's piece count (at least 1); when
// the pieces were changed they are the entry's, the weight (kind 4) becomes
// their chargeable weight in kilograms, and true.  With `weighs` the
// dialog reads the application's scale.
bool EditEntryPieces(QWidget* parent, CBrantleClientApp* app, WaybillEntry& entry, bool weighs);
