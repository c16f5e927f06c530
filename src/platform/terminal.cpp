#include "platform/terminal.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>

namespace platform {

namespace {

std::string Hex(const char* format, unsigned value) {
    char buf[8];
    std::snprintf(buf, sizeof buf, format, value);
    return buf;
}

// Length of the well-formed UTF-8 sequence at s[i], or 0 when there is none.
size_t Utf8Length(const std::string& s, size_t i) {
    const auto at = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
    const uint8_t lead = at(i);
    size_t len = 0;
    uint8_t lo = 0x80, hi = 0xBF;  // range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        len = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        len = 3;
        if (lead == 0xE0) lo = 0xA0;  // overlong
        if (lead == 0xED) hi = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        len = 4;
        if (lead == 0xF0) lo = 0x90;  // overlong
        if (lead == 0xF4) hi = 0x8F;  // above U+10FFFF
    } else {
        return 0;
    }
    if (i + len > s.size()) return 0;
    if (at(i + 1) < lo || at(i + 1) > hi) return 0;
    for (size_t k = 2; k < len; ++k)
        if ((at(i + k) & 0xC0) != 0x80) return 0;
    return len;
}

}  // namespace

bool StdoutIsTerminal() {
    return isatty(STDOUT_FILENO) == 1;
}

std::string TerminalSafe(const std::string& text, bool keepLineBreaks) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<uint8_t>(text[i]);
        if ((c >= 0x20 && c < 0x7F) || (keepLineBreaks && (c == '\n' || c == '\t'))) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        if (c < 0x80) {  // C0 controls and DEL
            out += Hex("\\x%02x", c);
            ++i;
            continue;
        }
        const size_t len = Utf8Length(text, i);
        if (len == 0) {
            out += Hex("\\x%02x", c);
            ++i;
        } else if (len == 2 && c == 0xC2 && static_cast<uint8_t>(text[i + 1]) < 0xA0) {
            out += Hex("\\u%04x", static_cast<uint8_t>(text[i + 1]));  // C1 controls
            i += 2;
        } else {
            out.append(text, i, len);
            i += len;
        }
    }
    return out;
}

}  // namespace platform
