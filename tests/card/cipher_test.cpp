#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "app/FormCoinloft.h"
#include "card/cipher.h"
#include "card/record.h"
#include "platform/sysutils.h"

namespace {

class Cipher : public ::testing::Test {
 protected:
  void SetUp() override { card::FillKeyTable(KeyTable); }
};

bool InStoredRange(unsigned char c) { return (c >= 1 && c <= 19) || (c >= 96 && c <= 128); }

// A stamp whose character 14 (the offset digit) is d.
std::string StampWithOffsetDigit(std::mt19937 &rng, int d) {
  std::string stamp = "2026";
  for (int i = 0; i < 9; ++i) stamp += static_cast<char>('0' + rng() % 10);
  return stamp + static_cast<char>('0' + d);
}

TEST_F(Cipher, everyAmountAtEveryOffsetAndDigit_decodesToItsSevenDigits) {
  std::mt19937 rng(20261211);
  std::vector<int32_t> amounts = {0, 1, 9999999, 1234567, 5000000};
  for (int i = 0; i < 300; ++i) amounts.push_back(static_cast<int32_t>(rng() % 10000000));
  for (int offset : {1, 3, 5, 6, 7, 8}) {
    for (int digit = 0; digit <= 9; ++digit) {
      const std::string stamp = StampWithOffsetDigit(rng, digit);
      for (int32_t amount : amounts) {
        const std::string group = TFormCoinloft::Amt_Chg_Pass(amount, offset, stamp);
        ASSERT_EQ(group.size(), 7u);
        for (unsigned char c : group) ASSERT_TRUE(InStoredRange(c)) << amount << " " << offset << " " << stamp;
        ASSERT_EQ(TFormCoinloft::Amt_Rtn_Pass(group, offset, stamp), vcl::Format("%07d", amount))
            << amount << " " << offset << " " << stamp;
      }
    }
  }
}

TEST_F(Cipher, sumsAt128StayAndAbove128WrapToLowCodes) {
  // Stamp "00000000000000": every key window character is '0', so row 0
  // "R2B7Q5X" keys plain character i with row character 8 - i.
  const std::string stamp(14, '0');
  // Plain '9' (57) + 'X' (88) = 145 -> 17; plain '0' (48) + 'R' (82) = 130 -> 2.
  EXPECT_EQ(TFormCoinloft::Amt_Chg_Pass(9000000, 1, stamp)[0], 17);
  EXPECT_EQ(TFormCoinloft::Amt_Chg_Pass(0, 1, stamp)[6], 2);
  // '0' (48) + '5' (53) = 101 stays; and the decoder lifts 19 but not 20.
  EXPECT_EQ(TFormCoinloft::Amt_Chg_Pass(0, 1, stamp)[1], 101);
  std::string group = TFormCoinloft::Amt_Chg_Pass(0, 1, stamp);
  group[0] = 19;  // 19 + 128 - 'X' = 59 ';'
  EXPECT_EQ(TFormCoinloft::Amt_Rtn_Pass(group, 1, stamp)[0], ';');
  group[0] = 20;  // 20 - 'X' wraps to 188
  EXPECT_EQ(static_cast<unsigned char>(TFormCoinloft::Amt_Rtn_Pass(group, 1, stamp)[0]), 188);
  // Exactly 128: plain '8' (56) + 'H' (72) with row 1 "H4N9V3P" at position 7.
  const std::string ones = "11111111111111";
  EXPECT_EQ(static_cast<unsigned char>(TFormCoinloft::Amt_Chg_Pass(8, 1, ones)[6]), 128);
  // 129 wraps to 1: plain '9' (57) + 'H' (72).
  EXPECT_EQ(TFormCoinloft::Amt_Chg_Pass(9, 1, ones)[6], 1);
}

TEST_F(Cipher, keyWindow_coversPositions1To7Through17To23) {
  // Digits 5..14 of the stamp are "0123456789" with offset digit 9 at the end.
  const std::string stamp = "20260123456789";
  // Offset 8 + digit 9 = position 17 of "012345678901234567890123456789": "6789012".
  // Plain digits all '0': the group is '0' + row[r] character 8 - i for r = 6,7,8,9,0,1,2.
  const char *rows[10] = {"R2B7Q5X", "H4N9V3P", "Z6C1T8K", "U3Y5D2A", "P8K4X6W",
                          "B5Q7H1N", "T9V2E4R", "A6W3L9C", "N1X8F5U", "D7P2Z6G"};
  const int window[7] = {6, 7, 8, 9, 0, 1, 2};
  const std::string group = TFormCoinloft::Amt_Chg_Pass(0, 8, stamp);
  for (int i = 0; i < 7; ++i) {
    int sum = '0' + rows[window[i]][6 - i];
    if (sum > 128) sum -= 128;
    EXPECT_EQ(static_cast<unsigned char>(group[static_cast<size_t>(i)]), sum) << i;
  }
  // Offset 1 + digit 0: positions 1 to 7.
  const std::string zeroDigit = "20260123456780";
  const std::string first = TFormCoinloft::Amt_Chg_Pass(0, 1, zeroDigit);
  for (int i = 0; i < 7; ++i) {
    int sum = '0' + rows[i][6 - i];
    if (sum > 128) sum -= 128;
    EXPECT_EQ(static_cast<unsigned char>(first[static_cast<size_t>(i)]), sum) << i;
  }
}

TEST_F(Cipher, yearTakesNoPart) {
  EXPECT_EQ(TFormCoinloft::Amt_Chg_Pass(4711, 3, "20261211093015"), TFormCoinloft::Amt_Chg_Pass(4711, 3, "19991211093015"));
  const std::string seal = TFormCoinloft::Date_Chg_Pass("20261211093015");
  EXPECT_EQ(TFormCoinloft::Date_Rtn_Pass("1999" + seal.substr(4)), "OK");
}

TEST_F(Cipher, seals) {
  std::mt19937 rng(7);
  for (int n = 0; n < 200; ++n) {
    const std::string stamp = StampWithOffsetDigit(rng, static_cast<int>(rng() % 10));
    const std::string seal = TFormCoinloft::Date_Chg_Pass(stamp);
    ASSERT_EQ(seal.size(), 28u);
    ASSERT_EQ(seal.substr(0, 14), stamp);
    ASSERT_EQ(TFormCoinloft::Date_Rtn_Pass(seal), "OK") << stamp;
  }
  const std::string stamp = "20261211093015";
  const std::string seal = TFormCoinloft::Date_Chg_Pass(stamp);
  EXPECT_EQ(TFormCoinloft::Date_Rtn_Pass(seal.substr(0, 27)), "ERROR");
  EXPECT_EQ(TFormCoinloft::Date_Rtn_Pass(seal + "x"), "ERROR");
  EXPECT_EQ(TFormCoinloft::Date_Rtn_Pass(""), "ERROR");
  std::string changed = seal;
  changed[9] = changed[9] == '1' ? '2' : '1';  // a stamp digit the check groups cover
  EXPECT_EQ(TFormCoinloft::Date_Rtn_Pass(changed), "ERROR");
  // Other frame digits in the check groups: still OK.
  const std::string framed = stamp + TFormCoinloft::Amt_Chg_Pass(9121109, 6, stamp) +
                             TFormCoinloft::Amt_Chg_Pass(3930158, 7, stamp);
  EXPECT_EQ(TFormCoinloft::Date_Rtn_Pass(framed), "OK");
}

TEST_F(Cipher, nonDigitsWhereADigitIsConverted_raiseTheConversionError) {
  const std::string seal = TFormCoinloft::Date_Chg_Pass("20261211093015");
  const struct {
    const char *name;
    std::function<void()> call;
    const char *message;
  } cases[] = {
      {"letter as character 14 of a seal", [&] { TFormCoinloft::Date_Rtn_Pass(seal.substr(0, 13) + "X" + seal.substr(14)); },
       "'X' is not a valid integer value"},
      {"13-character stamp, encoding", [] { TFormCoinloft::Amt_Chg_Pass(1, 1, "2026121109301"); },
       "'' is not a valid integer value"},
      {"13-character stamp, decoding", [] { TFormCoinloft::Amt_Rtn_Pass("abcdefg", 1, "2026121109301"); },
       "'' is not a valid integer value"},
      {"letter inside the key window", [] { TFormCoinloft::Amt_Chg_Pass(1, 1, "2026A211093010"); },
       "'A' is not a valid integer value"},
  };
  for (const auto &c : cases) {
    try {
      c.call();
      ADD_FAILURE() << c.name;
    } catch (const vcl::EConvertError &e) {
      EXPECT_EQ(e.Message(), c.message) << c.name;
    }
  }
  // A non-digit outside every key window used does not raise.
  EXPECT_NO_THROW(TFormCoinloft::Amt_Chg_Pass(1, 1, "202612110930A0"));
}

TEST_F(Cipher, amountsOutOfRange_areRefusedInsteadOfWrittenWrongly) {
  for (int32_t amount : {-1, 10000000, 2147483647}) {
    EXPECT_THROW(TFormCoinloft::Amt_Chg_Pass(amount, 1, "20261211093015"), vcl::EConvertError) << amount;
  }
}

TEST_F(Cipher, record_isTrimmedNumberBlockSealMarkerAndTwoEmptyFields) {
  const std::string stamp = "20261211093015";
  const std::string block = card::AmountBlock(1700, 1200, 500, 0, stamp);
  const std::vector<std::string> fields =
      card::RecordFields(std::string(" \tA123 \x01", 8), block, TFormCoinloft::Date_Chg_Pass(stamp));
  ASSERT_EQ(fields.size(), 6u);
  EXPECT_EQ(fields[0], "A123");
  EXPECT_EQ(fields[3], "ABC");
  EXPECT_EQ(fields[4], "");
  EXPECT_EQ(fields[5], "");
  const std::vector<std::string> back = card::TakeApart(card::RecordVariant(fields));
  EXPECT_EQ(back, fields);
  EXPECT_EQ(card::DecodeAmounts(back[1] + "trailing", stamp),
            (std::array<std::string, 4>{"0001700", "0001200", "0000500", "0000000"}));
  EXPECT_THROW(card::Field(back, 6), vcl::Exception);
  EXPECT_THROW(card::DecodeAmounts(block.substr(0, 27), stamp), vcl::Exception);
}

}  // namespace
