// Services of the application object: weights, prompts, look-ups, number
// normalising and number lists, the record check mark, settings values and
// the edit period.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "common/TextCodec.h"
#include "platform/MessageBox.h"
#include "refdata/RecordStores.h"
#include "shell/AppSettings.h"
#include "shell/BrantleClientApp.h"
#include "net/HttpClient.h"
#include "refdata/BarcodeNormalizer.h"
#include "refdata/CurrencyTable.h"

namespace fs = std::filesystem;

namespace {

std::string Gbk(std::u16string_view text) { return GbkFromWide(text); }

class AppServicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static int count = 0;
    folder_ = fs::temp_directory_path() /
              ("brantle-services-" + std::to_string(::getpid()) + "-" + std::to_string(++count));
    fs::create_directories(folder_);
    app_.SetProgramFolder(folder_.string());
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  fs::path folder_;
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
  CBrantleClientApp app_;
};

TEST_F(AppServicesTest, ChargeableWeight) {
  ASSERT_EQ('W', app_.Settings().divisorLetterOverride);
  struct Case { int32_t l, w, h, actual; uint8_t percent; char letter; int32_t expected; };
  const Case cases[] = {
      {50, 40, 30, 4000, 100, 'D', 5000},  // the override 'W' wins: 60,000 / 12
      {50, 40, 30, 4000, 50, 'D', 4500},
      {50, 40, 30, 4000, 0, 'D', 4000},
      {50, 40, 30, 6000, 100, 'D', 6000},  // heavier than its volume
      {50, 40, 30, 6000, 50, 'D', 6000},
      {50, 40, 30, 4000, 200, 'D', 5000},  // 100 % or more: the volume weight
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, app_.ChargeableWeight(c.l, c.w, c.h, c.actual, c.percent, c.letter))
        << c.actual << " g at " << int(c.percent) << " %";
  }
  app_.Settings().divisorLetterOverride = 0;
  EXPECT_EQ(10000, app_.ChargeableWeight(50, 40, 30, 1, 100, 'X'));  // 'X' counts as 6 here
  EXPECT_EQ(12000, app_.ChargeableWeight(50, 40, 30, 1, 100, 'D'));
  EXPECT_EQ(20000, app_.ChargeableWeight(50, 40, 30, 1, 100, 'T'));
  // Keyed dimensions far out of range give a large weight, never a wrapped one.
  EXPECT_EQ(INT32_MAX, app_.ChargeableWeight(5000, 5000, 5000, 1000, 100, 'W'));
  EXPECT_GT(app_.ChargeableWeight(2000, 2000, 2000, 1000, 50, 'W'), 1000);
}

TEST_F(AppServicesTest, VolumetricWeight) {
  app_.Settings().divisorLetterOverride = 0;
  EXPECT_EQ(6000, app_.VolumetricWeight(50, 40, 30, 'X'));  // 'X' is 10 here
  EXPECT_EQ(10000, app_.VolumetricWeight(50, 40, 30, 'Q'));
  app_.volumetricWeightStep = 5;
  EXPECT_EQ(6000, app_.VolumetricWeight(50, 40, 30, 'X'));        // (6000 + 5) / 10 * 10
  EXPECT_EQ(1010, app_.VolumetricWeight(1, 1, 10057, 'X'));       // 1005 + 5 -> 1010
  app_.Settings().divisorLetterOverride = 'W';
  app_.volumetricWeightStep = -1;
  EXPECT_EQ(5000, app_.VolumetricWeight(50, 40, 30, 'X'));
}

TEST_F(AppServicesTest, ParseDimensions) {
  int32_t l = -1, w = -1, h = -1;
  EXPECT_EQ('W', CBrantleClientApp::ParseDimensions("30*20*10W", l, w, h));
  EXPECT_EQ(30, l); EXPECT_EQ(20, w); EXPECT_EQ(10, h);
  EXPECT_EQ(0, CBrantleClientApp::ParseDimensions("1*2", l, w, h));
  EXPECT_EQ(0, l); EXPECT_EQ(0, w); EXPECT_EQ(0, h);
  EXPECT_EQ('D', CBrantleClientApp::ParseDimensions("40*30 WD", l, w, h));  // 'D' is tried first
  EXPECT_EQ(40, l); EXPECT_EQ(30, w); EXPECT_EQ(0, h);
  EXPECT_EQ(0, CBrantleClientApp::ParseDimensions("99999999999*2*3", l, w, h));
  EXPECT_EQ(INT32_MAX, l);
}

