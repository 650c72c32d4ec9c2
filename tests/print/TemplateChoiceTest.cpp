#include "print/TemplateChoice.h"

#include <gtest/gtest.h>

#include "common/TextCodec.h"

namespace {

TEST(TemplateChoiceTest, ListsTheNamesOfTheSlotsKind) {
  std::string sent;
  std::string answer = "{\"ReturnValue\":1,\"iTotal\":3,\"List\":[{\"0\":\"\\u9ed8\\u8ba4\\u6807\\u7b7e\"},"
                       "{\"0\":\"\"},{\"0\":\"6x1\"}]}";
  SqlRunner run = [&](std::string_view sql, std::span<const uint32_t> types, std::string& reply) {
    sent.assign(sql);
    EXPECT_EQ(types.size(), 1u);
    reply = answer;
    return static_cast<int>(reply.size());
  };
  std::vector<std::u16string> names = ListTemplateNames(run, 2);
  EXPECT_EQ(sent, GbkFromWide(u"SELECT cname FROM brantle.dbo.sys_model WHERE ckind='快件标签' ORDER BY cname"));
  EXPECT_EQ(names, (std::vector<std::u16string>{u"默认标签", u"6x1"}));

  answer = "{\"ReturnValue\":-406}";
  EXPECT_TRUE(ListTemplateNames(run, 1).empty());
  EXPECT_TRUE(ListTemplateNames(run, 3).empty());  // no such slot: nothing sent
}

TEST(TemplateChoiceTest, MenuCommandsChooseTheirSlot) {
  EXPECT_EQ(TemplateSlotOfCommand(32813), 2);
  EXPECT_EQ(TemplateSlotOfCommand(32815), 1);
  EXPECT_EQ(TemplateSlotOfCommand(32814), 0);
  EXPECT_EQ(TemplateSlotOfCommand(32817), -1);
}

}  // namespace
