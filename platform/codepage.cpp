#include "platform/codepage.h"

#include <iconv.h>

#include <array>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <vector>

namespace cp950 {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;  // stray byte b <-> U+DC00 + b

bool IsLead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
bool IsTrail(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0xA1 && b <= 0xFE); }
int PairIndex(unsigned char lead, unsigned char trail) { return (lead << 8) | trail; }

struct Tables {
  std::vector<char16_t> pairToWide = std::vector<char16_t>(65536, 0);  // 0: no mapping
  std::vector<uint16_t> wideToPair = std::vector<uint16_t>(65536, 0);

  Tables() {
    iconv_t cd = iconv_open("UTF-16LE", "CP950");
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("code page 950 is not available (iconv CP950)");
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
      for (int trail = 0x40; trail <= 0xFE; ++trail) {
        if (!IsTrail(static_cast<unsigned char>(trail))) continue;
        char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        unsigned char out[8];
        char *pin = in, *pout = reinterpret_cast<char *>(out);
        size_t inLeft = 2, outLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &pin, &inLeft, &pout, &outLeft) == static_cast<size_t>(-1) || inLeft != 0) continue;
        if (sizeof out - outLeft != 2) continue;  // not a single BMP character
        const char16_t wc = static_cast<char16_t>(out[0] | (out[1] << 8));
        if (wc < 0x81 || (wc >= 0xD800 && wc <= 0xDFFF)) continue;
        // Keep the mapping one-to-one so that every byte string comes back as
        // it went in: a second pair for an already mapped character stays
        // unmapped and travels as two escaped bytes.
        if (wideToPair[wc]) continue;
        pairToWide[PairIndex(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail))] = wc;
        wideToPair[wc] = static_cast<uint16_t>(PairIndex(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)));
      }
    }
    iconv_close(cd);
  }
};

const Tables &Get() {
  static const Tables tables;
  return tables;
}

}  // namespace

std::u16string ToWide(std::string_view ansi) {
  const Tables &t = Get();
  std::u16string out;
  out.reserve(ansi.size());
  for (size_t i = 0; i < ansi.size(); ++i) {
    const auto b = static_cast<unsigned char>(ansi[i]);
    if (b <= 0x80) {
      out.push_back(b);
      continue;
    }
    if (IsLead(b) && i + 1 < ansi.size()) {
      const auto trail = static_cast<unsigned char>(ansi[i + 1]);
      if (IsTrail(trail)) {
        if (char16_t wc = t.pairToWide[PairIndex(b, trail)]) {
          out.push_back(wc);
          ++i;
          continue;
        }
      }
    }
    out.push_back(static_cast<char16_t>(kEscapeBase + b));
  }
  return out;
}

std::string FromWide(std::u16string_view wide) {
  const Tables &t = Get();
  std::string out;
  out.reserve(wide.size() * 2);
  for (char16_t wc : wide) {
    if (wc <= 0x80) {
      out.push_back(static_cast<char>(wc));
    } else if (wc >= kEscapeBase + 0x81 && wc <= kEscapeBase + 0xFF) {
      out.push_back(static_cast<char>(wc - kEscapeBase));
    } else if (uint16_t pair = t.wideToPair[wc]) {
      out.push_back(static_cast<char>(pair >> 8));
      out.push_back(static_cast<char>(pair & 0xFF));
    } else {
      out.push_back('?');
    }
  }
  return out;
}

std::u16string ToScreen(std::string_view ansi) {
  std::u16string wide = ToWide(ansi);
  std::u16string out;
  out.reserve(wide.size());
  for (char16_t wc : wide) {
    if (wc < 0x20) {
      out.push_back(static_cast<char16_t>(0x2400 + wc));  // control pictures
    } else if (wc == 0x7F) {
      out.push_back(0x2421);
    } else if ((wc >= 0x80 && wc < 0xA0) || (wc >= 0xD800 && wc <= 0xDFFF)) {
      const unsigned code = wc >= kEscapeBase ? wc - kEscapeBase : wc;
      char hex[8];
      std::snprintf(hex, sizeof hex, "<%02X>", code & 0xFF);
      for (const char *p = hex; *p; ++p) out.push_back(static_cast<char16_t>(*p));
    } else {
      out.push_back(wc);
    }
  }
  return out;
}

}  // namespace cp950
