#pragma once
// The office suite behind every spreadsheet session: one headless LibreOffice
// (soffice) per client process, started on first use with its own profile
// folder and a private pipe, shared by every CExcelSession and ended when the
// program ends.  A suite that died is started again on the next use.

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

// True when the office suite answers: started (or already running) and its
// desktop reachable.  Replaces the Excel probe of the application start.
bool DetectOfficeSuite();

// True when the suite answers and has the filter that writes .xlsx files.
bool OfficeSuiteWritesXlsx();

// The open-file filter of the application for workbooks: .xls and .xlsx when
// the suite writes .xlsx, otherwise .xls only.
std::u16string ExcelOpenFileFilter();

// Ends the suite (asked to terminate, killed when it does not).  Runs by
// itself when the program ends; safe to call at any time.
void ShutdownOfficeSuite();

// Process id of the running soffice, 0 when none.
long OfficeSuiteProcessId();

}  // namespace office
