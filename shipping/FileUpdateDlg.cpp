#include "shipping/FileUpdateDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

#include "common/CsvReader.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "office/ExcelSession.h"
#include "platform/MessageBox.h"
#include "platform/QtWaitForWork.h"
#include "ui/ColorButton.h"
#include "ui/ListGridExport.h"

namespace {

constexpr int kCsvHeaderPositions = 113;

QString Q(const std::u16string& text) { return QString::fromStdU16String(text); }
QString T(int id) { return Q(AppLanguage().Text(id)); }

std::u16string Wide(const char* utf8) { return QString::fromUtf8(utf8).toStdU16String(); }

// The box shows lines; the texts carry CR LF.
QString Lines(std::u16string text) {
  ReplaceAllW(text, u"\r\n", u"\n");
  return Q(text);
}

void Show(const std::u16string& text) {
  platform::ShowMessageBox(text, AppLanguage().Text(20002), platform::kMbOk | platform::kMbIconWarning);
}

bool IsCsvName(const std::u16string& path) {
  if (path.size() < 3) return false;
  std::u16string tail = path.substr(path.size() - 3);
  for (char16_t& c : tail)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  return tail == u"CSV";
}

}  // namespace

bool ReadUpdateFileHeader(const std::u16string& path, bool csv, std::vector<std::u16string>& headers,
                          std::u16string& error) {
  headers.clear();
  if (csv) {
    CCsvReader reader(54936);
    if (!reader.LoadFile(QString::fromStdU16String(path).toStdString())) {
      error = reader.ErrorText();
      return false;
    }
    // The first record that is not a blank line.
    bool found = false;
    while (!found && reader.ReadRecord()) {
      auto first = reader.Field(0);
      found = reader.FieldCount() > 1 || (first && !first->empty());
    }
    if (!found) {
      error = AppLanguage().Text(320010);
      return false;
    }
    for (int i = 0; i < kCsvHeaderPositions; ++i) {
      auto field = reader.Field(i);
      headers.push_back(field ? WideFromNarrow(*field, reader.CodePage()) : std::u16string());
    }
    return true;
  }
  return platform::WaitForWork([&] {
    CExcelSession session;
    if (!session.OpenForReading(path)) {
      error = session.LastError();
      return false;
    }
    const int columns = session.UsedColumnCount();
    for (int c = 1; c <= columns + 1; ++c) headers.push_back(session.CellTextTo(1, c, 256));
    session.Close();
    return true;
  });
}

