// Merging cfg.ini with the system-wide and the user's override files.
#include "config/cfg_files.h"

#include <cerrno>
#include <cstdint>

#include "core/log.h"
#include "platform/files.h"
#include "platform/private_profile.h"
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

struct OverrideSection {
    std::string header;  // the "[name]" line as the override wrote it
    std::string name;
    std::vector<std::string> lines;
    bool placed = false;
};

void Collect(const std::string& text, std::vector<OverrideSection>& sections) {
    OverrideSection* current = nullptr;
    for (const std::string& line : platform::ProfileTextLines(text)) {
        std::string name, key, value;
        if (platform::ProfileSectionLine(line, name)) {
            current = nullptr;
            for (OverrideSection& s : sections)
                if (platform::ProfileNamesMatch(s.name, name)) current = &s;
            if (!current) {
                sections.push_back(OverrideSection{Trim(line), name, {}, false});
                current = &sections.back();
            }
            continue;
        }
        const std::string t = Trim(line);
        if (!current || t.empty() || t[0] == '#' || !platform::ProfileKeyLine(t, key, value))
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
    for (const std::string& line : platform::ProfileTextLines(shipped)) {
        out += line;
        out += '\n';
        std::string name;
        if (!platform::ProfileSectionLine(line, name)) continue;
        for (OverrideSection& s : sections) {
            if (!platform::ProfileNamesMatch(s.name, name) || s.placed) continue;
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
