// The Excel import command of page 0: the format list, the file dialog, and
// the waybill import of the chosen workbook with its summary.  What the
// import computes is in entry/ImportFormats.h and entry/WaybillImport.h;
// this file only asks, reads the form and shows.

#include <QClipboard>
#include <QFileDialog>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>

#include <atomic>
#include <filesystem>
#include <memory>

#include "common/FixedField.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "entry/ImportFormats.h"
#include "entry/ImportProgressDlg.h"
#include "entry/QuickEntryDlg.h"
#include "entry/QuickEntryPage.h"
#include "entry/WaybillImport.h"
#include "office/ExcelSession.h"
#include "office/ImportTable.h"
#include "platform/MessageBox.h"
#include "platform/QtMessages.h"
#include "platform/QtWaitForWork.h"
#include "refdata/ClientListCache.h"
#include "refdata/ServiceKinds.h"
#include "server/ServerLink.h"
#include "shell/BrantleClientApp.h"
#include "ui/ListGridExport.h"
#include "ui/ViewHost.h"

namespace {

constexpr int kTextChooseFile = 705003;

// One import's state shared with its progress window and the work.
struct ImportRun {
  std::atomic<bool> stop{false};
  std::atomic<int> row{0}, saved{0};
  bool done = false;               // window thread only
  QPointer<CImportProgressDlg> window;
};

void ShowMessage(std::u16string_view text, unsigned icon) {
  platform::ShowMessageBox(text, AppLanguage().Text(20002), platform::kMbOk | icon);
}

std::filesystem::path FolderOf(const CBrantleClientApp& app) {
  return std::filesystem::path(app.ProgramFolder());
}

void ImportWaybillFile(CQuickEntryPage& page, CBrantleClientApp& app, const std::u16string& path,
                       const waybillimport::ImportFormat& format) {
  CQuickEntryDlg* form = page.Form();
  const int32_t customerId = form->Entry().customerId;
  const ClientDetail* detail = nullptr;
  if (customerId > 0)
    detail = platform::WaitForWork(
        [&] { return app.ClientList().GetClientDetail(app.CacheLink(), customerId, true); });
  if (detail == nullptr) {
    // No customer, or one whose details the client cache cannot give (its
    // station code goes with every waybill).
    ShowMessage(AppLanguage().Text(120023), platform::kMbIconError);
    return;
  }
  waybillimport::ImportSetup setup;
  setup.station = detail->station;
  const auto kindExists = [&app](std::string_view code) { return app.FindServiceKind(code) != nullptr; };
  const std::filesystem::path mapFile =
      FolderOf(app) / std::filesystem::path(Utf8FromWide(format.cMapFile));
  if (waybillimport::LoadColumnMappingFile(mapFile, setup.mapping, kindExists) < 0) {
    page.importChannels.clear();
    std::u16string text = AppLanguage().Text(120062);
    ReplaceAllW(text, u"%1", format.cMapFile);
    ShowMessage(text, platform::kMbIconError);
    return;
  }
  page.importChannels = setup.mapping.channels;

  page.FillImportTemplate(setup.templ);
  SetFixedText(setup.templ.waybill.cDes, "");
  std::u16string kindText = form->KindEdit()->text().trimmed().left(15).toStdU16String();
  setup.defaultKind = GbkFromWide(kindText);
  if (setup.defaultKind.empty() && app.GetServiceKind(0) != nullptr)
    setup.defaultKind = app.GetServiceKind(0)->cemskind;

  std::unique_ptr<WaybillSaveLink> link = MakeServerWaybillSaveLink(app.Link());
  waybillimport::ImportServices services;
  services.link = link.get();
  services.findKind = [&app](std::string_view code) -> const CServiceKind* {
    return app.FindServiceKind(code);
  };
  services.destinations = &app.Destinations();
  services.inputStore = &app.InputRecords();
  services.goodsStore = &app.GoodsLines();
  QObject* target = &page;
  services.saved = [target](const InputWaybillRecord& record) {
    platform::SendPrivateMessage(target, WM_PAGE_NOTIFY, 1, record);
  };

  // The operator may stop the import from its progress window, and the
  // program's end stops it too; the window opens once the wait has begun
  // (a window of the wait takes input) and closes when the import ends.
  auto run = std::make_shared<ImportRun>();
  services.stopRequested = [run] { return run->stop.load(); };
  services.progress = [run](int row, int saved) {
    run->row = row;
    run->saved = saved;
  };
  const QMetaObject::Connection quitting = QObject::connect(
      QCoreApplication::instance(), &QCoreApplication::aboutToQuit, [run] { run->stop = true; });
  QTimer::singleShot(0, &page, [run, &page] {
    if (run->done) return;
    auto* window = new CImportProgressDlg(
        [run] { return std::pair<int, int>(run->row.load(), run->saved.load()); },
        [run] { run->stop = true; }, &page);
    run->window = window;
    window->show();
  });

  // The workbook is read and the rows sent off the window's thread; the
  // session closes on every way out of the work.
  waybillimport::ImportReport report = platform::WaitForWork([&] {
    CExcelSession session;
    return waybillimport::ImportWorkbook(session, path, services, setup);
  });
  run->done = true;
  QObject::disconnect(quitting);
  delete run->window.data();
  if (!report.openError.empty()) {
    ShowMessage(report.openError, platform::kMbIconError);
    return;
  }
  if (!report.refusal.empty()) {
    ShowMessage(report.refusal, platform::kMbIconError);
    return;
  }
  const std::u16string clip = report.ClipboardText();
  if (!clip.empty()) QGuiApplication::clipboard()->setText(QString::fromStdU16String(clip));
  ShowMessage(report.Summary(),
              clip.empty() ? platform::kMbIconInformation : platform::kMbIconWarning);
  page.UpdateCountLabel();
}

}  // namespace

void CQuickEntryPage::ChooseImportFile() {
  CBrantleClientApp* app = host != nullptr ? host->Application() : nullptr;
  if (app == nullptr || form_ == nullptr) return;
  const waybillimport::FormatList list = waybillimport::ReadFormatList(FolderOf(*app));
  if (!list.message.empty()) {
    ShowMessage(list.message, platform::kMbIconError);
    return;
  }
  const QString filter = QtFileFilter(waybillimport::FormatFilter(list.formats));
  const QStringList filters = filter.split(QStringLiteral(";;"));
  QFileDialog dialog(this, QString::fromStdU16String(AppLanguage().Text(kTextChooseFile)));
  dialog.setObjectName(QStringLiteral("importFileDialog"));
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setOption(QFileDialog::ReadOnly, true);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setNameFilters(filters);
  dialog.setDefaultSuffix(QString::fromStdU16String(list.formats.front().cExt));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const int chosen = static_cast<int>(filters.indexOf(dialog.selectedNameFilter()));
  if (chosen < 0 || chosen >= static_cast<int>(list.formats.size())) return;
  const waybillimport::ImportFormat& format = list.formats[static_cast<size_t>(chosen)];
  const std::u16string path = dialog.selectedFiles().front().toStdU16String();
  if (!waybillimport::PathFitsFormat(path, format)) return;
  if (form_->Entry().loadedId > 0) form_->Clear();
  // Only Excel workbooks are imported; the CSV and marketplace entries end
  // the command once chosen.
  if (format.iKind != 0) return;
  ImportWaybillFile(*this, *app, path, format);
}
