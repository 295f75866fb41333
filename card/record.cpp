#include "card/record.h"

#include "app/FormCoinloft.h"
#include "platform/sysutils.h"

namespace card {

COINLOFT_DECLARE_EXCEPTION(EListError, vcl::Exception);

std::string AmountBlock(int32_t a, int32_t b, int32_t c, int32_t d, const std::string &keyStamp) {
  const int32_t amounts[4] = {a, b, c, d};
  std::string block;
  for (int i = 0; i < 4; ++i) block += TFormCoinloft::Amt_Chg_Pass(amounts[i], kAmountOffsets[i], keyStamp);
  return block;
}

std::array<std::string, 4> DecodeAmounts(const std::string &amountBlock, const std::string &keyStamp) {
  if (amountBlock.size() < 28) throw vcl::Exception(vcl::Format("amount block of %zu characters", amountBlock.size()));
  std::array<std::string, 4> plain;
  for (size_t i = 0; i < 4; ++i) {
    plain[i] = TFormCoinloft::Amt_Rtn_Pass(amountBlock.substr(7 * i, 7), kAmountOffsets[i], keyStamp);
  }
  return plain;
}

std::vector<std::string> RecordFields(const std::string &cardNumber, const std::string &amountBlock,
                                      const std::string &dateSeal) {
  return {vcl::Trim(cardNumber), amountBlock, dateSeal, kMarker, std::string(), std::string()};
}

std::vector<std::string> SealedRecord(const std::string &cardNumber, int32_t a, int32_t b, int32_t c, int32_t d,
                                      const std::string &keyStamp) {
  return RecordFields(cardNumber, AmountBlock(a, b, c, d, keyStamp), TFormCoinloft::Date_Chg_Pass(keyStamp));
}

vcl::OleVariant RecordVariant(const std::vector<std::string> &fields) { return vcl::VarArrayOfTexts(fields); }

std::vector<std::string> TakeApart(const vcl::OleVariant &record) { return vcl::VarArrayToTexts(record.Raw()); }

const std::string &Field(const std::vector<std::string> &fields, int index) {
  if (index < 0 || static_cast<size_t>(index) >= fields.size()) {
    throw EListError(vcl::Format("List index out of bounds (%d)", index));
  }
  return fields[static_cast<size_t>(index)];
}

}  // namespace card
