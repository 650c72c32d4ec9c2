#pragma once
// The office suite behind every spreadsheet session: one headless LibreOffice
// (soffice) per client process, started at start-up in the background (or
// on first use) with its own profile folder and a private pipe, shared by
// every CExcelSession and ended when the program ends.  A suite that died is
// started again on the next use.
//
// Starts run on a thread of the suite's own and can take seconds.  Work that
// needs the suite while it starts waits for it: on the user-interface thread
// through platform::WaitForWork (the window keeps painting and takes no
// input meanwhile), on any other thread by blocking.

#include <functional>
#include <string>
#include <string_view>

namespace office {

// The soffice program to start (default: the suite's soffice.bin).  Takes
// effect at the next start.
void SetOfficeProgram(std::string path);
std::string OfficeProgram();

// The user-profile folder of the suite (default: "OfficeProfile" in the
// program folder).  Takes effect at the next start.
void SetOfficeProfileFolder(std::string folder);
std::string OfficeProfileFolder();

// Starts the suite in the background and returns at once.  `started`, when
// given, is called on the suite's thread once the start has ended, with
// whether the suite answers.  The start-up of the program calls this, so
// that the first spreadsheet job finds the suite running.
void StartOfficeSuiteInBackground(std::function<void(bool answers)> started = nullptr);

// True when the office suite answers: started (or already running) and its
// desktop reachable.
bool DetectOfficeSuite();

// True when the suite answers and has the filter that writes .xlsx files.
bool OfficeSuiteWritesXlsx();

// The open-file filter of the application for workbooks: .xls and .xlsx when
// the suite writes .xlsx, otherwise .xls only.
std::u16string ExcelOpenFileFilter();

// Ends the suite (asked to terminate, killed when it does not); a start in
// the background is given up.  Runs by itself when the program ends; safe to
// call at any time.
void ShutdownOfficeSuite();

// Process id of the running soffice, 0 when none.
long OfficeSuiteProcessId();

}  // namespace office
