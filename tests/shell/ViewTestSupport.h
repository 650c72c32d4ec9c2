#pragma once
// Fakes shared by the view and page tests: a page that records every
// operation reaching it, and a host that records what the view asks of the
// application and the frame.

#include <QSize>
#include <QString>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ui/ViewHost.h"
#include "ui/ViewPage.h"

namespace viewtest {

using Log = std::vector<std::string>;

class RecordingPage : public CViewPage {
 public:
  explicit RecordingPage(Log* log, int tag = -1) : log_(log), tag_(tag) {
    if (log_) log_->push_back("construct " + std::to_string(tag_));
  }
  ~RecordingPage() override {
    if (log_) log_->push_back("destroy " + std::to_string(tag_));
  }

  void OnPageCommand() override { Add("OnPageCommand"); }
  void OnImportExcel() override { Add("OnImportExcel"); }
  void OnPrintLabel() override { Add("OnPrintLabel"); }
  void OnPrintWaybill() override { Add("OnPrintWaybill"); }
  void OnPrintInvoice(int toFile) override { Add("OnPrintInvoice " + std::to_string(toFile)); }
  void OnRefresh() override { Add("OnRefresh"); }
  void OnSelectAll() override { Add("OnSelectAll"); }
  void OnFilePrint() override { Add("OnFilePrint"); }
  void OnQuery() override { Add("OnQuery"); }
  void OnExportReport() override { Add("OnExportReport"); }
  void OnDelete() override { Add("OnDelete"); }
  void OnSave() override { Add("OnSave"); }
  void OnPasteAll() override { Add("OnPasteAll"); }
  void OnCopyAll() override { Add("OnCopyAll"); }
  void OnNewRecord() override { Add("OnNewRecord listOnly=" + std::to_string(listOnly)); }
  void OnRowDoubleClick(int row) override { Add("OnRowDoubleClick " + std::to_string(row)); }
  void ShowListMode(int mode) override {
    Add("ShowListMode " + std::to_string(mode));
    CViewPage::ShowListMode(mode);
  }
  void OnPageCreated() override {
    Add("OnPageCreated");
    CViewPage::OnPageCreated();
  }
  qintptr OnRecordAmount(quintptr w, qintptr l) override { return Msg("OnRecordAmount", w, l); }
  qintptr OnTextNotice(quintptr w, qintptr l) override { return Msg("OnTextNotice", w, l); }
  qintptr OnGridMenuCommand(quintptr w, qintptr l) override {
    return Msg("OnGridMenuCommand", w, l);
  }
  qintptr OnRecordSaved(quintptr w, qintptr l) override { return Msg("OnRecordSaved", w, l); }
  qintptr OnRelayout(quintptr w, qintptr l) override {
    Msg("OnRelayout", w, l);
    return CViewPage::OnRelayout(w, l);
  }
  qintptr OnListParameter(quintptr w, qintptr l) override {
    return Msg("OnListParameter", w, l);
  }
  qintptr OnPrintProgress(quintptr w, qintptr l) override {
    return Msg("OnPrintProgress", w, l);
  }
  qintptr OnWeightUpdated(quintptr w, qintptr l) override {
    return Msg("OnWeightUpdated", w, l);
  }
  qintptr OnSetCommandFlag(quintptr w, qintptr l) override {
    Msg("OnSetCommandFlag", w, l);
    return CViewPage::OnSetCommandFlag(w, l);
  }
  qintptr OnQuickListOpen(quintptr w, qintptr l) override {
    return Msg("OnQuickListOpen", w, l);
  }

  // The operations logged, without the tag.
  std::vector<std::string> Calls() const { return calls_; }
  void ClearCalls() { calls_.clear(); }

 private:
  void Add(const std::string& what) {
    calls_.push_back(what);
    if (log_) log_->push_back(std::to_string(tag_) + " " + what);
  }
  qintptr Msg(const std::string& what, quintptr w, qintptr l) {
    Add(what + " " + std::to_string(w) + " " + std::to_string(l));
    return 7;
  }

  Log* log_;
  int tag_;
  std::vector<std::string> calls_;
};

class FakeHost : public CViewHost {
 public:
  QSize ScreenSize() const override { return screen; }
  void AttachView(QWidget*) override { log.push_back("AttachView"); }
  void NotifyPageShown(int index) override {
    log.push_back("NotifyPageShown " + std::to_string(index));
  }
  bool PageAllowed(int index) const override { return refusedPages.count(index) == 0; }
  void FlushRecordFiles() override { log.push_back("FlushRecordFiles"); }
  bool InvoiceToFileSwitch() const override { return invoiceToFile; }
  std::string CompanyWebAddress() const override { return webAddress; }
  void OpenUrl(const QString& address) override {
    log.push_back("OpenUrl " + address.toStdString());
  }
  bool RunCommonPrompts(std::u16string& text) override {
    log.push_back("RunCommonPrompts");
    if (!promptsOk) return false;
    text = promptsText;
    return true;
  }
  bool SavePrompts(std::u16string_view text) override {
    log.push_back("SavePrompts " + QString::fromStdU16String(std::u16string(text)).toStdString());
    return promptsSaved;
  }
  void SetPrompts(std::u16string_view text) override {
    log.push_back("SetPrompts " + QString::fromStdU16String(std::u16string(text)).toStdString());
  }
  void RunScaleSettings() override { log.push_back("RunScaleSettings"); }
  bool RunPrintDialog(QWidget*) override {
    log.push_back("RunPrintDialog");
    return printConfirmed;
  }

  QSize screen{1280, 1024};
  std::set<int> refusedPages;  // pages the user may not use
  bool invoiceToFile = true;
  std::string webAddress;
  bool promptsOk = false;
  bool promptsSaved = true;
  std::u16string promptsText;
  bool printConfirmed = false;
  Log log;
};

}  // namespace viewtest
