#include "macro/macro_names.h"

#include "core/log.h"
#include "core/utf.h"
#include "macro/macro_record.h"

namespace {

bool IsControl(char16_t c) {
    return c < 0x20 || c == 0x7F;
}

std::u16string CutToField(std::u16string u) {
    if (u.size() > static_cast<size_t>(kMacroNameMaxChars)) {
        u.resize(kMacroNameMaxChars);
        if (u.back() >= 0xD800 && u.back() <= 0xDBFF) u.pop_back();
    }
    return u;
}

std::u16string Sanitized(const std::u16string& in) {
    std::u16string u = CutToField(in);
    for (auto& c : u)
        if (c == u'/' || c == u'\\' || IsControl(c)) c = u'_';
    if (u.find_first_not_of(u'.') == std::u16string::npos) {
        // "", ".", ".." and the like would name the folder itself or its parent.
        u.insert(u.begin(), u'_');
        u = CutToField(u);
    }
    return u;
}

std::string SanitizeUnits(const std::u16string& u) {
    std::u16string s = Sanitized(u);
    std::string out = Utf16ToUtf8(s);
    if (s != u) g_pfnLog("SanitizeMacroName: unsafe name replaced by \"%s\"", out.c_str());
    return out;
}

}  // namespace

std::string SanitizeMacroName(const std::string& name) {
    // Invalid UTF-8 becomes U+FFFD on the way, so the result is always valid text.
    std::u16string u = Utf8ToUtf16(name);
    std::string out = Utf16ToUtf8(Sanitized(u));
    if (out != name) g_pfnLog("SanitizeMacroName: unsafe name replaced by \"%s\"", out.c_str());
    return out;
}

std::string SanitizeMacroName(const char16_t* field, size_t maxUnits) {
    std::u16string u;
    for (size_t i = 0; field && i < maxUnits && field[i]; ++i) u += field[i];
    return SanitizeUnits(u);
}

bool IsSafeMacroName(const std::string& name) {
    std::u16string u = Utf8ToUtf16(name);
    return Sanitized(u) == u && Utf16ToUtf8(u) == name;
}

int ValidateTypedMacroName(const std::string& typed, std::string& out) {
    out.clear();
    static const char kRefused[] = "/\\?+=-*&%!#";
    if (typed.find_first_of(kRefused) != std::string::npos) return 0;
    for (unsigned char c : typed)
        if (c < 0x20 || c == 0x7F) return 0;
    std::string name = typed;
    size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.resize(dot);
    if (name.empty() || !IsSafeMacroName(name)) return 0;
    std::u16string u = CutToField(Utf8ToUtf16(name));
    out = Utf16ToUtf8(u);
    return 1;
}
