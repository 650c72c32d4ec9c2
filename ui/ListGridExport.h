#pragma once
// Export of a list grid's rows to a UTF-16 text file or an Excel workbook,
// after the operator picked the file in a save dialog.  Everything here
// works on the grid's model; only the save dialog needs a window, and the
// dialog is replaceable (tests install their own).

#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

class CListGridModel;
class QWidget;

// The filter of the export's save dialog, as the program states it.
inline constexpr std::u16string_view kGridExportFilter =
    u"Excel file (*.xls)|*.xls|Text file (*.txt)|*.txt||";
// The fixed texts of the export.
inline constexpr std::u16string_view kGridExportSaved = u"文件已经保存。";
inline constexpr std::u16string_view kGridExportCreateFailed = u"文件创建失败。";

// A filter list "name|pattern|name|pattern||" as a Qt file dialog filter
// "name (pattern);;name (pattern)" (the pattern is not repeated when the name
// already shows it).
QString QtFileFilter(std::u16string_view filter);

// The operator's choice in the save dialog.
struct GridSaveChoice {
  std::u16string path;
  int filterIndex = 0;  // 0 workbook, 1 text
};

// Shows a save dialog with the filter; none when cancelled.
using GridSaveDialog =
    std::function<std::optional<GridSaveChoice>(QWidget* parent, const QString& qtFilter)>;

// Installs the save dialog the exports use from now on (an empty function
// restores the Qt file dialog) and returns the one it replaces.
GridSaveDialog SetGridSaveDialog(GridSaveDialog dialog);

// Installs a save dialog for the life of a scope (tests).
class ScopedGridSaveDialog {
 public:
  explicit ScopedGridSaveDialog(GridSaveDialog dialog)
      : previous_(SetGridSaveDialog(std::move(dialog))) {}
  ~ScopedGridSaveDialog() { SetGridSaveDialog(std::move(previous_)); }
  ScopedGridSaveDialog(const ScopedGridSaveDialog&) = delete;
  ScopedGridSaveDialog& operator=(const ScopedGridSaveDialog&) = delete;

 private:
  GridSaveDialog previous_;
};

// The chosen path with the extension of the chosen form: ".txt" or ".xls"
// appended unless the path's last four characters, lower-cased, are it.
std::u16string GridExportPath(std::u16string_view chosen, bool textForm);

// The text form: byte-order mark FF FE, then UTF-16LE: the title, CR LF, the
// subtitle, CR LF CR LF, the captions each followed by a tab, CR LF, then
// one line per row with every cell (tabs, CR and LF turned into blanks)
// followed by a tab, CR LF.
std::string GridTextFileBytes(const CListGridModel& model, std::u16string_view title,
                              std::u16string_view subtitle);

// Writes the text form to the file (through a temporary file that replaces
// it only when complete) and reports the outcome in a message box.  Nothing
// is written, and false returned, when the list has no columns or no rows.
bool WriteGridTextFile(const CListGridModel& model, std::u16string_view path,
                       std::u16string_view title, std::u16string_view subtitle);

// Writes the workbook form through the Excel session: sheet "LIST", the
// title in row 1 and "(" subtitle ")" in row 2 (each merged over columns 2
// to 9), the captions in row 4 with the column widths, the rows from row 5.
// Cells of text columns stay text; cells of right-aligned columns are read
// by the sheet (numbers).  Reports the outcome in a message box.
bool WriteGridWorkbook(const CListGridModel& model, std::u16string_view path,
                       std::u16string_view title, std::u16string_view subtitle);

// The whole export: nothing when the list has no rows; else the save dialog,
// then the form the chosen filter names.  True when a file was written.
bool ExportGridAs(const CListGridModel& model, std::u16string_view title,
                  std::u16string_view subtitle, QWidget* dialogParent = nullptr);
