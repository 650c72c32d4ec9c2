#pragma once
// The private messages of the scale's serial port (platform/QtMessages.h).
// wParam is always the port's COM number.

namespace devices {

// Bytes have arrived (at least the receive threshold of them queued);
// lParam 0.  The window that opened the scale reader answers it with
// CScaleReader::ReadWeight.
inline constexpr int WM_PORT_RECEIVED = 0x66A;
// The line failed: the device went away (an adapter pulled out) and the
// port is closed now; lParam the system's error number, 0 for a hang-up.
inline constexpr int WM_PORT_ERROR = 0x673;

}  // namespace devices