CFileUpdateDlg::CFileUpdateDlg(QWidget* parent) : QDialog(parent) {
  columnMap.fill(-1);
  setWindowTitle(T(320000));
  fileLabel_ = new QLabel(T(320001), this);
  path_ = new QLineEdit(this);
  path_->setReadOnly(true);
  browse_ = new CColorButton(this);
  browse_->SetIcons(QApplication::style()->standardIcon(QStyle::SP_DirOpenIcon), QIcon(), 32, 32);
  browse_->SetShowText(false);
  browse_->setFixedSize(40, 40);
  overwriteCheck_ = new QCheckBox(T(320002), this);
  overwriteCheck_->setChecked(true);
  inner_ = new QRadioButton(T(320003), this);
  transfer_ = new QRadioButton(T(320004), this);
  inner_->setChecked(true);
  result_ = new QPlainTextEdit(this);
  result_->setReadOnly(true);
  result_->setPlainText(Lines(FormatRulesText()));
  ok_ = new QPushButton(T(320005), this);
  cancel_ = new QPushButton(T(320006), this);
  ok_->setDefault(true);

  // The two read-only boxes: red text on light green.
  for (QWidget* box : {static_cast<QWidget*>(path_), static_cast<QWidget*>(result_)}) {
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, QColor(240, 255, 240));
    palette.setColor(QPalette::Text, QColor(255, 0, 0));
    box->setPalette(palette);
  }

  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(fileLabel_);
  fileRow->addWidget(path_, 1);
  fileRow->addWidget(browse_);
  auto* kinds = new QHBoxLayout;
  kinds->addWidget(inner_);
  kinds->addWidget(transfer_);
  kinds->addStretch();
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fileRow);
  layout->addWidget(overwriteCheck_);
  layout->addLayout(kinds);
  layout->addWidget(result_, 1);
  layout->addLayout(buttons);
  resize(460, 560);

  connect(browse_, &QPushButton::clicked, this, [this] { Browse(); });
  connect(ok_, &QPushButton::clicked, this, &CFileUpdateDlg::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

std::u16string CFileUpdateDlg::FormatRulesText() {
  std::u16string text = Wide(
      "Excel 或 CSV 文件格式规范:\r\n第一行为字段头定义\r\n数据从第二行开始\r\n字段头中需含【");
  const auto& fields = FieldUpdateFields();
  text += Wide(fields[0].header);
  text += Wide("】\r\n可导入更新字段为：\r\n━━━━━━━━━━━━\r\n");
  for (int i = 1; i < kFieldUpdateFieldCount; ++i) text += Wide(fields[static_cast<size_t>(i)].header) + u"\r\n";
  text += Wide("━━━━━━━━━━━━\r\n");
  return text;
}

std::u16string CFileUpdateDlg::CheckResultText(const std::array<int, kFieldUpdateFieldCount>& map) {
  const CLanguageTable& language = AppLanguage();
  std::u16string text = language.TextWithNumber(320014, map[0]) + u"\r\n";
  const auto& fields = FieldUpdateFields();
  for (int i = 1; i < kFieldUpdateFieldCount; ++i) {
    const int column = map[static_cast<size_t>(i)];
    if (column < 1) continue;
    text += language.TextWithNumber(320012, column) + u"〖" + Wide(fields[static_cast<size_t>(i)].header) +
            u"〗\r\n";
  }
  return text;
}

void CFileUpdateDlg::Browse() {
  QFileDialog dialog(this);
  dialog.setObjectName(QStringLiteral("fileUpdateFileDialog"));
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setOption(QFileDialog::ReadOnly, true);
  dialog.setNameFilters(QtFileFilter(excelFilter + u"CSV files (*.csv)|*.csv||").split(QStringLiteral(";;")));
  dialog.setDefaultSuffix(QStringLiteral("xls"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  CheckFile(dialog.selectedFiles().front().toStdU16String());
}

bool CFileUpdateDlg::CheckFile(const std::u16string& path) {
  // Everything is examined apart and taken together only when the file
  // passes: a refused file leaves the accepted one's name, flag and map.
  const bool isCsv = IsCsvName(path);
  std::vector<std::u16string> headers;
  std::u16string error;
  if (!readHeader || !readHeader(path, isCsv, headers, error)) {
    Show(error);
    return false;
  }
  FieldUpdateChoice examined;
  MapFieldUpdateHeader(headers, examined);
  if (examined.columns[0] < 1) {
    Show(AppLanguage().Text(320011));
    return false;
  }
  bool another = false;
  for (int i = 1; i < kFieldUpdateFieldCount; ++i) another = another || examined.columns[static_cast<size_t>(i)] >= 1;
  if (!another) {
    Show(AppLanguage().Text(320013));
    return false;
  }
  fileName = path;
  csv = isCsv ? 1 : 0;
  columnMap = examined.columns;
  // A workbook leaves the last CSV header position as it was.
  if (isCsv) lastCsvHeaderPosition = examined.lastHeaderPosition;
  result_->setPlainText(Lines(CheckResultText(columnMap)));
  path_->setText(Q(fileName));
  return true;
}

void CFileUpdateDlg::accept() {
  overwrite = overwriteCheck_->isChecked() ? 1 : 0;
  numberKind = transfer_->isChecked() ? 1 : 0;
  QDialog::accept();
}

FieldUpdateChoice CFileUpdateDlg::Choice() const {
  FieldUpdateChoice choice;
  choice.path = fileName;
  choice.csv = csv != 0;
  choice.columns = columnMap;
  choice.lastHeaderPosition = lastCsvHeaderPosition;
  choice.overwrite = overwrite != 0;
  choice.transferNumber = numberKind == 1;
  return choice;
}
