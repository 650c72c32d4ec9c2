#include "shell/AppWindowHooks.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QScreen>
#include <QStringList>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "platform/MessageBox.h"
#include "platform/QtMessageBox.h"
#include "print/TemplateChoice.h"
#include "shell/AboutDlg.h"
#include "shell/AppSettings.h"
#include "shell/BrantleClientApp.h"
#include "shell/BrantleClientView.h"
#include "shell/CaptureDlg.h"
#include "devices/QtFrameSource.h"
#include "ui/ViewHost.h"
#include "shell/LoginDlg.h"
#include "shell/MainFrame.h"
#include "shell/MenuLocalizer.h"
#include "shell/ScaleSettingsDlg.h"
#include "ui/CommonPhrasesDlg.h"
#include "ui/ListPickDlg.h"
#include "refdata/AirlineTable.h"

namespace {

QString Q(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

std::u16string U(const QString& text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                        static_cast<size_t>(text.size()));
}

// What the view needs of the application object.
class CAppViewHost : public CViewHost {
 public:
  explicit CAppViewHost(CBrantleClientApp& app) : app_(app) {}

  QSize ScreenSize() const override {
    if (app_.screenWidth > 0) return QSize(app_.screenWidth, app_.screenHeight);
    return CViewHost::ScreenSize();
  }
  void AttachView(QWidget* view) override {
    auto* mainView = dynamic_cast<CBrantleClientView*>(view);
    auto* frame = dynamic_cast<CMainFrame*>(app_.mainWindow);
    if (mainView != nullptr && frame != nullptr) mainView->mainFrame = frame;
    view_ = mainView;
  }
  void NotifyPageShown(int index) override {
    if (auto* frame = dynamic_cast<CMainFrame*>(app_.mainWindow)) frame->NotifyPageShown(index);
  }
  QWidget* VisibleCaptureWindow() const override {
    auto* frame = dynamic_cast<CMainFrame*>(app_.mainWindow);
    return frame != nullptr ? frame->VisibleCaptureWindow() : nullptr;
  }
  bool PageAllowed(int index) const override {
    if (index < 0 || index >= kViewPageCount) return false;
    return CommandAllowedByRights(kPageCommands[static_cast<size_t>(index)], app_.Link().Rights());
  }
  void FlushRecordFiles() override { app_.FlushRecordFiles(); }
  bool InvoiceToFileSwitch() const override { return app_.Settings().invoiceToFile != 0; }
  std::string CompanyWebAddress() const override {
    return GbkFromWide(app_.Settings().companyWebAddress);
  }
  bool RunCommonPrompts(std::u16string& text) override {
    CCommonPhrasesDlg dialog(app_.prompts, app_.mainWindow);
    if (dialog.DoModal() != platform::kIdOk) return false;
    text = dialog.text;
    return true;
  }
  bool SavePrompts(std::u16string_view text) override { return app_.SavePrompts(text); }
  void SetPrompts(std::u16string_view text) override { app_.SetPrompts(text); }
  void RunScaleSettings() override {
    CScaleSettingsDlg dialog(app_.ScaleReader(), [this] { return app_.SaveScaleSettings(); },
                             app_.mainWindow);
    dialog.exec();
  }
  CBrantleClientApp* Application() override { return &app_; }
  CPrintDoors* PrintDoors() override { return &app_.PrintDoors(); }
  // The quick-search lists and the query dialogs.
  CServerLink* ServerLink() override { return &app_.Link(); }
  const std::vector<std::unique_ptr<AirlineEntry>>* Airlines() const override {
    return &app_.Airlines().Airlines();
  }
  std::vector<std::u16string> StaffNames() const override {
    std::vector<std::u16string> names;
    for (const StaffEntry& entry : app_.staff) names.push_back(WideFromGbk(entry.mcname));
    return names;
  }
  bool ChooseCommonPrompt(std::u16string& prompt) override {
    return app_.ChooseCommonPrompt(prompt) != 0;
  }
  CClientListCache* ClientList() override { return &app_.ClientList(); }
  CDestinationTable* Destinations() override { return &app_.Destinations(); }

  // The waybill query dialog of the view, and what its pickers and the
  // record filter need of the application.
  std::u16string WaybillDateColumn(int dateKind) const override {
    return view_ != nullptr ? view_->DateColumnName(dateKind) : CViewHost::WaybillDateColumn(dateKind);
  }
  std::optional<std::u16string> ServiceKindCode(std::u16string_view text) const override {
    const CServiceKind* kind = app_.FindServiceKind(GbkFromWide(text));
    if (kind == nullptr) return std::nullopt;
    return kind->wideCode;
  }
  std::vector<std::u16string> ServiceKindNames() const override { return app_.serviceKindCodes; }
  int ListRecentAwbs(std::vector<std::u16string>& list, unsigned n) override {
    return app_.ListRecentAwbs(list, n);
  }
  int ListRecentBags(std::vector<std::u16string>& list, unsigned n) override {
    return app_.ListRecentBags(list, n);
  }

  // ---- Single-waybill view (page 8): look-ups of its documents ----
  std::u16string NormalizeNumber(std::u16string_view text) override {
    return app_.NormalizeNumber(text);
  }
  std::u16string ServiceKindName(std::u16string_view code) override {
    const CServiceKind* kind = app_.FindServiceKind(GbkFromWide(code));
    return kind != nullptr ? WideFromGbk(kind->cmemo) : std::u16string();
  }
  std::u16string SupplierName(int32_t isid) override { return app_.SupplierName(isid); }
  std::string DictionaryText(int n) const override { return app_.dictionaries.Text(n); }

