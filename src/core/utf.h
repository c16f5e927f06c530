// UTF-8 (the program's text) <-> UTF-16 (the text inside binary records and files).
#pragma once

#include <cstddef>
#include <string>

// Invalid sequences become U+FFFD; never reads outside the input.
std::u16string Utf8ToUtf16(const std::string& s);
std::string Utf16ToUtf8(const std::u16string& s);
// Decodes at most maxUnits code units, stopping at the first NUL; for fixed record fields
// that may lack their terminator.
std::string Utf16FieldToUtf8(const char16_t* field, size_t maxUnits);
// Lower-cases ASCII letters only (for case-insensitive names and keys).
std::string AsciiLower(std::string s);
bool EqualsNoCase(const std::string& a, const std::string& b);
bool ContainsNoCase(const std::string& haystack, const std::string& needle);
