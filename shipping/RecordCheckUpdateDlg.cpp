#include "shipping/RecordCheckUpdateDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "common/CsvReader.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "office/ExcelSession.h"
#include "platform/QtWaitForWork.h"

namespace {

QString T(int id) { return QString::fromStdU16String(AppLanguage().Text(id)); }

bool IsCsvPath(const QString& path) {
  return path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive) ||
         path.endsWith(QStringLiteral(".txt"), Qt::CaseInsensitive);
}

}  // namespace

std::vector<std::u16string> ReadUpdateFileHeader(const std::u16string& path, bool csv,
                                                 int headerRecord, std::u16string* error) {
  std::vector<std::u16string> headers;
  if (csv) {
    CCsvReader reader(54936);
    if (!reader.LoadFile(QString::fromStdU16String(path).toStdString())) {
      if (error) *error = reader.ErrorText();
      return headers;
    }
    for (int record = 1; record <= headerRecord; ++record) {
      if (!reader.ReadRecord()) {
        if (error) *error = AppLanguage().Text(320010);
        return headers;
      }
    }
    for (int i = 0; i < reader.FieldCount(); ++i)
      headers.push_back(WideFromNarrow(*reader.Field(i), reader.CodePage()));
    return headers;
  }
  platform::WaitForWork([&] {
    CExcelSession session;
    if (!session.OpenForReading(path)) {
      if (error) *error = session.LastError();
      return 0;
    }
    const int columns = session.UsedColumnCount();
    for (int c = 1; c <= columns; ++c) headers.push_back(session.CellTextTo(1, c, 255));
    session.Close();
    return 1;
  });
  return headers;
}

CRecordCheckUpdateDlg::CRecordCheckUpdateDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(T(160010));
  path_ = new QLineEdit(this);
  path_->setReadOnly(true);
  browse_ = new QPushButton(QStringLiteral("..."), this);
  browse_->setFixedWidth(32);
  headerRecord_ = new QSpinBox(this);
  headerRecord_->setRange(1, 100);
  headerRecord_->setValue(1);
  overwrite_ = new QCheckBox(QStringLiteral("空数据字段无条件覆盖<不勾选则保留字段原值>"), this);
  inner_ = new QRadioButton(QStringLiteral("运单号为内单号"), this);
  transfer_ = new QRadioButton(QStringLiteral("运单号为转单号"), this);
  inner_->setChecked(true);
  fields_ = new QListWidget(this);
  status_ = new QLabel(this);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  ok_->setEnabled(false);

  auto* pathRow = new QHBoxLayout;
  pathRow->addWidget(path_);
  pathRow->addWidget(browse_);
  auto* form = new QFormLayout;
  form->addRow(T(22507), pathRow);
  form->addRow(T(22511), headerRecord_);
  auto* kinds = new QHBoxLayout;
  kinds->addWidget(inner_);
  kinds->addWidget(transfer_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(overwrite_);
  layout->addLayout(kinds);
  layout->addWidget(fields_);
  layout->addWidget(status_);
  layout->addWidget(buttons);
  resize(420, 420);

  connect(browse_, &QPushButton::clicked, this, [this] { Browse(); });
  connect(headerRecord_, &QSpinBox::valueChanged, this, [this] { Remap(); });
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void CRecordCheckUpdateDlg::Browse() {
  const QString path = QFileDialog::getOpenFileName(
      this, T(22507), QString(), QStringLiteral("Excel/CSV (*.xls *.xlsx *.csv *.txt)"));
  if (!path.isEmpty()) SetPath(path.toStdU16String());
}

void CRecordCheckUpdateDlg::SetPath(const std::u16string& path) {
  choice_.path = path;
  path_->setText(QString::fromStdU16String(path));
  choice_.csv = IsCsvPath(path_->text());
  headerRecord_->setEnabled(choice_.csv);
  Remap();
}

void CRecordCheckUpdateDlg::Remap() {
  fields_->clear();
  choice_.columns.fill(0);
  if (choice_.path.empty()) return;
  choice_.headerRecord = headerRecord_->value();
  std::u16string error;
  const auto headers = readHeader(choice_.path, choice_.csv, choice_.headerRecord, &error);
  MapFieldUpdateHeader(headers, choice_);
  const auto& table = FieldUpdateFields();
  int mapped = 0;
  for (int i = 0; i < kFieldUpdateFieldCount; ++i) {
    const int column = choice_.columns[static_cast<size_t>(i)];
    if (column <= 0) continue;
    if (i > 0) ++mapped;
    fields_->addItem(QStringLiteral("%1  ←  %2").arg(QString::fromUtf8(table[static_cast<size_t>(i)].header)).arg(column));
  }
  const bool keyFound = choice_.columns[0] > 0;
  if (!error.empty())
    status_->setText(QString::fromStdU16String(error));
  else if (!keyFound)
    status_->setText(T(22508));
  else
    status_->clear();
  ok_->setEnabled(keyFound && mapped > 0);
}

void CRecordCheckUpdateDlg::accept() {
  if (!ok_->isEnabled()) return;
  choice_.overwrite = overwrite_->isChecked();
  choice_.transferNumber = transfer_->isChecked();
  choice_.headerRecord = headerRecord_->value();
  QDialog::accept();
}
