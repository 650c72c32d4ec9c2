// The manifest export when the office suite does not start: the suite's
// error is shown, no file is written and the session is closed.  Its own
// program, since the case ends the suite.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/TextCodec.h"
#include "consolidation/AwbManifest.h"
#include "office/ExcelSession.h"
#include "office/OfficeSuite.h"
#include "platform/MessageBox.h"
#include "print/TemplateModel.h"
#include "tests/office/OfficeTestEnv.h"

namespace {

using namespace manifest;

::testing::Environment* const kOffice =
    ::testing::AddGlobalTestEnvironment(new officetest::OfficeEnvironment);

TEST(ManifestOfficeStart, SuiteThatDoesNotStart) {
  const auto folder = officetest::Root() / "program";
  CTemplateModel model(GbkFromWide(kTemplateKind), GbkFromWide(u"清单"));
  model.SetText(GbkFromWide(u"<列表定义开始>\n内单号=A2\n<列表定义结束>\n"));
  model.SetWorkbook("template bytes");
  std::vector<std::string> log;
  ManifestServices sv;
  sv.findTemplate = [&](std::string_view) { return &model; };
  sv.query = [](std::string_view, std::span<const uint32_t>, std::string& reply) {
    reply = "{\"ReturnValue\":1,\"List\":[],\"iTotal\":0}";
    return 1;
  };
  sv.message = [&](const std::u16string& t) { log.push_back(Utf8FromWide(t)); };
  sv.text = [](int32_t id) { return AppLanguage().Text(id); };
  sv.openFile = [&](const std::string& p) { log.push_back("OPEN " + p); };
  sv.programFolder = folder.string() + "/";
  platform::RecordingMessageBoxService boxes;
  platform::ScopedMessageBoxService scope(&boxes);
  office::SetOfficeProgram("/nonexistent/soffice.bin");
  ManifestForm form;
  form.awbNumber = u"123-45-6";
  form.templateName = u"清单";
  const ExportOutcome out = RunManifestExport(form, sv);
  office::SetOfficeProgram({});
  EXPECT_TRUE(out.path.empty());
  EXPECT_EQ(out.sessions, 1);
  EXPECT_EQ(out.sessionCloses, 1);
  EXPECT_FALSE(std::filesystem::exists(folder / "DATA_TEMP" / "清单_123-45-6.xls"));
  // The session itself shows 20035 (its reason stays empty): one box only.
  EXPECT_TRUE(log.empty());
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.LastText(), AppLanguage().Text(20035));
}

}  // namespace
