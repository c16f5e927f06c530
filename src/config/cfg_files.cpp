// Merging cfg.ini with the system-wide and the user's override files.
#include "config/cfg_files.h"

#include <cerrno>
#include <cstdint>

#include "core/log.h"
#include "core/utf.h"
#include "platform/files.h"
#include "platform/user_dirs.h"

namespace {

// Larger override files are refused: a settings file is a few kilobytes.
constexpr size_t kMaxOverrideBytes = 1 << 20;

std::string Trim(const std::string& s) {
    const char* blank = " \t\r";
    const size_t b = s.find_first_not_of(blank);
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(blank) - b + 1);
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return s;
}

// File bytes as UTF-8 without a byte-order mark: UTF-16LE files (with their mark) are
// converted, as the profile reader accepts them too.
std::string AsUtf8(const std::string& bytes) {
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) return bytes.substr(3);
    if (bytes.rfind("\xFF\xFE", 0) != 0) return bytes;
    std::u16string units;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        units += static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) |
                                       (static_cast<uint8_t>(bytes[i + 1]) << 8));
    return Utf16ToUtf8(units);
}

std::vector<std::string> Lines(const std::string& text) {
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

// The section name of a "[name]" line (lower case, for matching), or false.
bool SectionOf(const std::string& line, std::string& name) {
    const std::string t = Trim(line);
    if (t.size() < 2 || t.front() != '[') return false;
    const size_t close = t.find(']');
    if (close == std::string::npos) return false;
    name = Lower(Trim(t.substr(1, close - 1)));
    return true;
}

struct OverrideSection {
    std::string header;  // the "[name]" line as the override wrote it
    std::string name;    // lower case
    std::vector<std::string> lines;
    bool placed = false;
};

void Collect(const std::string& text, std::vector<OverrideSection>& sections) {
    OverrideSection* current = nullptr;
    for (const std::string& line : Lines(AsUtf8(text))) {
        std::string name;
        if (SectionOf(line, name)) {
            current = nullptr;
            for (OverrideSection& s : sections)
                if (s.name == name) current = &s;
            if (!current) {
                sections.push_back(OverrideSection{Trim(line), name, {}, false});
                current = &sections.back();
            }
            continue;
        }
        const std::string t = Trim(line);
        if (!current || t.empty() || t[0] == ';' || t[0] == '#' || t.find('=') == std::string::npos)
            continue;
        current->lines.push_back(t);
    }
}

}  // namespace

std::vector<std::string> CfgOverrideFiles() {
    return {platform::ConfigHomeDir() + "/mivora/cfg.ini", "/etc/mivora/cfg.ini"};
}

std::string MergeCfgText(const std::string& shipped, const std::vector<std::string>& overrides) {
    std::vector<OverrideSection> sections;
    for (const std::string& text : overrides) Collect(text, sections);
    if (sections.empty()) return shipped;

    std::string out;
    for (const std::string& line : Lines(AsUtf8(shipped))) {
        out += line;
        out += '\n';
        std::string name;
        if (!SectionOf(line, name)) continue;
        for (OverrideSection& s : sections) {
            if (s.name != name || s.placed) continue;
            s.placed = true;
            for (const std::string& l : s.lines) out += l + '\n';
        }
    }
    for (const OverrideSection& s : sections) {
        if (s.placed) continue;
        out += s.header + '\n';
        for (const std::string& l : s.lines) out += l + '\n';
    }
    return out;
}

std::string LoadMergedCfgText(const std::string& cfgPath,
                              const std::vector<std::string>& overrideFiles) {
    std::vector<uint8_t> bytes;
    platform::ReadWholeFile(cfgPath, bytes);
    const std::string shipped(bytes.begin(), bytes.end());

    std::vector<std::string> overrides;
    for (const std::string& path : overrideFiles) {
        if (!platform::PathExists(path)) continue;
        std::vector<uint8_t> raw;
        int err = 0;
        if (!platform::ReadRegularFilePrefix(path, kMaxOverrideBytes + 1, raw, true, &err)) {
            g_pfnLog("Settings file %s not read: %s", path.c_str(),
                     platform::FileErrorText(err).c_str());
            continue;
        }
        if (raw.size() > kMaxOverrideBytes) {
            g_pfnLog("Settings file %s not read: larger than 1 MiB", path.c_str());
            continue;
        }
        g_pfnLog("Settings file %s", path.c_str());
        overrides.emplace_back(raw.begin(), raw.end());
    }
    return MergeCfgText(shipped, overrides);
}
