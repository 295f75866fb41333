#include "platform/sysutils.h"

#include <gtest/gtest.h>

namespace {

TEST(SysUtils, wholeNumberConversion_fallsBackOnAnythingButADecimalNumber) {
  const struct {
    const char *text;
    int32_t expected;
  } cases[] = {
      {"0001200", 1200}, {"  42", 42},  {"-7", -7},        {"+7", 7},
      {"", 0},           {" ", 0},      {"12a", 0},        {"a12", 0},
      {"42 ", 0},        {"\t42", 0},   {"2147483647", 2147483647},
      {"2147483648", 0}, {"-2147483648", -2147483647 - 1}, {"-2147483649", 0},
      {"   500", 500},   {"0x10", 0},
  };
  for (const auto &c : cases) EXPECT_EQ(vcl::StrToIntDef(c.text, 0), c.expected) << '"' << c.text << '"';
}

TEST(SysUtils, strictConversion_raisesWithTheText) {
  try {
    vcl::StrToInt("X");
    FAIL();
  } catch (const vcl::EConvertError &e) {
    EXPECT_EQ(e.Message(), "'X' is not a valid integer value");
  }
  EXPECT_THROW(vcl::StrToInt(""), vcl::EConvertError);
}

TEST(SysUtils, trim_removesCodes32AndBelowAtBothEnds) {
  EXPECT_EQ(vcl::Trim(std::string(" \t\x01" "A 1\x1f\n ", 9)), "A 1");
  EXPECT_EQ(vcl::Trim("   "), "");
  EXPECT_EQ(vcl::Trim("卡號"), "卡號");
}

TEST(SysUtils, fullStop_isAddedWhenTheLastCharacterSortsAfterIt) {
  EXPECT_EQ(vcl::WithFullStop("'x' is not a valid integer value"), "'x' is not a valid integer value.");
  EXPECT_EQ(vcl::WithFullStop("done."), "done.");
  EXPECT_EQ(vcl::WithFullStop("done!"), "done!");
  EXPECT_EQ(vcl::WithFullStop(""), "");
  EXPECT_EQ(vcl::WithFullStop("找不到卡機"), "找不到卡機.");
}

TEST(SysUtils, firstArgument_blanksSeparateAndQuotesJoin) {
  const struct {
    const char *line;
    const char *first;
  } cases[] = {
      {"coinloft", ""},
      {"coinloft A123", "A123"},
      {"coinloft   A123   B", "A123"},
      {"coinloft \"A 1\"23 B", "A 123"},
      {"coinloft \"\" B", ""},
      {"coinloft 123456789012345678901234", "123456789012345678901234"},
  };
  for (const auto &c : cases) EXPECT_EQ(vcl::ParamStr(c.line, 1), c.first) << c.line;
  // argv as the shell split it, back into the line the program reads.
  EXPECT_EQ(vcl::ParamStr(vcl::JoinCommandLine({"coinloft", "A 1", "B"}), 1), "A 1");
  EXPECT_EQ(vcl::ParamStr(vcl::JoinCommandLine({"coinloft", "", "B"}), 2), "B");
}

TEST(SysUtils, dateTimePattern_givesFourteenDigits) {
  std::tm tm{};
  tm.tm_year = 2026 - 1900;
  tm.tm_mon = 0;
  tm.tm_mday = 5;
  tm.tm_hour = 9;
  tm.tm_min = 7;
  tm.tm_sec = 3;
  tm.tm_isdst = -1;
  EXPECT_EQ(vcl::FormatDateTime("yyyymmddhhnnss", std::mktime(&tm)), "20260105090703");
  EXPECT_EQ(vcl::FormatDateTime("hh:mm", std::mktime(&tm)), "09:07");
}

TEST(SysUtils, numberPatterns) {
  EXPECT_EQ(vcl::Format("%7.0f", 0.0), "      0");
  EXPECT_EQ(vcl::Format("%7.0f", 500.0), "    500");
  EXPECT_EQ(vcl::Format("%7.0f", 12345678.0), "12345678");
  EXPECT_EQ(vcl::Format("%.7d", 1700), "0001700");
}

}  // namespace
