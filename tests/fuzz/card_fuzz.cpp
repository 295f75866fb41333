// libFuzzer target: arbitrary bytes as the fields of a card record, through
// the library boundary form, taking apart, the seal check and the decoding
// that a read attempt runs; and the cipher's round trip for any amount,
// field offset and key stamp. Any crash, sanitizer report or abort is a find.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/FormCoinloft.h"
#include "card/cipher.h"
#include "card/record.h"
#include "platform/sysutils.h"
#include "platform/variants.h"

namespace {

void RecordPath(const uint8_t *data, size_t size) {
  std::vector<std::string> fields(1);
  for (size_t i = 0; i < size && fields.size() <= 8; ++i) {
    if (data[i] == 0xFF) fields.emplace_back();  // 0xFF separates fields; every other byte is content
    else fields.back() += static_cast<char>(data[i]);
  }
  const vcl::OleVariant record = card::RecordVariant(fields);
  const std::vector<std::string> back = card::TakeApart(record);
  if (back != fields) std::abort();  // the boundary must give back every byte
  try {
    const std::string &seal = card::Field(back, 2);
    if (vcl::UpperCase(TFormCoinloft::Date_Rtn_Pass(seal)) != "OK") return;
    const std::string &block = card::Field(back, 1);
    if (block.size() < 28) return;
    for (const std::string &plain : card::DecodeAmounts(block, card::Copy(seal, 1, 14))) {
      if (plain.size() != 7) std::abort();
      (void)vcl::StrToIntDef(plain, 0);
    }
  } catch (const vcl::Exception &) {
    // conversion errors and short records are answers, not faults
  }
}

void CipherRoundTrip(const uint8_t *data, size_t size) {
  if (size < 19) return;
  const uint32_t raw = data[0] | data[1] << 8 | data[2] << 16 | static_cast<uint32_t>(data[3]) << 24;
  const int32_t amount = static_cast<int32_t>(raw % 10000000u);
  static const int offsets[] = {1, 3, 5, 6, 7, 8};
  const int offset = offsets[data[4] % 6];
  std::string stamp;
  for (size_t i = 5; i < 19; ++i) stamp += static_cast<char>('0' + data[i] % 10);
  const std::string group = TFormCoinloft::Amt_Chg_Pass(amount, offset, stamp);
  for (unsigned char c : group) {
    if (!((c >= 1 && c <= 19) || (c >= 96 && c <= 128))) std::abort();
  }
  if (TFormCoinloft::Amt_Rtn_Pass(group, offset, stamp) != vcl::Format("%07d", amount)) std::abort();
  if (TFormCoinloft::Date_Rtn_Pass(TFormCoinloft::Date_Chg_Pass(stamp)) != "OK") std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const bool filled = (card::FillKeyTable(KeyTable), true);
  (void)filled;
  RecordPath(data, size);
  CipherRoundTrip(data, size);
  return 0;
}
