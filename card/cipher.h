// The card field cipher's constant key rows. The four operations themselves
// are the static members Amt_Chg_Pass, Amt_Rtn_Pass, Date_Chg_Pass and
// Date_Rtn_Pass of TFormCoinloft (card/cipher.cpp); they read KeyTable only.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace card {

// Row r keys a plain character whenever the key window holds the digit r.
// A card written with these rows decodes only with these rows.
inline constexpr std::array<std::string_view, 10> kKeyRows = {
    "R2B7Q5X", "H4N9V3P", "Z6C1T8K", "U3Y5D2A", "P8K4X6W",
    "B5Q7H1N", "T9V2E4R", "A6W3L9C", "N1X8F5U", "D7P2Z6G",
};

inline void FillKeyTable(std::array<std::string, 10> &table) {
  for (size_t row = 0; row < kKeyRows.size(); ++row) table[row] = std::string(kKeyRows[row]);
}

// Characters index..index+count-1 of text, counted from 1; shorter or empty
// where the text ends, never reading past it.
std::string Copy(const std::string &text, int index, int count);

}  // namespace card
