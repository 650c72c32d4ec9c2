#pragma once
// The printers installed on this machine: the queues of the CUPS scheduler
// the program talks to (CUPS_SERVER, else the system's).  Only the
// scheduler's own queues count; nothing is looked for on the network.

#include <string>
#include <vector>

// The queue names, in the scheduler's order; names longer than 255
// characters are left out (they do not fit "printerset_x1.dat").  Empty when
// the scheduler cannot be reached.  It may take a while: the window calls it
// through platform::WaitForWork.
std::vector<std::u16string> InstalledPrinterNames();

// The scheduler's default queue; empty when it has none or cannot be
// reached.
std::u16string DefaultPrinterName();

// Whether the queue takes jobs now: the scheduler knows it, it accepts
// jobs and it is not stopped.  False when the scheduler cannot be reached.
bool QueueAcceptsJobs(std::u16string_view queue);
