#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <random>

namespace {

TEST(CodePage, everyByteUpTo0x80_mapsToTheSameCodeAndBack) {
  for (int b = 0x01; b <= 0x80; ++b) {
    const std::string one(1, static_cast<char>(b));
    const std::u16string wide = cp950::ToWide(one);
    ASSERT_EQ(wide.size(), 1u) << b;
    EXPECT_EQ(wide[0], static_cast<char16_t>(b)) << b;
    EXPECT_EQ(cp950::FromWide(wide), one) << b;
  }
}

TEST(CodePage, windowTexts_roundTripAsBig5Characters) {
  struct Case {
    const char *big5;
    const char16_t *unicode;
  } cases[] = {
      {"卡片儲值", u"卡片儲值"},
      {"找不到卡機！", u"找不到卡機！"},
      {"日期檢查成功", u"日期檢查成功"},  // 功 is a5 5c: a trail byte that is a backslash
      {"卡片密碼錯誤，請勿再試以免卡片毀損！", u"卡片密碼錯誤，請勿再試以免卡片毀損！"},
      {"無儲值資料..!", u"無儲值資料..!"},
      {"細明體", u"細明體"},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(cp950::ToWide(c.big5), c.unicode) << c.big5;
    EXPECT_EQ(cp950::FromWide(c.unicode), c.big5) << c.big5;
  }
}

TEST(CodePage, anyByteString_comesBackByteForByte) {
  const std::string fixed[] = {
      std::string("\x81", 1),         // lead byte at the end
      std::string("\xa4\x0a", 2),     // lead byte followed by a control character
      std::string("\xff\xfe\x80", 3), std::string("\0\x01\x13\x60\x80", 5),
      std::string("\xc9\x4a\xa4\x61", 4),  // a character that Big5 holds twice
  };
  for (const std::string &bytes : fixed) EXPECT_EQ(cp950::FromWide(cp950::ToWide(bytes)), bytes);
  std::mt19937 rng(950);
  for (int n = 0; n < 2000; ++n) {
    std::string bytes(rng() % 40, '\0');
    for (char &c : bytes) c = static_cast<char>(rng());
    ASSERT_EQ(cp950::FromWide(cp950::ToWide(bytes)), bytes) << n;
  }
}

TEST(CodePage, characterWithoutBig5Form_becomesQuestionMark) {
  EXPECT_EQ(cp950::FromWide(u"a\u00e9b\U0001F600"), "a?b??");
}

TEST(CodePage, screenForm_showsControlCharactersOnOneLine) {
  EXPECT_EQ(cp950::ToScreen(std::string("a\tb\nc\rd\x01\x13", 9)), u"a\u2409b\u240ac\u240dd\u2401\u2413");
  EXPECT_EQ(cp950::ToScreen("\x80"), u"<80>");
  EXPECT_EQ(cp950::ToScreen("\xff"), u"<FF>");
  EXPECT_EQ(cp950::ToScreen("卡號"), u"卡號");
}

}  // namespace
