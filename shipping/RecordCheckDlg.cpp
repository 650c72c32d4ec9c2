#include "shipping/RecordCheckDlg.h"

#include "shipping/FileUpdateDlg.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QEventLoop>
#include <QTimer>

#include "common/CsvReader.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "office/ExcelSession.h"
#include "platform/MessageBox.h"
#include "platform/QtText.h"
#include "platform/QtMessages.h"
#include "platform/QtWaitForWork.h"
#include "server/ServerLink.h"
#include "shell/BrantleClientApp.h"
#include "ui/ColorButton.h"
#include "ui/LinkLabel.h"
#include "ui/ViewHost.h"
#include "ui/ViewPage.h"

namespace {

QString Q(std::u16string_view text) { return platform::ToQString(text); }
QString T(int id) { return Q(AppLanguage().Text(id)); }

void Show(const std::u16string& text) { platform::ShowMessageBox(text); }

CBrantleClientApp* AppOf(CViewHost* host) { return host ? host->Application() : nullptr; }

CServerLink* LinkOf(CViewHost* host) {
  if (!host) return nullptr;
  if (CServerLink* link = host->ServerLink()) return link;
  CBrantleClientApp* app = host->Application();
  return app ? &app->Link() : nullptr;
}

}  // namespace

CRecordCheckDlg::CRecordCheckDlg(QWidget* parent) : QWidget(parent), checker_({}) {
  innerListLabel_ = new CLinkLabel(T(kRecordCheckInnerListText), this);
  transferListLabel_ = new CLinkLabel(T(kRecordCheckTransferListText), this);
  modeLabel_ = new CLinkLabel(QStringLiteral("."), this);
  auto* caption = new QLabel(this);
  caption->setObjectName(QStringLiteral("caption"));
  numberEdit_ = new QLineEdit(this);
  numberEdit_->setMaxLength(63);
  goButton_ = new QPushButton(QStringLiteral("→"), this);
  goButton_->setFocusPolicy(Qt::NoFocus);  // Enter in the number edit runs it
  waybillCheck_ = new QCheckBox(T(kRecordCheckWaybillText), this);
  auto* copiesLabel = new QLabel(this);
  copiesLabel->setObjectName(QStringLiteral("copiesLabel"));
  invoiceCopies_ = new QSpinBox(this);
  invoiceCopies_->setRange(0, 99);
  colorButton_ = new CColorButton(this);
  updateButton_ = new QPushButton(this);
  feeButton_ = new QPushButton(this);

  innerListLabel_->setGeometry(8, 8, 60, 18);
  transferListLabel_->setGeometry(76, 8, 60, 18);
  modeLabel_->setGeometry(150, 8, 80, 18);
  caption->setGeometry(8, 34, 220, 18);
  numberEdit_->setGeometry(8, 54, 190, 26);
  goButton_->setGeometry(200, 54, 32, 26);
  waybillCheck_->setGeometry(8, 90, 220, 22);
  copiesLabel->setGeometry(8, 118, 150, 22);
  invoiceCopies_->setGeometry(160, 118, 72, 24);
  colorButton_->setGeometry(8, 150, 32, 32);
  updateButton_->setGeometry(8, 196, 224, 30);
  feeButton_->setGeometry(8, 232, 224, 30);

  connect(innerListLabel_, &CLinkLabel::clicked, this, [this] { CheckNumberList(0); });
  connect(transferListLabel_, &CLinkLabel::clicked, this, [this] { CheckNumberList(1); });
  connect(modeLabel_, &CLinkLabel::clicked, this, [this] { ToggleNumberMode(); });
  connect(goButton_, &QPushButton::clicked, this, [this] { OnGo(); });
  connect(updateButton_, &QPushButton::clicked, this, [this] { ImportFieldUpdate(); });
  connect(feeButton_, &QPushButton::clicked, this, [this] { ImportFees(); });
  for (QWidget* w : std::initializer_list<QWidget*>{numberEdit_, waybillCheck_, invoiceCopies_,
                                                     goButton_, updateButton_, feeButton_})
    w->installEventFilter(this);
}

CRecordCheckDlg::~CRecordCheckDlg() = default;

void CRecordCheckDlg::SetPage(QObject* page, CViewHost* host) {
  page_ = page;
  host_ = host;
}

RecordCheckServices CRecordCheckDlg::Services() {
  RecordCheckServices s;
  CViewHost* host = host_;
  s.find = [host](std::string_view number, bool transfer) -> int32_t {
    CServerLink* link = LinkOf(host);
    if (!link) return 0;
    const std::string n(number);
    return platform::WaitForWork([&] { return link->FindWaybillId(0, n, transfer); });
  };
  s.printWaybill = [host](int32_t id) {
    if (CBrantleClientApp* app = AppOf(host))
      platform::WaitForWork([&] { return app->PrintWaybill(id, 0, 0, 1, u""); });
  };
  s.printInvoice = [host](int32_t id, int copies) {
    if (CBrantleClientApp* app = AppOf(host))
      platform::WaitForWork([&] { return app->PrintProformaInvoice(id, 0, copies, 0); });
  };
  s.show = [this](int32_t id) { Notify(id); };
  s.message = [](int id) { Show(AppLanguage().Text(id)); };
  return s;
}