TEST_F(AppServicesTest, PromptsSplitSaveAndLoad) {
  app_.SetPrompts(u"first\r\nsecond\r\n\r\nthird");
  EXPECT_EQ((std::vector<std::u16string>{u"first", u"second"}), app_.prompts);
  app_.SetPrompts(u"易碎物品\r\n  \r小心轻放\nx\nlater");
  EXPECT_EQ((std::vector<std::u16string>{u"易碎物品", u"小心轻放"}), app_.prompts);

  ASSERT_TRUE(app_.SavePrompts(u"请勿倒置\r\nKeep dry\r\n"));
  std::ifstream in(folder_ / "prompt.dat", std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(32u, bytes.size());  // UTF-16LE, no byte-order mark, no terminator
  EXPECT_EQ('\xF7', bytes[0]);
  app_.prompts.clear();
  app_.LoadPrompts();
  EXPECT_EQ((std::vector<std::u16string>{u"请勿倒置", u"Keep dry"}), app_.prompts);

  fs::remove(folder_ / "prompt.dat");
  app_.LoadPrompts();
  EXPECT_TRUE(app_.prompts.empty());

  std::u16string chosen;
  EXPECT_EQ(0, app_.ChooseCommonPrompt(chosen));
  app_.SetPrompts(u"aa\nbb");
  app_.hooks.pickFromList = [](const std::vector<std::u16string>& items, const std::u16string&) {
    return items.size() == 2 ? 1 : -1;
  };
  EXPECT_EQ(1, app_.ChooseCommonPrompt(chosen));
  EXPECT_EQ(u"bb", chosen);
}

// The prompt file is replaced whole or not at all: a save that cannot write
// it reports false and leaves the prompts of the last save.
TEST_F(AppServicesTest, PromptSaveThatFailsKeepsTheLastSavedFile) {
  const std::u16string last = u"上次的提示\r\nlast ones\r\n";
  const std::u16string next = std::u16string(100, u'新') + u"\r\n";
  auto fileText = [this] {
    std::ifstream in(folder_ / "prompt.dat", std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
  };
  struct Case {
    const char* what;
    std::function<bool()> arrange;  // false: the case cannot be made here
    std::function<void()> undo;
  };
  rlimit sizeLimit{};
  std::vector<Case> cases = {
      {"folder that is not there",
       [this] {
         app_.SetProgramFolder((folder_ / "gone").string());
         return true;
       },
       [this] { app_.SetProgramFolder(folder_.string()); }},
      {"folder nobody may write to",
       [this] {
         app_.SetProgramFolder("/proc");
         return true;
       },
       [this] { app_.SetProgramFolder(folder_.string()); }},
      {"read-only folder",
       [this] {
         fs::permissions(folder_, fs::perms::owner_read | fs::perms::owner_exec);
         return ::geteuid() != 0;  // the superuser writes anyway
       },
       [this] { fs::permissions(folder_, fs::perms::owner_all); }},
      {"file stopped half-way (file size limit)",
       [&] {
         ::signal(SIGXFSZ, SIG_IGN);
         ::getrlimit(RLIMIT_FSIZE, &sizeLimit);
         rlimit small = sizeLimit;
         small.rlim_cur = 64;
         return ::setrlimit(RLIMIT_FSIZE, &small) == 0;
       },
       [&] {
         ::setrlimit(RLIMIT_FSIZE, &sizeLimit);
         ::signal(SIGXFSZ, SIG_DFL);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(app_.SavePrompts(last));
    const std::string before = fileText();
    ASSERT_EQ(last.size() * 2, before.size());
    if (!c.arrange()) {
      c.undo();
      continue;
    }
    const bool saved = app_.SavePrompts(next);
    c.undo();
    EXPECT_FALSE(saved);
    EXPECT_EQ(before, fileText());
  }
  // A save that succeeds leaves nothing else behind.
  ASSERT_TRUE(app_.SavePrompts(next));
  EXPECT_EQ(next.size() * 2, fileText().size());
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder_)) names.push_back(entry.path().filename().string());
  EXPECT_EQ(std::vector<std::string>{"prompt.dat"}, names);
}

ServiceArea AreaNamed(std::string name) {
  ServiceArea area;
  area.carea = std::move(name);
  return area;
}

TEST_F(AppServicesTest, ServiceKindsAndAreas) {
  CServiceKind dhl("DHL");
  EXPECT_TRUE(dhl.AddArea(AreaNamed(Gbk(u"上海市"))));
  EXPECT_TRUE(dhl.AddArea(AreaNamed(Gbk(u"北京"))));
  EXPECT_FALSE(dhl.AddArea(AreaNamed(Gbk(u"北京"))));
  app_.serviceKinds.push_back(dhl);
  CServiceKind zz(Gbk(u"ZIZ国际"));
  app_.serviceKinds.push_back(zz);

  EXPECT_EQ(&app_.serviceKinds[0], app_.FindServiceKind("dhl"));
  EXPECT_EQ(&app_.serviceKinds[1], app_.FindServiceKind(Gbk(u"ziz国际")));
  EXPECT_EQ(nullptr, app_.FindServiceKind("EMS"));
  EXPECT_EQ(nullptr, app_.GetServiceKind(2));
  EXPECT_EQ(nullptr, app_.GetServiceKind(-1));
  EXPECT_EQ(1, app_.KindServesDestination("DHL", Gbk(u"北京")));
  // Cut after the first marker found, trying the markers in their order.
  EXPECT_EQ(1, app_.KindServesDestination("DHL", Gbk(u"上海市浦东新区")));
  EXPECT_EQ(0, app_.KindServesDestination("DHL", Gbk(u"上海")));
  EXPECT_EQ(0, app_.KindServesDestination("EMS", Gbk(u"北京")));
  EXPECT_EQ(0, app_.KindServesDestination(Gbk(u"ZIZ国际"), Gbk(u"北京")));
}

// A waybill record with the fields the check reads.
WaybillRecord Waybill(std::u16string_view destination, std::u16string_view kind,
                      std::u16string_view goods, int32_t price) {
  WaybillRecord record{};
  char* bytes = reinterpret_cast<char*>(&record);
  std::string d = GbkFromWide(destination), k = GbkFromWide(kind), g = GbkFromWide(goods);
  std::memcpy(bytes + 160, d.data(), d.size());
  std::memcpy(bytes + 80, k.data(), k.size());
  std::memcpy(bytes + 2288, g.data(), g.size());
  std::memcpy(bytes + 16, &price, sizeof price);
  return record;
}

TEST_F(AppServicesTest, RecordCheckTextTakesTheFirstRuleThatApplies) {
  CServiceKind dhl("DHL");
  dhl.AddArea(AreaNamed(Gbk(u"北京")));
  app_.serviceKinds.push_back(dhl);
  AppSettings& s = app_.Settings();
  EXPECT_EQ(u"目的地空", app_.RecordCheckText(Waybill(u"", u"XX", u"", 0)));
  EXPECT_EQ(u"类别错误", app_.RecordCheckText(Waybill(u"东京", u"XX", u"", 0)));
  EXPECT_EQ(u"√", app_.RecordCheckText(Waybill(u"东京", u"dhl", u"", 0)));
  s.checkDestination = 1;
  EXPECT_EQ(u"目的地错", app_.RecordCheckText(Waybill(u"东京", u"DHL", u"", 0)));
  s.checkGoodsName = 1;
  EXPECT_EQ(u"品名为空", app_.RecordCheckText(Waybill(u"北京", u"DHL", u"", 0)));
  s.checkUnitPrice = 1;
  EXPECT_EQ(u"单价错误", app_.RecordCheckText(Waybill(u"北京", u"DHL", u"书", 0)));
  EXPECT_EQ(u"单价错误", app_.RecordCheckText(Waybill(u"北京", u"DHL", u"书", -5)));
  EXPECT_EQ(u"√", app_.RecordCheckText(Waybill(u"北京", u"DHL", u"书", 1)));
}

TEST_F(AppServicesTest, NumberNormalising) {
  EXPECT_EQ(u"ABC12", app_.NormalizeNumber(u"ab c&12"));
  EXPECT_EQ(u"A1", app_.NormalizeNumber(u"'a\"1"));
  EXPECT_EQ(u"", app_.NormalizeNumber(u"单号"));
  app_.keepNumberAsTyped = true;
  EXPECT_EQ(u"ab c&1", app_.NormalizeNumber(u" 'ab c&1\" "));
  app_.keepNumberAsTyped = false;

  std::string out;
  EXPECT_TRUE(app_.CleanScannedNumber(u"  'BR1000'0001\"  ", out));
  EXPECT_EQ("BR10000001", out);
  EXPECT_FALSE(app_.CleanScannedNumber(u" 123456 ", out));
  // 12 bytes or more go through the barcode normaliser (a "%" code gets its
  // check character).
  std::string viaNormaliser = "%ABCDEF123456";
  app_.Barcodes().Normalize(viaNormaliser);
  EXPECT_TRUE(app_.CleanScannedNumber(u"%ABCDEF123456", out));
  EXPECT_EQ(viaNormaliser, out);
}

TEST_F(AppServicesTest, ClipboardList) {
  EXPECT_EQ(0, app_.ReadClipboardList());  // no clipboard at all
  app_.hooks.readClipboardText = [](std::u16string& text) {
    text = u"ab-12 345\nxy7\r\nbr10000001号\n" + std::u16string(31, u'1');
    return true;
  };
  EXPECT_EQ(2, app_.ReadClipboardList());
  EXPECT_EQ((std::vector<std::u16string>{u"AB-12345", u"BR10000001"}), app_.clipboardList);
}

TEST_F(AppServicesTest, NumberListFromFileOrClipboard) {
  std::vector<std::u16string> target{u"KEPT"};
  int32_t expectedKindText = 30002;
  std::u16string offered;
  std::u16string pick;
  app_.hooks.chooseFile = [&](const std::u16string& filter, const std::u16string& initial,
                              std::u16string& chosen) {
    EXPECT_EQ(u"[" + app_.Language().Text(expectedKindText) + u"] (*.txt)|*.txt||", filter);
    offered = initial;
    if (pick.empty()) return false;
    chosen = pick;
    return true;
  };
  EXPECT_EQ(-1, app_.ImportNumberList(target, nullptr, 0));

  // Exactly 1,000,000 bytes are read; one more is refused.
  std::string big = "abcd\r\n";
  big.resize(1000000, '-');
  std::ofstream(folder_ / "big.txt", std::ios::binary) << big;
  pick = WideFromGbk((folder_ / "big.txt").string());
  std::u16string path;
  EXPECT_EQ(2, app_.ImportNumberList(target, &path, 0));
  EXPECT_EQ(u"ABCD", target[1]);
  EXPECT_EQ(pick, path);
  std::ofstream(folder_ / "big.txt", std::ios::binary | std::ios::app) << "x";
  EXPECT_EQ(-3, app_.ImportNumberList(target, nullptr, 0));
  EXPECT_EQ(1u, boxes_.Count());
  pick = WideFromGbk((folder_ / "missing.txt").string());
  EXPECT_EQ(-2, app_.ImportNumberList(target, nullptr, 0));
  EXPECT_EQ(2u, boxes_.Count());

  // UTF-16 with its byte-order mark; lines under 4 characters are dropped.
  std::u16string wide = u"\uFEFFxy12\r\nab\r\n单号BR77\r\n";
  std::string bytes(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
  std::ofstream(folder_ / "wide.txt", std::ios::binary) << bytes;
  pick = WideFromGbk((folder_ / "wide.txt").string());
  target.clear();
  expectedKindText = 30003;
  EXPECT_EQ(2, app_.ImportNumberList(target, nullptr, 1));
  EXPECT_EQ((std::vector<std::u16string>{u"XY12", u"BR77"}), target);

  // UTF-8 with its byte-order mark: a character of three bytes does not take
  // the letter after it along.
  std::ofstream(folder_ / "utf8.txt", std::ios::binary)
      << "\xEF\xBB\xBF" << Utf8FromWide(u"号BR77\r\n单BR10000001\r\nz9\r\n");
  pick = WideFromGbk((folder_ / "utf8.txt").string());
  target.clear();
  EXPECT_EQ(2, app_.ImportNumberList(target, nullptr, 1));
  EXPECT_EQ((std::vector<std::u16string>{u"BR77", u"BR10000001"}), target);

  // The clipboard stands as a file named by the clipboard caption.
  app_.hooks.readClipboardText = [](std::u16string& text) {
    text = u"BR10000001\nBR10000002";
    return true;
  };
  pick = u"/somewhere/" + app_.ClipboardCaption();
  target.assign(1, u"KEPT");
  expectedKindText = 30041;
  EXPECT_EQ(3, app_.ImportNumberList(target, nullptr, 2));
  EXPECT_EQ(app_.ClipboardCaption(), offered);
  EXPECT_EQ(u"BR10000002", target[2]);
}

TEST_F(AppServicesTest, ExtractLineValue) {
  std::string text = "#OFF=1\r\nON=yes\r\nNAME=depot one\nEMPTY=\n";
  EXPECT_EQ("", CBrantleClientApp::ExtractLineValue("OFF=", text, 0, 10));
  EXPECT_EQ("yes", CBrantleClientApp::ExtractLineValue("ON=", text, 1, 3));
  EXPECT_EQ("", CBrantleClientApp::ExtractLineValue("ON=", text, 4, 10));
  EXPECT_EQ("", CBrantleClientApp::ExtractLineValue("ON=", text, 0, 2));
  EXPECT_EQ("depot one", CBrantleClientApp::ExtractLineValue("NAME=", text, 0, 63));
  EXPECT_EQ("", CBrantleClientApp::ExtractLineValue("MISSING=", text, 0, 63));
}

// The local message definitions are read to at most 65,534 bytes: a UTF-16
// text always ends on a whole unit, with its two-byte terminator.
TEST_F(AppServicesTest, MessageDefinitionsAreReadInWholeUnits) {
  fs::create_directories(folder_ / "DATA_SYS");
  std::string text = "\xFF\xFE";
  while (text.size() < 70000) text += std::string("a\0", 2);
  std::ofstream(folder_ / "DATA_SYS" / "WeChat_Mess.txt", std::ios::binary) << text;
  app_.LoadWeChatTemplates();  // no server: the local copy is read
  EXPECT_EQ(65534u, app_.WeChatMessages().LoadedBytes());
  EXPECT_EQ(0, app_.WeChatMessages().Enabled());

  // A short file is read whole; a missing one is skipped.
  const std::string definitions =
      "appid=wx1\r\nsecret=s\r\n<MESS_DEFINE><NAME>" + GbkFromWide(u"客户通知") +
      "</NAME><TEMP_ID>TEMPLATE-0000001</TEMP_ID><MODEL>{{first.DATA}} notice</MODEL>"
      "<PARAM>first=Hello</PARAM></MESS_DEFINE>";
  std::ofstream(folder_ / "DATA_SYS" / "WeChat_Mess.txt", std::ios::binary | std::ios::trunc) << definitions;
  app_.LoadWeChatTemplates();
  EXPECT_EQ(definitions.size(), app_.WeChatMessages().LoadedBytes());
  EXPECT_NE(nullptr, app_.WeChatMessages().FindDefinition(kCustomerNoticeKind));
  fs::remove(folder_ / "DATA_SYS" / "WeChat_Mess.txt");
  app_.LoadWeChatTemplates();
  EXPECT_EQ(definitions.size(), app_.WeChatMessages().LoadedBytes());
  EXPECT_NE(nullptr, app_.WeChatMessages().FindDefinition(kCustomerNoticeKind));
}

TEST_F(AppServicesTest, LookUpsOfCurrenciesControlCodesAndStaff) {
  ASSERT_NE(nullptr, app_.FindCurrency("USD"));
  EXPECT_EQ(nullptr, app_.FindCurrency("usd"));
  EXPECT_DOUBLE_EQ(1.0, app_.CurrencyRate("XXQ", 0));
  app_.Currencies().Find("USD")->rate = 7.5;
  EXPECT_DOUBLE_EQ(7.5, app_.CurrencyRate("USD", 0));
  EXPECT_DOUBLE_EQ(app_.FindCurrency("USD")->defaultRate, app_.CurrencyRate("USD", 1));

  app_.controlCodes = {u"AB100", u"AC200"};
  EXPECT_EQ(u"AC200", app_.MatchControlCode(u"AC"));
  EXPECT_EQ(u"ac", app_.MatchControlCode(u"ac"));
  EXPECT_EQ(u"AB100X", app_.MatchControlCode(u"AB100X"));

  auto staff = [](std::string name, std::string account, std::string messengerId) {
    StaffEntry entry;
    entry.mcname = std::move(name);
    entry.mcaccount = std::move(account);
    entry.cmsn = std::move(messengerId);
    return entry;
  };
  app_.staff = {staff(Gbk(u"张三"), "zhang", "wx-1"), staff(Gbk(u"李四"), "li", "wx-2")};
  std::string out = "old";
  EXPECT_EQ(1, app_.GetStaffMessageId(u"李四", out, 0));
  EXPECT_EQ("wx-2", out);
  EXPECT_EQ(1, app_.GetStaffMessageId(u"zhang", out, 1));
  EXPECT_EQ("wx-1", out);
  EXPECT_EQ(0, app_.GetStaffMessageId(u"zhang", out, 0));
  EXPECT_EQ("", out);
  EXPECT_EQ(1, app_.GetStaffAccount(u"张三", out));
  EXPECT_EQ("zhang", out);
  EXPECT_EQ(0, app_.GetStaffAccount(u"Zhang", out));
}

TEST_F(AppServicesTest, EditPeriodBoundary) {
  using namespace std::chrono;
  auto now = floor<seconds>(system_clock::now());
  EXPECT_TRUE(app_.IsWithinEditPeriod(now - hours(24 * 60), now));
  EXPECT_FALSE(app_.IsWithinEditPeriod(now - hours(24 * 60) - seconds(1), now));
  EXPECT_TRUE(app_.IsWithinEditPeriod(now + hours(1), now));
}

TEST_F(AppServicesTest, WebContextAndSmallServices) {
  ASSERT_EQ(1, app_.AllocWebBuffer());
  char* buffer = app_.WebBuffer();
  EXPECT_EQ(1, app_.AllocWebBuffer());
  EXPECT_EQ(buffer, app_.WebBuffer());
  HttpRequest& request = *app_.WebRequest();
  EXPECT_EQ(80, request.port);
  EXPECT_EQ(8096000, request.responseCapacity);
  EXPECT_EQ(600000, request.receiveTimeoutMs);
  ASSERT_NE(nullptr, request.cookieJar);
  *request.cookieJar = "a=1";
  request.host = "example.test";
  app_.ResetWebContext(buffer, 1, 0, 8080, 1);
  EXPECT_EQ("a=1", *request.cookieJar);
  EXPECT_EQ("example.test", request.host);
  EXPECT_EQ(1, request.post);
  EXPECT_EQ(8080, request.port);
  app_.ResetWebContext(buffer, 0, 0, 80, 0);
  EXPECT_EQ("", *request.cookieJar);
  EXPECT_EQ("", request.host);

  EXPECT_EQ(u"", CBrantleClientApp::ExternalTextStub(u"anything"));
  EXPECT_NEAR(22.046226, KilogramsToPounds(10), 1e-6);
  EXPECT_EQ(0, app_.CopyToClipboard(u"x"));
  app_.hooks.setClipboardText = [](const std::u16string& t) { return t == u"x" ? 1 : 0; };
  EXPECT_EQ(1, app_.CopyToClipboard(u"x"));
  EXPECT_FALSE(app_.GetDesktopPath().empty());
}

}  // namespace
