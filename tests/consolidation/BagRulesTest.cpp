// The bag rules of "Bag_Fill.txt" and the reference masks of
// "Awb_Packing.txt": one table of rule files and the codes each accepts or
// refuses.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/TextCodec.h"
#include "consolidation/BagRules.h"

namespace {

std::string G(std::u16string_view text) { return GbkFromWide(text); }

const char16_t kDefinitions[] =
    u"判断袋号建袋=1\r\n"
    u"<装袋定义开始>\r\n"
    u"B1,12,PEK,JFK,SZ,BJ,SK1,共享,普货,标,托运,备注,s1,s2,s3,s4,s5\r\n"
    u"########BB##,12,CAN,,,,,站内,,,,,,,,,,3\r\n"
    u"C1,10,,,,,,独占,,,,,,,,\r\n"                       // 16 fields: skipped
    u",10,,,,,,,,,,,,,,,\r\n"                             // empty prefix: skipped
    u"C1234567890123456,20,,,,,,,,,,,,,,,\r\n"            // 16-byte prefix: skipped
    u"C2,6,,,,,,,,,,,,,,,\r\n"                            // length 6: skipped
    u"C3,31,,,,,,,,,,,,,,,\r\n"                           // length 31: skipped
    u"D9,9,,,,,,,,,,,,,,,\r\n"
    u"<装袋定义结束>\r\n";

struct FindCase {
  const char* code;
  const char* prefixFound;  // nullptr: none
};

TEST(BagRules, DefinitionsAreFoundByPrefixOrWholeNumberMask) {
  CBagRuleSet rules;
  rules.Parse(G(kDefinitions));
  ASSERT_TRUE(rules.sectionPresent);
  EXPECT_TRUE(rules.createByNumber);
  ASSERT_EQ(3u, rules.definitions.size());
  const FindCase cases[] = {
      {"B10000000001", "B1"},            // 12 bytes
      {"B1000000001", nullptr},          // 11 bytes
      {"b10000000001", nullptr},         // the prefix is case-sensitive
      {"12345678BB90", "########BB##"},  // the whole-number mask
      {"12345678bb90", nullptr},
      {"D12345678", nullptr},            // 9 bytes, prefix D9 does not fit
      {"D92345678", "D9"},
      {"B1", nullptr},                   // under 7 bytes
  };
  for (const FindCase& c : cases) {
    SCOPED_TRACE(c.code);
    const BagDefinition* d = rules.FindDefinition(c.code);
    if (c.prefixFound == nullptr) {
      EXPECT_EQ(nullptr, d);
    } else {
      ASSERT_NE(nullptr, d);
      EXPECT_EQ(c.prefixFound, d->prefix);
      EXPECT_EQ(d, rules.FindDefinitionForNewBag(c.code));
    }
  }
  const BagDefinition& b1 = *rules.definitions[0];
  EXPECT_EQ(kBagShareShared, b1.shareMode);
  EXPECT_EQ(0, b1.checkColumn);
  EXPECT_EQ("PEK", b1.departureAirport);
  EXPECT_EQ("JFK", b1.destinationAirport);
  EXPECT_EQ("SZ", b1.departureStation);
  EXPECT_EQ("BJ", b1.destinationStation);
  EXPECT_EQ("SK1", b1.specialNumber);
  EXPECT_EQ(G(u"普货"), b1.bagType);
  EXPECT_EQ(G(u"标"), b1.label);
  EXPECT_EQ(G(u"托运"), b1.consignmentNote);
  EXPECT_EQ(G(u"备注"), b1.operationMemo);
  // The carriage return stays at the end of the line's last field.
  EXPECT_EQ((std::array<std::string, 5>{"s1", "s2", "s3", "s4", "s5\r"}), b1.spares);
  EXPECT_EQ(kBagShareStation, rules.definitions[1]->shareMode);
  EXPECT_EQ(3, rules.definitions[1]->checkColumn);
  EXPECT_EQ(kBagShareExclusive, rules.definitions[2]->shareMode);
}

TEST(BagRules, CreationByNumberAndTheSectionMarkers) {
  struct Case {
    std::u16string text;
    bool section;
    size_t definitions;
    bool create;
    size_t specialMasks;
  } cases[] = {
      // Creation off with the key 0 or without it.
      {u"判断袋号建袋=0\n<装袋定义开始>\nB1,12,,,,,,,,,,,,,,,\n<装袋定义结束>", true, 1, false, 0},
      {u"<装袋定义开始>\nB1,12,,,,,,,,,,,,,,,\n<装袋定义结束>", true, 1, false, 0},
      // No end marker: no definitions, the masks and the switch all the same.
      {u"特控号掩码=AB##\n判断袋号建袋=1\n<装袋定义开始>\nB1,12,,,,,,,,,,,,,,,\n", false, 0, true, 1},
      // No start marker: nothing at all.
      {u"特控号掩码=AB##\n判断袋号建袋=1\nB1,12,,,,,,,,,,,,,,,\n", false, 0, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(G(c.text));
    CBagRuleSet rules;
    rules.Parse(G(c.text));
    EXPECT_EQ(c.section, rules.sectionPresent);
    EXPECT_EQ(c.definitions, rules.definitions.size());
    EXPECT_EQ(c.create, rules.createByNumber);
    EXPECT_EQ(c.specialMasks, rules.masks[0].size());
    EXPECT_EQ(nullptr, rules.FindDefinitionForNewBag(c.create ? "X10000000001" : "B10000000001"));
  }
}

TEST(BagRules, MaskGroupsAndClassification) {
  const std::u16string text =
      u"特控号掩码=AB##########, X,ABCDEFGHIJKLMNOPQRSTUVWXYZ01234\r\n"
      u"备1掩码=P1######,abc\r\n"
      u"备2掩码=@@##\r\n"
      u"备3掩码=1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27,28,29,3000,3001,3002,3003,3004,3005,3006,3007,3008,3009,3010,3011\r\n"
      u"备4掩码=*##*\r\n"
      u"<装袋定义开始>\r\n<装袋定义结束>\r\n";
  CBagRuleSet rules;
  rules.Parse(G(text));
  // " X" (with its blank) is too short and the 31-byte part too long.
  EXPECT_EQ(std::vector<std::string>{"AB##########"}, rules.masks[0]);
  EXPECT_EQ(std::vector<std::string>{"P1######"}, rules.masks[1]);
  EXPECT_EQ(10u, rules.masks[3].size());
  EXPECT_EQ("3000", rules.masks[3][0]);
  EXPECT_EQ("3009", rules.masks[3][9]);
  struct Case {
    const char* code;
    int group;
  } cases[] = {
      {"AB1234567890", 0}, {"ab1234567890", -1}, {"P1123456", 1}, {"zz12", 2},
      {"3005", 3},         {"3010", 4},          // beyond the 10 slots of group 3; fits *##*
      {"X12X", 4},         {"abc", -1},           {"AB1", -1},   // under 4 bytes
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(c.group, rules.ClassifyCode(c.code));
  }
}

TEST(BagRules, LongFieldsAreCutOnAWholeCharacter) {
  // A departure airport of 70 bytes: 63 bytes kept, and a double-byte
  // character at the boundary is not split.
  const std::u16string airport = std::u16string(62, u'A') + u"机场机场";
  const std::u16string text = u"<装袋定义开始>\nB1,12," + airport + u",,,,,,,,,,,,,,\n<装袋定义结束>";
  CBagRuleSet rules;
  rules.Parse(G(text));
  ASSERT_EQ(1u, rules.definitions.size());
  EXPECT_EQ(std::string(62, 'A'), rules.definitions[0]->departureAirport);
  // A file far beyond 16,382 bytes is read to its end.
  std::string big = G(u"<装袋定义开始>\n");
  big += std::string(20000, ' ');
  big += "B1,12,,,,,,,,,,,,,,,\n" + G(u"<装袋定义结束>") + "\n" + G(u"备1掩码=P1######") + "\n";
  rules.Parse(big);
  EXPECT_EQ(1u, rules.definitions.size());
  EXPECT_EQ(std::vector<std::string>{"P1######"}, rules.masks[1]);
}

TEST(BagRules, ReferenceMasksUpperCaseTheScanOnly) {
  const BagMaskGroup masks =
      ParseReferenceMasks(G(u"# x\r\nA=1 参考号掩码=\u3000RF########,rf########,@@#\u3000\r\n参考号掩码=ZZ####\r\n"));
  ASSERT_EQ((BagMaskGroup{"RF########", "rf########"}), masks);
  EXPECT_TRUE(MatchReferenceMasks(masks, "rf12345678"));
  EXPECT_TRUE(MatchReferenceMasks(masks, "RF12345678"));
  EXPECT_FALSE(MatchReferenceMasks(masks, "RF1234567"));
  EXPECT_FALSE(MatchReferenceMasks(masks, "ZZ1234"));
  EXPECT_FALSE(MatchReferenceMasks(BagMaskGroup{"rf########"}, "rf12345678"));
  EXPECT_TRUE(ParseReferenceMasks("nothing here").empty());
}

}  // namespace
