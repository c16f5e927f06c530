// Private-profile files: parsing, reading and in-place writing.
#include "platform/private_profile.h"

#include <cstdint>

#include "platform/files.h"

namespace platform {
namespace {

enum class Encoding { Utf8, Utf8Bom, Utf16Le };

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

void AppendUtf8(std::string& out, uint32_t cp) {
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

// Raw file bytes to UTF-8 text, noting the encoding so that a write can keep it.
std::string DecodeFile(const std::string& bytes, Encoding& enc) {
    if (bytes.size() >= 3 && static_cast<uint8_t>(bytes[0]) == 0xEF &&
        static_cast<uint8_t>(bytes[1]) == 0xBB && static_cast<uint8_t>(bytes[2]) == 0xBF) {
        enc = Encoding::Utf8Bom;
        return bytes.substr(3);
    }
    if (bytes.size() >= 2 && static_cast<uint8_t>(bytes[0]) == 0xFF &&
        static_cast<uint8_t>(bytes[1]) == 0xFE) {
        enc = Encoding::Utf16Le;
        std::string out;
        const size_t units = (bytes.size() - 2) / 2;
        for (size_t i = 0; i < units; ++i) {
            uint32_t u = static_cast<uint8_t>(bytes[2 + 2 * i]) |
                         (static_cast<uint32_t>(static_cast<uint8_t>(bytes[3 + 2 * i])) << 8);
            if (u >= 0xD800 && u < 0xDC00 && i + 1 < units) {
                uint32_t v = static_cast<uint8_t>(bytes[4 + 2 * i]) |
                             (static_cast<uint32_t>(static_cast<uint8_t>(bytes[5 + 2 * i])) << 8);
                if (v >= 0xDC00 && v < 0xE000) {
                    AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (v - 0xDC00));
                    ++i;
                    continue;
                }
            }
            if (u >= 0xD800 && u < 0xE000) u = 0xFFFD;
            AppendUtf8(out, u);
        }
        return out;
    }
    enc = Encoding::Utf8;
    return bytes;
}

std::vector<uint8_t> EncodeFile(const std::string& text, Encoding enc) {
    std::vector<uint8_t> out;
    if (enc != Encoding::Utf16Le) {
        out.reserve(text.size() + 3);
        if (enc == Encoding::Utf8Bom) {
            out.push_back(0xEF);
            out.push_back(0xBB);
            out.push_back(0xBF);
        }
        for (char c : text) out.push_back(static_cast<uint8_t>(c));
        return out;
    }
    out = {0xFF, 0xFE};
    auto put = [&](uint32_t u) {
        out.push_back(static_cast<uint8_t>(u & 0xFF));
        out.push_back(static_cast<uint8_t>(u >> 8));
    };
    for (size_t i = 0; i < text.size();) {
        const uint8_t c = static_cast<uint8_t>(text[i]);
        uint32_t cp = 0xFFFD;
        size_t n = 1;
        if (c < 0x80) {
            cp = c;
        } else if ((c & 0xE0) == 0xC0 && i + 1 < text.size()) {
            cp = ((c & 0x1Fu) << 6) | (static_cast<uint8_t>(text[i + 1]) & 0x3Fu);
            n = 2;
        } else if ((c & 0xF0) == 0xE0 && i + 2 < text.size()) {
            cp = ((c & 0x0Fu) << 12) | ((static_cast<uint8_t>(text[i + 1]) & 0x3Fu) << 6) |
                 (static_cast<uint8_t>(text[i + 2]) & 0x3Fu);
            n = 3;
        } else if ((c & 0xF8) == 0xF0 && i + 3 < text.size()) {
            cp = ((c & 0x07u) << 18) | ((static_cast<uint8_t>(text[i + 1]) & 0x3Fu) << 12) |
                 ((static_cast<uint8_t>(text[i + 2]) & 0x3Fu) << 6) |
                 (static_cast<uint8_t>(text[i + 3]) & 0x3Fu);
            n = 4;
        }
        i += n;
        if (cp >= 0x10000 && cp <= 0x10FFFF) {
            put(0xD800 + ((cp - 0x10000) >> 10));
            put(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            put(cp > 0xFFFF ? 0xFFFD : cp);
        }
    }
    return out;
}

// Cuts UTF-8 text to at most limit characters without splitting a character. A byte that does
// not start a well-formed sequence counts as one character, so malformed text is cut too.
std::string CutChars(const std::string& s, size_t limit) {
    size_t chars = 0;
    size_t i = 0;
    while (i < s.size()) {
        if (chars == limit) return s.substr(0, i);
        const auto lead = static_cast<uint8_t>(s[i]);
        size_t len = lead < 0x80             ? 1
                     : (lead & 0xE0) == 0xC0 ? 2
                     : (lead & 0xF0) == 0xE0 ? 3
                     : (lead & 0xF8) == 0xF0 ? 4
                                             : 1;
        if (i + len > s.size()) len = 1;
        for (size_t k = 1; k < len; ++k) {
            if ((static_cast<uint8_t>(s[i + k]) & 0xC0) != 0x80) {
                len = 1;
                break;
            }
        }
        i += len;
        ++chars;
    }
    return s;
}

// A "[name]" line gives true and the name.
bool SectionLine(const std::string& line, std::string& name) {
    const std::string t = Trim(line);
    if (t.empty() || t[0] != '[') return false;
    const size_t close = t.find(']');
    name = Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    return true;
}

// A "key=value" line gives true, the key and the value (blanks and one pair of quotes removed).
bool KeyLine(const std::string& line, std::string& key, std::string& value) {
    const size_t eq = line.find('=');
    if (eq == std::string::npos) return false;
    key = Trim(line.substr(0, eq));
    if (key.empty() || key[0] == ';') return false;
    value = Trim(line.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return true;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t nl = text.find('\n', start);
        if (nl == std::string::npos) nl = text.size();
        std::string line = text.substr(start, nl - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = nl + 1;
    }
    return lines;
}

// The whole file when it is a regular file (a symbolic link to one is followed) of at most
// kMaxPrivateProfileBytes; a FIFO, a device or a larger file is refused without waiting or
// reading it all.
bool ReadProfileFile(const std::string& path, std::vector<uint8_t>& bytes) {
    bool longer = false;
    if (!ReadRegularFilePrefix(path, kMaxPrivateProfileBytes, bytes, true, nullptr, &longer))
        return false;
    if (longer) bytes.clear();
    return !longer;
}

}  // namespace

std::vector<std::string> ProfileTextLines(const std::string& bytes) {
    Encoding enc;
    return SplitLines(DecodeFile(bytes, enc));
}

bool ProfileSectionLine(const std::string& line, std::string& name) {
    return SectionLine(line, name);
}

bool ProfileKeyLine(const std::string& line, std::string& key, std::string& value) {
    return KeyLine(line, key, value);
}

bool ProfileNamesMatch(const std::string& a, const std::string& b) {
    return SameName(a, b);
}

int ProfileTextToInt(const std::string& text, int def) {
    const std::string t = Trim(text);
    if (t.empty()) return def;
    size_t i = 0;
    bool negative = false;
    if (t[i] == '-' || t[i] == '+') negative = (t[i++] == '-');
    uint32_t v = 0;
    if (i + 1 < t.size() && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
        for (i += 2; i < t.size(); ++i) {
            const char c = t[i];
            uint32_t d;
            if (c >= '0' && c <= '9')
                d = static_cast<uint32_t>(c - '0');
            else if (c >= 'a' && c <= 'f')
                d = static_cast<uint32_t>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                d = static_cast<uint32_t>(c - 'A' + 10);
            else
                break;
            v = v * 16u + d;
        }
    } else {
        for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i)
            v = v * 10u + static_cast<uint32_t>(t[i] - '0');
    }
    if (negative) v = 0u - v;
    return static_cast<int>(v);
}

bool PrivateProfile::Load(const std::string& path) {
    std::vector<uint8_t> bytes;
    m_sections.clear();
    if (!ReadProfileFile(path, bytes)) return false;
    Parse(std::string(bytes.begin(), bytes.end()));
    return true;
}

void PrivateProfile::Parse(const std::string& bytes) {
    m_sections.clear();
    Encoding enc;
    Section* current = nullptr;
    for (const std::string& line : SplitLines(DecodeFile(bytes, enc))) {
        std::string name, key, value;
        if (SectionLine(line, name)) {
            m_sections.push_back(Section{name, {}});
            current = &m_sections.back();
        } else if (current && KeyLine(line, key, value)) {
            current->entries.push_back(Entry{key, value});
        }
    }
}

const PrivateProfile::Entry* PrivateProfile::Find(const std::string& section,
                                                  const std::string& key) const {
    // The first section and the first key of a name win, as the classic reader does.
    for (const Section& s : m_sections) {
        if (!SameName(s.name, section)) continue;
        for (const Entry& e : s.entries)
            if (SameName(e.key, key)) return &e;
        return nullptr;
    }
    return nullptr;
}

bool PrivateProfile::HasKey(const std::string& section, const std::string& key) const {
    return Find(section, key) != nullptr;
}

bool PrivateProfile::ReadString(const std::string& section, const std::string& key,
                                std::string& out, size_t limit) const {
    const Entry* e = Find(section, key);
    out = e ? CutChars(e->value, limit) : std::string();
    return e != nullptr;
}

std::string PrivateProfile::GetString(const std::string& section, const std::string& key,
                                      const std::string& def, size_t limit) const {
    std::string out;
    return ReadString(section, key, out, limit) ? out : CutChars(def, limit);
}

int PrivateProfile::GetInt(const std::string& section, const std::string& key, int def) const {
    const Entry* e = Find(section, key);
    return e ? ProfileTextToInt(e->value, def) : def;
}

int GetPrivateProfileInt(const std::string& section, const std::string& key, int def,
                         const std::string& path) {
    PrivateProfile p;
    p.Load(path);
    return p.GetInt(section, key, def);
}

std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& def, size_t limit, const std::string& path) {
    PrivateProfile p;
    p.Load(path);
    return p.GetString(section, key, def, limit);
}

bool WritePrivateProfileString(const std::string& section, const std::string& key,
                               const std::string& value, const std::string& path) {
    auto hasBreak = [](const std::string& s) {
        return s.find_first_of("\r\n") != std::string::npos;
    };
    if (section.empty() || Trim(key).empty() || hasBreak(section) || hasBreak(key) ||
        hasBreak(value) || key.find('=') != std::string::npos ||
        section.find(']') != std::string::npos)
        return false;
    std::vector<uint8_t> raw;
    Encoding enc = Encoding::Utf8;
    std::string text;
    if (FileExists(path)) {
        if (!ReadProfileFile(path, raw)) return false;
        text = DecodeFile(std::string(raw.begin(), raw.end()), enc);
    }
    const std::string eol = text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    std::vector<std::string> lines = SplitLines(text);
    const std::string newLine = key + "=" + value;

    size_t sectionLine = lines.size();
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string name;
        if (SectionLine(lines[i], name) && SameName(name, section)) {
            sectionLine = i;
            break;
        }
    }
    if (sectionLine == lines.size()) {
        if (!lines.empty() && !Trim(lines.back()).empty()) lines.push_back("");
        lines.push_back("[" + section + "]");
        lines.push_back(newLine);
    } else {
        size_t insertAt = sectionLine + 1;
        bool replaced = false;
        for (size_t i = sectionLine + 1; i < lines.size(); ++i) {
            std::string name, k, v;
            if (SectionLine(lines[i], name)) break;
            if (KeyLine(lines[i], k, v)) {
                if (SameName(k, key)) {
                    lines[i] = newLine;
                    replaced = true;
                    break;
                }
                insertAt = i + 1;
            }
        }
        if (!replaced) lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), newLine);
    }
    std::string out;
    for (const std::string& l : lines) out += l + eol;
    return WriteFileAtomic(path, EncodeFile(out, enc));
}

}  // namespace platform
