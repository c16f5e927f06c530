// Conversion of 8-bit text in a Windows code page to UTF-16, through the C library's iconv.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

constexpr int kDefaultAnsiCodePage = 1252;

// The iconv name of a code page number ("UTF-8" for 65001, "WINDOWS-1252" for 1252, ...);
// empty when the number is not known.
const char* CodePageIconvName(int codePage);

// Converts bytes in codePage to UTF-16. Unknown code pages use the default ANSI code page;
// bytes that cannot be converted become U+FFFD. Returns false only when no converter exists.
bool CodePageToUtf16(int codePage, const uint8_t* data, size_t size, std::u16string& out);

}  // namespace platform
