// The courier message definitions file, OpenIDs, the fields text and the
// call that queues a notice.
#include <gtest/gtest.h>

#include <string>

#include "common/TextCodec.h"
#include "shell/CourierMessages.h"

namespace {

std::string G(std::u16string_view text) { return GbkFromWide(text); }

std::string Block(std::u16string_view name, std::string_view templateId, std::string_view model,
                  std::string_view params, std::string_view url = "") {
  std::string b = "<MESS_DEFINE>\r\n<NAME>" + G(name) + "</NAME>\r\n<TEMP_ID>" + std::string(templateId) +
                  "</TEMP_ID>\r\n";
  if (!url.empty()) b += "<URL>" + std::string(url) + "</URL>\r\n";
  b += "<MODEL>" + std::string(model) + "</MODEL>\r\n<PARAM>\r\n" + std::string(params) +
       "</PARAM>\r\n</MESS_DEFINE>\r\n";
  return b;
}

const std::string kSettings = "appid=wx1\r\nsecret=topsecret\r\n" + G(u"OpenID前缀=") + "oAB\r\n";
const std::string kModel = "{{first.DATA}} model text";

}  // namespace

TEST(CourierMessages, DefinitionsNeedAnAppIdAndASecret) {
  CWeChatMessages m;
  const std::string block = Block(u"客户通知", "TEMPLATE-00000001", kModel, "first=Hello\r\n");
  EXPECT_EQ(m.LoadConfig("secret=x\r\n" + block), 0);
  EXPECT_TRUE(m.Definitions().empty()) << "no appid: no definitions even with blocks";
  EXPECT_EQ(m.LoadConfig("appid=wx1\r\n" + block), 0);
  EXPECT_EQ(m.LoadConfig(kSettings + block), 1);
  ASSERT_EQ(m.Definitions().size(), 1u);
  EXPECT_EQ(m.AppId(), "wx1");
  EXPECT_EQ(m.OpenIdPrefix(), "oAB");
}

TEST(CourierMessages, BlocksAndParameters) {
  CWeChatMessages m;
  const std::string text =
      kSettings + G(u"服务器=api.example\r\n端口=443\r\n是SSL=1\r\n接口=/send\r\n") +
      Block(u"客户通知", "TEMPLATE-00000001", "\r\n\t " + kModel + G(u"\u3000") + " \r\n",
            "first=Hello#FF0000\r\n  second=Code#12\r\nnoequals\r\n<b>third</b>=x#aBcDeF\r\n"
            "sixteen-bytes-nm=x\r\n",
            "https://depot.example/t") +
      Block(u"客户通知", "TEMPLATE-00000002", kModel, "first=second definition\r\n") +
      Block(u"发送通知", "TEMPLATE-00000003", "123456789", "first=short model\r\n") +
      Block(u"签收通知", "SHORT-ID", kModel, "first=short template id\r\n") +
      Block(u"没有的通知", "TEMPLATE-00000004", kModel, "first=unknown name\r\n") +
      Block(u"异常通知", "TEMPLATE-00000005", kModel, "no parameter here\r\n") +
      "<MESS_DEFINE><NAME>" + G(u"派件通知") + "</NAME><TEMP_ID>TEMPLATE-00000006</TEMP_ID>"
      "<MODEL>" + kModel + "</MODEL></MESS_DEFINE>" +
      Block(u"预录取件调度", "TEMPLATE-00000015", kModel, "first=x\r\n", "short") +
      "<MESS_DEFINE><NAME>" + G(u"关注成功") + "</NAME>";
  EXPECT_EQ(m.LoadConfig(text), 1);
  EXPECT_EQ(m.ServerName(), "api.example");
  EXPECT_EQ(m.Port(), 443);
  EXPECT_EQ(m.Tls(), 1);
  EXPECT_EQ(m.InterfacePath(), "/send");
  ASSERT_EQ(m.Definitions().size(), 3u);
  const CWeChatMessageDef* notice = m.FindDefinition(kCustomerNoticeKind);
  ASSERT_NE(notice, nullptr);
  EXPECT_EQ(notice->templateId, "TEMPLATE-00000001") << "the first of two blocks of one kind";
  EXPECT_EQ(notice->url, "https://depot.example/t");
  EXPECT_EQ(notice->model, kModel) << "trimmed, the full-width blank too";
  ASSERT_EQ(notice->params.size(), 3u);
  EXPECT_EQ(notice->params[0].value, "Hello");
  EXPECT_EQ(notice->params[0].colour, "#FF0000");
  EXPECT_EQ(notice->params[1].name, "second");
  EXPECT_EQ(notice->params[1].value, "Code#12");
  EXPECT_EQ(notice->params[1].colour, "");
  EXPECT_EQ(notice->params[2].name, "third") << "markup removed";
  EXPECT_EQ(notice->params[2].colour, "#aBcDeF");
  EXPECT_EQ(m.FindDefinition(1), nullptr) << "a model of 9 bytes";
  EXPECT_EQ(m.FindDefinition(2), nullptr) << "a template id under 15 bytes";
  EXPECT_EQ(m.FindDefinition(3), nullptr) << "no parameter";
  EXPECT_EQ(m.FindDefinition(16), nullptr) << "no PARAM section";
  const CWeChatMessageDef* dispatch = m.FindDefinition(kPickupDispatchKind);
  ASSERT_NE(dispatch, nullptr);
  EXPECT_EQ(dispatch->url, "") << "a URL under 10 bytes is left empty";
}

