#include "app/BaggingServices.h"

#include "refdata/ServiceKinds.h"
#include "shell/BrantleClientApp.h"
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
