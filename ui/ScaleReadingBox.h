#pragma once
// The weight box of a dialog that reads the scale: when the scale's port
// announces bytes, the reader's newest weight is shown in the box.

class CScaleReader;
class QEvent;
class QLineEdit;

// True when the event was the port's message (the box then shows the
// weight, if a whole frame came); false for any other event.
bool ShowScaleReading(QEvent* event, CScaleReader& reader, QLineEdit* weight);
