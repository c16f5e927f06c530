#include "core/utf.h"

#include <algorithm>
#include <cstdint>

namespace {

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::u16string Utf8ToUtf16(const std::string& s) {
    std::u16string out;
    out.reserve(s.size());
    size_t i = 0;
    const size_t n = s.size();
    while (i < n) {
        auto b0 = static_cast<uint8_t>(s[i]);
        char32_t cp = 0xFFFD;
        size_t len = 1;
        if (b0 < 0x80) {
            cp = b0;
        } else if ((b0 & 0xE0) == 0xC0) {
            len = 2;
        } else if ((b0 & 0xF0) == 0xE0) {
            len = 3;
        } else if ((b0 & 0xF8) == 0xF0) {
            len = 4;
        }
        if (len > 1) {
            if (i + len > n) {
                len = 1;
            } else {
                char32_t v = b0 & (0x7F >> len);
                bool ok = true;
                for (size_t k = 1; k < len; ++k) {
                    auto b = static_cast<uint8_t>(s[i + k]);
                    if ((b & 0xC0) != 0x80) {
                        ok = false;
                        break;
                    }
                    v = (v << 6) | (b & 0x3F);
                }
                static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
                if (ok && v >= kMin[len] && v <= 0x10FFFF && (v < 0xD800 || v > 0xDFFF))
                    cp = v;
                else
                    len = 1;
            }
        }
        i += len;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::string Utf16ToUtf8(const std::u16string& s) {
    return Utf16FieldToUtf8(s.data(), s.size());
}

std::string Utf16FieldToUtf8(const char16_t* field, size_t maxUnits) {
    std::string out;
    for (size_t i = 0; i < maxUnits && field[i] != 0; ++i) {
        char32_t c = field[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < maxUnits && field[i + 1] >= 0xDC00 &&
            field[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (field[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::string AsciiLower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; });
    return s;
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && AsciiLower(a) == AsciiLower(b);
}

bool ContainsNoCase(const std::string& haystack, const std::string& needle) {
    return AsciiLower(haystack).find(AsciiLower(needle)) != std::string::npos;
}
