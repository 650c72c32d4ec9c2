#include "app/BaggingServices.h"

#include "common/LanguageTable.h"
#include "consolidation/BagLabels.h"
#include "consolidation/BaggingForm.h"
#include "consolidation/BaggingPage.h"
#include "consolidation/UnbaggedPickDlg.h"
#include "platform/MessageBox.h"
#include "refdata/ServiceKinds.h"
#include "shell/BrantleClientApp.h"
#include "ui/ListPickDlg.h"
#include "ui/ViewHost.h"

namespace {

class AppBaggingServices : public CBaggingServices {
 public:
  explicit AppBaggingServices(CBrantleClientApp& app) : app_(app) {}
  CServerLink& Link() override { return app_.Link(); }
  std::string DictionaryText(int n) const override { return app_.dictionaries.Text(n); }
  int ReadSysFile(std::string_view fileName, int32_t grade, std::string_view kind, std::string& buffer,
                  size_t capacity) override {
    return app_.ReadSysFile(fileName, grade, kind, buffer, capacity);
  }
  const std::string& ProgramFolder() const override { return app_.ProgramFolder(); }
  std::u16string NormalizeNumber(std::u16string_view text) override { return app_.NormalizeNumber(text); }
  int ShowRecordPrompts(std::u16string_view number, int context, int32_t customerId, bool confirm) override {
    return app_.ShowRecordPrompts(number, context, customerId, confirm);
  }
  int CheckRecordCode(int32_t recordId, std::u16string_view number, int numberField) override {
    return app_.CheckRecordCode(recordId, number, numberField);
  }
  int ImportNumberList(std::vector<std::u16string>& target, std::u16string* path, int numberKind) override {
    return app_.ImportNumberList(target, path, numberKind);
  }
  void PlayResultSound(int index) override { app_.PlayResultSound(index); }
  void SpeakWeight(int32_t grams) override { app_.SpeakWeight(grams); }
  int ChooseCommonPrompt(std::u16string& output) override { return app_.ChooseCommonPrompt(output); }
  char ParseDimensions(std::string_view text, int32_t& length, int32_t& width, int32_t& height) const override {
    return CBrantleClientApp::ParseDimensions(text, length, width, height);
  }
  int32_t VolumetricWeight(int32_t length, int32_t width, int32_t height, char classLetter) const override {
    return app_.VolumetricWeight(length, width, height, classLetter);
  }
  std::u16string AreaText(std::string_view kind, std::string_view destination) override {
    CServiceKind* service = app_.FindServiceKind(kind);
    if (service == nullptr) return {};
    const ServiceArea* area = service->FindArea(destination);
    if (area == nullptr) return {};
    const std::string text = std::to_string(area->narea);
    return std::u16string(text.begin(), text.end());
  }

 private:
  CBrantleClientApp& app_;
};

}  // namespace

std::unique_ptr<CBaggingServices> MakeBaggingServices(CViewHost* host) {
  CBrantleClientApp* app = host != nullptr ? host->Application() : nullptr;
  if (app == nullptr) return nullptr;
  return std::make_unique<AppBaggingServices>(*app);
}

namespace {

PieceWeightRules PickerWeightRules(CBrantleClientApp& app) {
  PieceWeightRules rules;
  rules.parseDimensions = [](std::string_view text, int32_t& l, int32_t& w, int32_t& h) {
    return CBrantleClientApp::ParseDimensions(text, l, w, h);
  };
  rules.volumetricWeight = [&app](int32_t l, int32_t w, int32_t h, char letter) {
    return app.VolumetricWeight(l, w, h, letter);
  };
  return rules;
}

void OpenUnbaggedPicker(CBrantleClientApp& app, CBaggingDlg& form) {
  if (form.picker == nullptr) {
    auto* picker = new CUnbaggedPickDlg(app.Link(), PickerWeightRules(app), &form);
    picker->setGeometry(250, 100, 762, 428);
    picker->hide();
    picker->SetTarget(&form);
    picker->chooseServiceKind = [&app](QWidget* parent, std::u16string& choice) {
      CListPickDlg dlg(parent);
      dlg.SetList(&app.serviceKindCodes, AppLanguage().Text(170010));
      if (dlg.DoModal() != platform::kIdOk) return 0;
      choice = dlg.result;
      return 1;
    };
    picker->choosePrompt = [&app](std::u16string& choice) { return app.ChooseCommonPrompt(choice); };
    picker->importNumbers = [&app](std::vector<std::u16string>& numbers, bool waybillNumbers) {
      return app.ImportNumberList(numbers, nullptr, waybillNumbers ? 0 : 1);
    };
    picker->SetDestinations(&app.Destinations());
    form.picker = picker;
  }
  form.picker->SetPerWaybillItems(form.PerWaybillItems());
  form.picker->show();
  form.picker->raise();
}

int PrintFormLabels(CBrantleClientApp& app, CBaggingDlg& form) {
  return PrintBagLabels(
      app.MakePrintContext(), form.LabelSources(), BagLabelOrder::kBaggingForm, form.SecondLabelWanted(),
      [&app](AwbPackInfo& info) { return app.LoadAwbPackInfo(info); },
      [&app](const FileRequest& request) { return app.DownloadFileLength(request); });
}

}  // namespace

void WireBaggingForm(CViewHost* host, CBaggingDlg& form) {
  CBrantleClientApp* app = host != nullptr ? host->Application() : nullptr;
  if (app == nullptr) return;
  form.pickUnbagged = [app](CBaggingDlg& f) { OpenUnbaggedPicker(*app, f); };
  form.printLabels = [app](CBaggingDlg& f) { return PrintFormLabels(*app, f); };
}

void WireBaggingPage(CBaggingPage& page) {
  page.makeServices = MakeBaggingServices;
  page.wireForm = WireBaggingForm;
}
