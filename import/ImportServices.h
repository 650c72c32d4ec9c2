#pragma once
// What the import pages (6 and 7) need of the application: the server link,
// the desktop and program folders, the Excel file filter, the common
// prompts, the clipboard and the service kinds.  The program gives the
// pages a maker of these services (app/ImportServices.h); without one a
// page imports nothing.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

class CServerLink;
class CViewHost;

class CImportServices {
 public:
  virtual ~CImportServices() = default;
  virtual CServerLink& Link() = 0;
  // The user's desktop folder; empty when it cannot be found.
  virtual std::u16string DesktopPath() = 0;
  // The program folder, with its closing "/".
  virtual std::u16string ProgramFolder() = 0;
  // The application's Excel filter ("name|pattern|").
  virtual std::u16string ExcelFileFilter() = 0;
  // One common prompt picked by the operator; false when none was.
  virtual bool ChooseCommonPrompt(std::u16string& text) = 0;
  virtual void CopyToClipboard(const std::u16string& text) = 0;
  // The stored code and the name of the service kind whose code is the
  // GBK text (case ignored); none for no such kind.
  virtual std::optional<std::pair<std::string, std::u16string>> FindServiceKind(
      std::string_view code) = 0;
};
