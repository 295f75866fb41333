// The card record: six text fields exchanged with the reader library.
// 0 card number, 1 amount block (groups of A, B, C, D), 2 date seal,
// 3 the marker "ABC", 4 and 5 empty. Fields are exact byte strings.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/variants.h"

namespace card {

inline constexpr int kAmountOffsets[4] = {1, 3, 5, 8};  // field offsets of A, B, C, D
inline constexpr const char *kMarker = "ABC";

// The four groups of A, B, C and D under the key stamp, joined in that order.
// Raises for an amount outside 0 to 9,999,999 or a key stamp that does not key.
std::string AmountBlock(int32_t a, int32_t b, int32_t c, int32_t d, const std::string &keyStamp);

// The plain texts of A, B, C and D: characters 1-7, 8-14, 15-21 and 22-28 of
// the block decoded under the key stamp; characters after the 28th take no
// part. The block must hold at least 28 characters (raises otherwise).
std::array<std::string, 4> DecodeAmounts(const std::string &amountBlock, const std::string &keyStamp);

// The record to hand to SetCardData: the card number trimmed of characters of
// code 32 or less, the block, the seal, "ABC" and two empty fields.
std::vector<std::string> RecordFields(const std::string &cardNumber, const std::string &amountBlock,
                                      const std::string &dateSeal);
// The record a top-up under that key stamp writes for these amounts: the
// amount block and the seal made from the stamp. Raises as AmountBlock does.
std::vector<std::string> SealedRecord(const std::string &cardNumber, int32_t a, int32_t b, int32_t c, int32_t d,
                                      const std::string &keyStamp);

vcl::OleVariant RecordVariant(const std::vector<std::string> &fields);

// A record read back: every element as 8-bit text, element 0 first. Raises
// when the value is not a one-dimensional array from 0 with at least one
// element of text form.
std::vector<std::string> TakeApart(const vcl::OleVariant &record);

// Field i of a record, raising EListError "List index out of bounds (i)"
// when the record is shorter: a missing field is never read past the list.
const std::string &Field(const std::vector<std::string> &fields, int index);

}  // namespace card
