#include "ui/ListGridExport.h"

#include <QFileDialog>
#include <QSaveFile>
#include <QStringList>

#include <algorithm>
#include <mutex>
#include <vector>

#include "office/ExcelSession.h"
#include "platform/MessageBox.h"
#include "ui/ListGridModel.h"

namespace {

std::mutex& DialogMutex() {
  static std::mutex mutex;
  return mutex;
}

GridSaveDialog& InstalledDialog() {
  static GridSaveDialog dialog;
  return dialog;
}

QString FromU16(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

std::u16string ToU16(const QString& text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                        static_cast<size_t>(text.size()));
}

std::optional<GridSaveChoice> QtSaveDialog(QWidget* parent, const QString& qtFilter) {
  QString selected;
  // The extension is added after the choice, so the dialog's own overwrite
  // question would name the wrong file; the workbook form asks its own.
  QString path = QFileDialog::getSaveFileName(parent, QString(), QString(), qtFilter, &selected,
                                              QFileDialog::DontConfirmOverwrite);
  if (path.isEmpty()) return std::nullopt;
  GridSaveChoice choice;
  choice.path = ToU16(path);
  const QStringList filters = qtFilter.split(QStringLiteral(";;"));
  choice.filterIndex = std::max<int>(0, static_cast<int>(filters.indexOf(selected)));
  return choice;
}

// UTF-16LE code units of a text; with `blankControls` tabs, CR and LF become
// blanks.
void AppendUtf16(std::string& out, QStringView text, bool blankControls) {
  const size_t at = out.size();
  out.resize(at + static_cast<size_t>(text.size()) * 2);
  char* p = out.data() + at;
  for (QChar c : text) {
    char16_t u = c.unicode();
    if (blankControls && (u == u'\t' || u == u'\r' || u == u'\n')) u = u' ';
    *p++ = static_cast<char>(u & 0xFF);
    *p++ = static_cast<char>(u >> 8);
  }
}

void AppendAscii(std::string& out, std::string_view ascii) {
  for (char c : ascii) {
    out.push_back(c);
    out.push_back('\0');
  }
}

bool EndsWithNoCase(std::u16string_view path, std::u16string_view extension) {
  if (path.size() < extension.size()) return false;
  std::u16string_view tail = path.substr(path.size() - extension.size());
  for (size_t i = 0; i < tail.size(); ++i) {
    char16_t c = tail[i];
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    if (c != extension[i]) return false;
  }
  return true;
}

}  // namespace

QString QtFileFilter(std::u16string_view filter) {
  QStringList parts = FromU16(filter).split(u'|');
  QStringList entries;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString& name = parts[i];
    if (name.isEmpty()) break;
    QString patterns = parts[i + 1];
    patterns.replace(u';', u' ');
    entries.push_back(name.contains(u'(') ? name : name + QStringLiteral(" (") + patterns + u')');
  }
  return entries.join(QStringLiteral(";;"));
}

GridSaveDialog SetGridSaveDialog(GridSaveDialog dialog) {
  std::lock_guard<std::mutex> lock(DialogMutex());
  GridSaveDialog previous = std::move(InstalledDialog());
  InstalledDialog() = std::move(dialog);
  return previous;
}

std::u16string GridExportPath(std::u16string_view chosen, bool textForm) {
  std::u16string_view extension = textForm ? u".txt" : u".xls";
  std::u16string path(chosen);
  if (!EndsWithNoCase(path, extension)) path += extension;
  return path;
}

std::string GridTextFileBytes(const CListGridModel& model, std::u16string_view title,
                              std::u16string_view subtitle) {
  const int columns = model.ColumnCount();
  const int rows = model.RowCount();
  std::string out;
  out.reserve(static_cast<size_t>(rows + 4) * static_cast<size_t>(columns + 1) * 24);
  out += "\xFF\xFE";
  AppendUtf16(out, FromU16(title), false);
  AppendAscii(out, "\r\n");
  AppendUtf16(out, FromU16(subtitle), false);
  AppendAscii(out, "\r\n\r\n");
  for (int c = 0; c < columns; ++c) {
    AppendUtf16(out, model.Column(c).caption, false);
    AppendAscii(out, "\t");
  }
  AppendAscii(out, "\r\n");
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      AppendUtf16(out, model.CellText(r, c), true);
      AppendAscii(out, "\t");
    }
    AppendAscii(out, "\r\n");
  }
  return out;
}

bool WriteGridTextFile(const CListGridModel& model, std::u16string_view path,
                       std::u16string_view title, std::u16string_view subtitle) {
  if (model.ColumnCount() == 0 || model.RowCount() == 0) return false;
  const std::string bytes = GridTextFileBytes(model, title, subtitle);
  // The file appears under its name only once it is complete.
  QSaveFile file(FromU16(path));
  bool written = file.open(QIODevice::WriteOnly) &&
                 file.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
                     static_cast<qint64>(bytes.size()) &&
                 file.commit();
  if (!written) {
    file.cancelWriting();
    platform::ShowMessageBox(kGridExportCreateFailed);
    return false;
  }
  platform::ShowMessageBox(kGridExportSaved);
  return true;
}

bool WriteGridWorkbook(const CListGridModel& model, std::u16string_view path,
                       std::u16string_view title, std::u16string_view subtitle) {
  const int columns = model.ColumnCount();
  const int rows = model.RowCount();
  if (columns == 0 || rows == 0) return false;
  CExcelSession excel;
  if (!excel.CreateWorkbook(u"LIST", path, {}, false)) {
    platform::ShowMessageBox(excel.LastError());
    return false;
  }
  excel.SetCellText(1, 2, title);
  excel.MergeCells(1, 2, 1, 9);
  std::u16string sub = u"(";
  sub += subtitle;
  sub += u")";
  excel.SetCellText(2, 2, sub);
  excel.MergeCells(2, 2, 2, 9);

  std::vector<bool> textColumn(static_cast<size_t>(columns));
  for (int c = 0; c < columns; ++c) {
    textColumn[static_cast<size_t>(c)] = !model.IsNumberColumn(c);
    excel.SetCellText(4, c + 1, ToU16(model.Column(c).caption));
    excel.SetColumnWidth(c + 1, model.Column(c).width);
  }
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      std::u16string text = model.CellTextW(r, c);
      if (textColumn[static_cast<size_t>(c)]) {
        // Kept as text: a leading digit, sign, "=" or apostrophe gets an
        // apostrophe in front.
        excel.SetCellText(r + 5, c + 1, text);
      } else {
        excel.SetCell(r + 5, c + 1, CellValue(std::move(text)));
      }
    }
  }
  if (!excel.SaveAndClose()) {
    platform::ShowMessageBox(excel.LastError());
    return false;
  }
  platform::ShowMessageBox(kGridExportSaved);
  return true;
}

bool ExportGridAs(const CListGridModel& model, std::u16string_view title,
                  std::u16string_view subtitle, QWidget* dialogParent) {
  if (model.RowCount() == 0) return false;
  GridSaveDialog dialog;
  {
    std::lock_guard<std::mutex> lock(DialogMutex());
    dialog = InstalledDialog();
  }
  if (!dialog) dialog = QtSaveDialog;
  std::optional<GridSaveChoice> choice = dialog(dialogParent, QtFileFilter(kGridExportFilter));
  if (!choice || choice->path.empty()) return false;
  const bool textForm = choice->filterIndex == 1;
  const std::u16string path = GridExportPath(choice->path, textForm);
  return textForm ? WriteGridTextFile(model, path, title, subtitle)
                  : WriteGridWorkbook(model, path, title, subtitle);
}
