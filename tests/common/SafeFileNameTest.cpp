#include "common/SafeFileName.h"

#include <gtest/gtest.h>

#include "common/TextCodec.h"

namespace {

struct Case {
  std::u16string in;
  std::u16string out;
};

// One table for both forms: the GBK form must give the GBK of the wide one.
const Case kCases[] = {
    {u"EA123456789CN", u"EA123456789CN"},
    {u"", u"_"},
    {u"../etc/passwd", u"___etc_passwd"},
    {u"..", u"__"},
    {u".hidden", u"_hidden"},
    {u"a/b\\c", u"a_b_c"},
    {u"A:B*C?D\"E<F>G|H%I&J", u"A_B_C_D_E_F_G_H_I_J"},
    {u"tab\tnew\nline\r", u"tab_new_line_"},
    {u"12.5kg", u"12.5kg"},
    {u"v1..2", u"v1..2"},  // dots inside a name are harmless
    {u"默认面单", u"默认面单"},
    {u"/默认", u"_默认"},
};

TEST(SafeFileNameTest, TableOfNames) {
  for (const Case& c : kCases) {
    EXPECT_EQ(SafeFileNameW(c.in), c.out) << Utf8FromWide(c.in);
    EXPECT_EQ(SafeFileName(GbkFromWide(c.in)), GbkFromWide(c.out)) << Utf8FromWide(c.in);
  }
}

// GBK double-byte characters whose second byte is "\" (0x5C) or "|" (0x7C)
// stay whole; a lone lead byte at the end is not one of them.
TEST(SafeFileNameTest, GbkTrailBytesAreNotSeparators) {
  std::string withBackslash = GbkFromWide(u"运单号");  // 运 is D4 CB, 单 B5 A5, 号 BA C5
  std::string kanjiTrail5C = "\x81\x5C";             // a double-byte character ending in 0x5C
  std::string kanjiTrail7C = "\xB1\x7C";
  EXPECT_EQ(SafeFileName(withBackslash), withBackslash);
  EXPECT_EQ(SafeFileName(kanjiTrail5C + "/x"), kanjiTrail5C + "_x");
  EXPECT_EQ(SafeFileName("a" + kanjiTrail7C + "|"), "a" + kanjiTrail7C + "_");
  EXPECT_EQ(SafeFileName(std::string("x\\\x81")), std::string("x_\x81"));
}

}  // namespace