TEST(CourierMessages, Utf16FileWithItsByteOrderMark) {
  const std::u16string wide = u"appid=wx1\r\nsecret=s\r\n<MESS_DEFINE><NAME>客户通知</NAME>"
                              u"<TEMP_ID>TEMPLATE-00000001</TEMP_ID><MODEL>{{a}} 模板内容 €</MODEL>"
                              u"<PARAM>first=你好#00FF00\r\n</PARAM></MESS_DEFINE>";
  std::string bytes = "\xFF\xFE";
  for (char16_t c : wide) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  CWeChatMessages m;
  EXPECT_EQ(m.LoadConfig(bytes), 1);
  const CWeChatMessageDef* d = m.FindDefinition(kCustomerNoticeKind);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->model, G(u"{{a}} 模板内容 &#8364;")) << "a character GBK lacks as a reference";
  EXPECT_EQ(d->params[0].value, G(u"你好"));
  EXPECT_EQ(d->params[0].colour, "#00FF00");
}

TEST(CourierMessages, OpenIds) {
  CWeChatMessages m;
  m.LoadConfig(kSettings);
  EXPECT_EQ(m.IsValidOpenId("oAB" + std::string(25, 'x')), 1);
  EXPECT_EQ(m.IsValidOpenId("oAB" + std::string(24, 'x')), 0) << "27 characters";
  EXPECT_EQ(m.IsValidOpenId("oAB" + std::string(26, 'x')), 0) << "29 characters";
  EXPECT_EQ(m.IsValidOpenId("oAC" + std::string(25, 'x')), 0) << "another prefix";
  m.LoadConfig("appid=wx1\r\nsecret=s\r\n");
  EXPECT_EQ(m.IsValidOpenId("zz" + std::string(26, 'x')), 1) << "no prefix set";
}

TEST(CourierMessages, FieldsTextAndTheQueueingCall) {
  std::string fields;
  AppendCourierField(fields, std::u16string_view(u"a|b\r\nc"));
  AppendCourierField(fields, std::u16string_view(u"中文字"), 5);  // 6 bytes cut on a whole character
  AppendCourierField(fields, std::string_view("O'Neil"));
  EXPECT_EQ(fields, "abc|" + G(u"中文") + "|O'Neil|");
  CourierMessage m;
  m.customerId = 2;
  m.kind = kCustomerNoticeKind;
  m.sender = G(u"管理员");
  m.openId = "oAB'x";
  m.fields = fields;
  m.url = "https://x/?a='1'";
  EXPECT_EQ(CourierMessageSql(m), "{?=CALL brantle.dbo.cp_wc_mess_set(2,0,9,'" + G(u"管理员") +
                                      "','oAB''x','abc|" + G(u"中文") +
                                      "|O''Neil|','https://x/?a=''1''')}");
}