void CRecordCheckDlg::Notify(int32_t id) {
  if (page_) platform::SendPrivateMessage(page_, WM_PAGE_NOTIFY, 1, id);
}

void CRecordCheckDlg::OnInitDialog() {
  updateButton_->setText(T(160010));
  feeButton_->setText(T(160011));
  findChild<QLabel*>(QStringLiteral("copiesLabel"))->setText(T(22509));
  innerListLabel_->SetLinkCursor(Qt::PointingHandCursor);
  transferListLabel_->SetLinkCursor(Qt::PointingHandCursor);
  modeLabel_->SetLinkCursor(Qt::PointingHandCursor);
  innerListLabel_->SetTextColor(QColor(0, 128, 0));
  transferListLabel_->SetTextColor(QColor(0, 0, 255));
  modeLabel_->SetTextColor(QColor(0, 0, 255));
  colorButton_->SetIcons(style()->standardIcon(QStyle::SP_FileDialogContentsView),
                         style()->standardIcon(QStyle::SP_FileDialogContentsView), 32, 32);

  CServerLink* link = LinkOf(host_);
  CBrantleClientApp* app = AppOf(host_);
  const std::string folder = app ? app->ProgramFolder() : link ? link->ProgramFolder() : "";
  if (!folder.empty())
    settings_ = platform::WaitForWork([&] { return LoadFeeImportSettings(link, folder); });
  feeButton_->setVisible(settings_.FeeImportReady());
  checker_ = CRecordChecker(Services());
  checker_.numberMode = 0;
  ToggleNumberMode();
}

void CRecordCheckDlg::ReadForm() {
  checker_.printWaybill = waybillCheck_->isChecked();
  checker_.invoiceCopies = invoiceCopies_->value();
}

void CRecordCheckDlg::OnGo() {
  ReadForm();
  CBrantleClientApp* app = AppOf(host_);
  auto number = PrepareCheckNumber(numberEdit_->text().toStdU16String(),
                                   app ? &app->Barcodes() : nullptr);
  if (!number) return;
  CheckRecord(*number, true);
}

int32_t CRecordCheckDlg::CheckRecord(std::string_view number, bool showMessages) {
  ReadForm();
  return checker_.CheckRecord(number, showMessages);
}

void CRecordCheckDlg::SetNumberMode(int mode) {
  checker_.numberMode = mode;
  auto* caption = findChild<QLabel*>(QStringLiteral("caption"));
  if (mode == 0) {
    modeLabel_->SetTextColor(QColor(0, 128, 0));
    modeLabel_->setText(T(200011));
    caption->setText(T(30003));
  } else {
    modeLabel_->SetTextColor(QColor(200, 0, 0));
    modeLabel_->setText(T(200010));
    caption->setText(T(30002));
  }
}

void CRecordCheckDlg::ToggleNumberMode() { SetNumberMode(checker_.numberMode == 0 ? 1 : 0); }

void CRecordCheckDlg::CheckNumberList(int kind) {
  CBrantleClientApp* app = AppOf(host_);
  if (!app) return;
  std::vector<std::u16string> numbers;
  if (app->ImportNumberList(numbers, nullptr, kind) <= 0 || numbers.empty()) return;
  SetNumberMode(kind == 0 ? 1 : 0);
  ReadForm();
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  for (const std::u16string& n : numbers) {
    if (auto number = PrepareCheckNumber(n, &app->Barcodes())) checker_.CheckRecord(*number, false);
    // A short pause between numbers, the window painting meanwhile.
    QEventLoop pause;
    QTimer::singleShot(20, &pause, &QEventLoop::quit);
    pause.exec(QEventLoop::ExcludeUserInputEvents);
  }
  QGuiApplication::restoreOverrideCursor();
}

bool CRecordCheckDlg::DefaultFieldUpdateChoice(FieldUpdateChoice& choice) {
  CFileUpdateDlg dialog(this);
  if (CBrantleClientApp* app = AppOf(host_)) dialog.excelFilter = app->excelFileFilter;
  if (dialog.exec() != QDialog::Accepted) return false;
  choice = dialog.Choice();
  return true;
}

void CRecordCheckDlg::FinishImport(const RecordImportReport& report, bool) {
  lastReport_ = report;
  std::u16string text;
  if (report.errors > 0) {
    CBrantleClientApp* app = AppOf(host_);
    if (app)
      app->CopyToClipboard(report.log);
    else
      QGuiApplication::clipboard()->setText(Q(report.log));
    text = ImportSummaryText(report);
  }
  if (report.stopped) {
    if (!text.empty()) text += u"\r\n";
    text += report.stopReason;
  }
  if (!text.empty()) Show(text);
}