 private:
  CBrantleClientApp& app_;
  CBrantleClientView* view_ = nullptr;
};

// "name|pattern|name|pattern||" as the file dialog's filter list.
QString DialogFilter(const std::u16string& filter) {
  QStringList parts = Q(filter).split(u'|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].isEmpty()) break;
    QString pattern = parts[i + 1];
    pattern.replace(u';', u' ');
    filters << (parts[i].contains(u'(') ? parts[i] : QStringLiteral("%1 (%2)").arg(parts[i], pattern));
  }
  return filters.join(QStringLiteral(";;"));
}

}  // namespace

void InstallWindowHooks(CBrantleClientApp& app, platform::QtMessageBoxService* boxes) {
  auto& hooks = app.hooks;
  hooks.runLogin = [](CBrantleClientApp& a, int) {
    LoginCheckSettings checks;
    checks.refreshBaseData = a.Settings().loginRefreshChecked;
    checks.refreshBaseDataLocked = a.Settings().loginRefreshLocked != 0;
    return RunLoginDialog(a.Link(), a.ProgramFolder(), nullptr, checks) ? 1 : 0;
  };
  hooks.createMainWindow = [boxes](CBrantleClientApp& a) {
    auto* frame = new CMainFrame(a.Link());
    frame->setAttribute(Qt::WA_DeleteOnClose, false);
    // The user's idle-lock time and the password rule, as loaded after login.
    frame->SetAutoLockMilliseconds(a.userEnvironment.lockMilliseconds);
    frame->SetStrongPasswordRequired(a.StrongPasswordRequired());
    a.mainWindow = frame;
    static CAppViewHost* host = nullptr;
    delete host;
    host = new CAppViewHost(a);
    auto* view = new CBrantleClientView(host, frame, a.pageFactory);
    view->mainFrame = frame;
    frame->setCentralWidget(view);
    // The view's commands, then the application's own: About and the
    // template choices (label, waybill, invoice) and the printer associations.
    CBrantleClientApp* owner = &a;
    QObject::connect(frame, &CMainFrame::commandTriggered, view, [view, frame, owner](int command) {
      if (view->OnCommand(command)) return;
      if (command == kCmdAppAbout) RunAboutDialog(frame);
      if (command == kCmdPrinterAssign) owner->OnPrinterAssign();
      if (int slot = TemplateSlotOfCommand(command); slot >= 0) owner->ChooseTemplate(slot);
    });
    QObject::connect(frame, &CMainFrame::quitRequested, qApp, &QCoreApplication::quit);
    frame->SetCommandUiUpdater(
        [view](int command, QAction* action) { view->UpdateCommandUi(command, action); });
    frame->SetCurrentPageSource([view] { return view->CurrentIndex(); });
    frame->SetCaptureWindowFactory(MakeCaptureWindowFactory(
        a.Link(), a.ProgramFolder(), [] { return std::make_unique<CQtFrameSource>(); }));
    view->OnInitialUpdate();
    frame->UpdateCommandUi();
    if (boxes) boxes->SetParent(frame);
    return true;
  };
  hooks.localizeMenu = [](CBrantleClientApp& a) {
    if (auto* frame = dynamic_cast<CMainFrame*>(a.mainWindow)) {
      LocalizeMenu(*frame, a.Language(), a.Link().Rights(), !a.Settings().companyWebAddress.empty());
    }
  };
  hooks.showMainWindow = [](CBrantleClientApp& a) {
    if (!a.mainWindow) return;
    // Fill the screen first: without a window manager "maximised" is only a
    // hint nobody acts on.
    if (QScreen* screen = a.mainWindow->screen())
      a.mainWindow->setGeometry(screen->availableGeometry());
    a.mainWindow->showMaximized();
    a.mainWindow->raise();
    a.mainWindow->activateWindow();
  };
  hooks.setCaption = [](CBrantleClientApp& a, const std::u16string& caption) {
    if (a.mainWindow) a.mainWindow->setWindowTitle(Q(caption));
  };
  CBrantleClientApp* appPtr = &app;
  hooks.setClipboardText = [appPtr](const std::u16string& text) {
    return CMainFrame::SetClipboardText(appPtr->mainWindow, text) ? 1 : 0;
  };
  hooks.readClipboardText = [](std::u16string& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return false;
    QString value = clipboard->text();
    if (value.isEmpty()) return false;
    text = U(value);
    return true;
  };
  hooks.chooseFile = [appPtr](const std::u16string& filter, const std::u16string& initialName,
                              std::u16string& chosen) {
    QFileDialog dialog(appPtr->mainWindow);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // The clipboard caption stands as a file name that need not exist.
    dialog.setFileMode(initialName.empty() ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilter(DialogFilter(filter));
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    if (!initialName.empty()) dialog.selectFile(Q(initialName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    chosen = U(dialog.selectedFiles().first());
    return true;
  };
  hooks.pickFromList = [appPtr](const std::vector<std::u16string>& items,
                                const std::u16string& caption) {
    CListPickDlg dialog(appPtr->mainWindow);
    dialog.SetList(&items, caption);
    if (dialog.DoModal() != platform::kIdOk) return -1;
    return dialog.selectedIndex;
  };
}
