// The ANSI code page of this program: 950, Traditional Chinese Big5.
// Texts live as Big5 byte strings; they become UTF-16 only at the OLE boundary
// and at the screen. Conversion from bytes is lossless for every byte string:
// bytes 0x00-0x80 map to U+0000-U+0080, each Big5 pair to its character, and
// any other byte b to the lone surrogate U+DC00+b, which maps back to b.
// The tables are built once on first use and are safe to share between threads.
#pragma once

#include <string>
#include <string_view>

namespace cp950 {

std::u16string ToWide(std::string_view ansi);

// A character with no code page 950 form becomes '?', as the system's own
// wide-to-ANSI conversion does.
std::string FromWide(std::u16string_view wide);

// For the screen: UTF-16 from Big5 bytes, with C0 control characters shown
// as their Unicode control pictures and other undisplayable ones as <XX>,
// so that a line holding tab, CR or LF stays one visible line.
std::u16string ToScreen(std::string_view ansi);

}  // namespace cp950