void CRecordCheckDlg::ImportFieldUpdate() {
  FieldUpdateChoice choice;
  const bool chosen = chooseFieldUpdate ? chooseFieldUpdate(choice) : DefaultFieldUpdateChoice(choice);
  if (!chosen || choice.path.empty() || choice.columns[0] <= 0) return;
  if (FieldUpdateLogTitle(choice).empty()) return;
  CServerLink* link = LinkOf(host_);
  if (!link) return;
  CBrantleClientApp* app = AppOf(host_);

  std::unique_ptr<RecordImportLink> importLink = MakeServerRecordImportLink(*link);
  RecordImportContext context;
  context.link = importLink.get();
  context.barcodes = app ? &app->Barcodes() : nullptr;
  if (app) context.normalizeNumber = [app](std::u16string_view t) { return app->NormalizeNumber(t); };
  QObject* page = page_;
  context.changed = [page](int32_t id) {
    if (page) platform::SendPrivateMessage(page, WM_PAGE_NOTIFY, 1, id);
  };

  std::u16string openError;
  RecordImportReport report = platform::WaitForWork([&] {
    if (choice.csv) {
      CCsvReader reader(54936);
      if (!reader.LoadFile(QString::fromStdU16String(choice.path).toStdString())) {
        openError = reader.ErrorText();
        return RecordImportReport{};
      }
      if (!reader.ReadRecord()) {
        openError = AppLanguage().Text(320010);
        return RecordImportReport{};
      }
      // Start again from the first record.
      CCsvReader rows(54936);
      rows.LoadFile(QString::fromStdU16String(choice.path).toStdString());
      CCsvImportTable fromStart(rows, 1);
      return RunFieldUpdate(choice, fromStart, context);
    }
    CExcelSession session;
    if (!session.OpenForReading(choice.path)) {
      openError = session.LastError();
      return RecordImportReport{};
    }
    CExcelImportTable table(session);
    RecordImportReport r = RunFieldUpdate(choice, table, context);
    session.Close();
    return r;
  });
  if (!openError.empty()) {
    Show(openError);
    return;
  }
  FinishImport(report, false);
}

void CRecordCheckDlg::ImportFees() {
  std::u16string path;
  if (chooseFeeFile) {
    path = chooseFeeFile();
  } else {
    CBrantleClientApp* app = AppOf(host_);
    QString filter = QStringLiteral("Excel (*.xls *.xlsx)");
    if (app) {
      // "name (*.x)|*.x|" form of the application's Excel filter.
      const QString f = Q(app->excelFileFilter);
      filter = f.section(QLatin1Char('|'), 0, 0);
    }
    path = QFileDialog::getOpenFileName(this, T(22507), QStringLiteral("*.xls"), filter)
               .toStdU16String();
  }
  if (path.empty()) return;
  CServerLink* link = LinkOf(host_);
  if (!link) return;
  CBrantleClientApp* app = AppOf(host_);
  std::unique_ptr<RecordImportLink> importLink = MakeServerRecordImportLink(*link);
  RecordImportContext context;
  context.link = importLink.get();
  context.barcodes = app ? &app->Barcodes() : nullptr;
  if (app) context.normalizeNumber = [app](std::u16string_view t) { return app->NormalizeNumber(t); };
  QObject* page = page_;
  context.changed = [page](int32_t id) {
    if (page) platform::SendPrivateMessage(page, WM_PAGE_NOTIFY, 1, id);
  };
  const FeeImportSettings settings = settings_;
  std::u16string openError;
  RecordImportReport report = platform::WaitForWork([&] {
    CExcelSession session;
    if (!session.OpenForReading(path)) {
      openError = session.LastError();
      return RecordImportReport{};
    }
    if (session.UsedRowCount() < 2 || session.UsedColumnCount() < 2) {
      session.Close();
      openError = AppLanguage().Text(160100);
      return RecordImportReport{};
    }
    CExcelImportTable table(session);
    RecordImportReport r = RunFeeImport(settings, table, context);
    session.Close();
    return r;
  });
  if (!openError.empty()) {
    Show(openError);
    return;
  }
  FinishImport(report, false);
}

bool CRecordCheckDlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (watched == numberEdit_) {
        OnGo();
        return true;
      }
      focusNextPrevChild(true);
      return true;
    case Qt::Key_Down:
      if (watched == invoiceCopies_) break;
      focusNextPrevChild(true);
      return true;
    case Qt::Key_Up:
      if (watched == invoiceCopies_) break;
      focusNextPrevChild(false);
      return true;
    case Qt::Key_Escape:
    case Qt::Key_PageUp:
      return true;
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}
