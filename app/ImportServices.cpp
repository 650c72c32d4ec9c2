#include "app/ImportServices.h"

#include <QString>

#include "common/TextCodec.h"
#include "refdata/ServiceKinds.h"
#include "shell/BrantleClientApp.h"
#include "ui/ViewHost.h"

namespace {

class AppImportServices : public CImportServices {
 public:
  explicit AppImportServices(CBrantleClientApp& app) : app_(app) {}
  CServerLink& Link() override { return app_.Link(); }
  std::u16string DesktopPath() override { return app_.GetDesktopPath(); }
  std::u16string ProgramFolder() override {
    return QString::fromStdString(app_.ProgramFolder()).toStdU16String();
  }
  std::u16string ExcelFileFilter() override { return app_.excelFileFilter; }
  bool ChooseCommonPrompt(std::u16string& text) override { return app_.ChooseCommonPrompt(text) != 0; }
  void CopyToClipboard(const std::u16string& text) override { app_.CopyToClipboard(text); }
  std::optional<std::pair<std::string, std::u16string>> FindServiceKind(std::string_view code) override {
    CServiceKind* kind = app_.FindServiceKind(code);
    if (kind == nullptr) return std::nullopt;
    return std::make_pair(kind->cemskind, kind->wideCode);
  }

 private:
  CBrantleClientApp& app_;
};

}  // namespace

std::unique_ptr<CImportServices> MakeImportServices(CViewHost* host) {
  CBrantleClientApp* app = host != nullptr ? host->Application() : nullptr;
  if (app == nullptr) return nullptr;
  return std::make_unique<AppImportServices>(*app);
}
