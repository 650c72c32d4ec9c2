#pragma once
// WM_RECORD_PICKED (0x47F, WM_USER+127): one record handed from a list or
// picker dialog to the form that opened it.  It is sent, not posted: the
// receiver handles the record and, when it went in, asks the sender to
// remove that row before the send returns.
//   unbagged-record picker -> bagging form: waybill id, piece position + 10,000 x row
//   bag list               -> seal form or AWB editor: bag id, row

#include "platform/QtMessages.h"

inline constexpr int WM_RECORD_PICKED = platform::kWmUser + 127;
