// Amount groups and the date seal. Every group of a record is keyed by one
// 14-character key stamp: its character 14 (the offset digit) and its
// characters 5 to 14, tripled, from which a 7-character key window is cut.
#include "card/cipher.h"

#include "app/FormCoinloft.h"
#include "platform/sysutils.h"

std::array<std::string, 10> KeyTable;

namespace card {

std::string Copy(const std::string &text, int index, int count) {
  if (index < 1) index = 1;
  if (count <= 0 || static_cast<size_t>(index) > text.size()) return std::string();
  return text.substr(static_cast<size_t>(index - 1), static_cast<size_t>(count));
}

}  // namespace card

namespace {

using card::Copy;

constexpr int32_t kMaxAmount = 9999999;

std::string KeyWindow(int fieldOffset, const std::string &keyStamp) {
  const int offsetDigit = vcl::StrToInt(Copy(keyStamp, 14, 1));
  const std::string digits = Copy(keyStamp, 5, 10);
  return Copy(digits + digits + digits, fieldOffset + offsetDigit, 7);
}

// The key code for position i (1 to 7): character 8 - i of the row that
// character i of the key window selects.
unsigned char KeyCode(const std::string &window, int i) {
  const int32_t row = vcl::StrToInt(Copy(window, i, 1));  // one character: a digit or an error
  const std::string &keys = KeyTable[static_cast<size_t>(row)];
  if (keys.size() < 7) throw vcl::Exception("KeyTable is not filled");
  return static_cast<unsigned char>(keys[static_cast<size_t>(7 - i)]);
}

}  // namespace

std::string TFormCoinloft::Amt_Chg_Pass(int32_t amount, int fieldOffset, const std::string &keyStamp) {
  // A larger or negative amount would lose digits or carry its sign into the
  // group and be written wrongly without a trace: refuse it.
  if (amount < 0 || amount > kMaxAmount) {
    throw vcl::EConvertError(vcl::Format("金額 %d 超出 0 至 9999999 的範圍", amount));
  }
  const std::string plain = vcl::Format("%07d", amount);
  const std::string window = KeyWindow(fieldOffset, keyStamp);
  std::string group;
  for (int i = 1; i <= 7; ++i) {
    int sum = static_cast<unsigned char>(plain[static_cast<size_t>(i - 1)]) + KeyCode(window, i);
    if (sum > 128) sum -= 128;
    group += static_cast<char>(sum);
  }
  return group;
}

std::string TFormCoinloft::Amt_Rtn_Pass(const std::string &group, int fieldOffset, const std::string &keyStamp) {
  const std::string window = KeyWindow(fieldOffset, keyStamp);
  std::string plain;
  // A group shorter than 7 characters decodes to as many characters as it has.
  const int length = group.size() < 7 ? static_cast<int>(group.size()) : 7;
  for (int i = 1; i <= length; ++i) {
    int code = static_cast<unsigned char>(group[static_cast<size_t>(i - 1)]);
    if (code <= 19) code += 128;
    plain += static_cast<char>((code - KeyCode(window, i)) & 0xFF);
  }
  return plain;
}

std::string TFormCoinloft::Date_Chg_Pass(const std::string &stamp) {
  std::string seal = stamp;
  for (int g = 1; g <= 2; ++g) {
    const std::string check = std::to_string(g) + Copy(stamp, 5 * g, 5) + std::to_string(g + 5);
    seal += Amt_Chg_Pass(vcl::StrToIntDef(check, 0), g + 5, stamp);
  }
  return seal;
}

std::string TFormCoinloft::Date_Rtn_Pass(const std::string &seal) {
  if (seal.size() != 28) return "ERROR";
  const std::string keyStamp = Copy(seal, 1, 14);
  const std::string expected = Copy(seal, 5, 10);
  const std::string first = Amt_Rtn_Pass(Copy(seal, 15, 7), 6, keyStamp);
  const std::string second = Amt_Rtn_Pass(Copy(seal, 22, 7), 7, keyStamp);
  return Copy(first, 2, 5) + Copy(second, 2, 5) == expected ? "OK" : "ERROR";
}
