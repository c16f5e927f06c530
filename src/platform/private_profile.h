// Initialisation files ("[section]" lines and "key=value" lines) with the classic private-profile
// rules: section and key names match without regard to ASCII case, the first section and the
// first key of a name win, a missing key gives the caller's default. Files may be UTF-8 (with or
// without a byte-order mark) or UTF-16LE with a byte-order mark; text comes back as UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace platform {

// Larger files (and anything that is not a regular file) are not read: these files hold a few
// settings, and a huge one or a device behind the name must not fill the memory.
constexpr size_t kMaxPrivateProfileBytes = 1u << 20;

// A parsed file held in memory, for reading many keys from one file.
class PrivateProfile {
  public:
    // Reads and parses path; false when the file cannot be read, is not a regular file or is
    // larger than kMaxPrivateProfileBytes (the profile is then empty, so every read gives its
    // default).
    bool Load(const std::string& path);
    // Parses text already in memory (raw file bytes, any of the accepted encodings).
    void Parse(const std::string& bytes);

    // True when the key exists in the section (its value may be empty).
    bool HasKey(const std::string& section, const std::string& key) const;
    // The value, cut to at most limit characters; false (out = "") when the key is missing.
    bool ReadString(const std::string& section, const std::string& key, std::string& out,
                    size_t limit) const;
    // The value, cut to at most limit characters, or def when the key is missing.
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& def, size_t limit) const;
    // The value as an integer: optional sign, decimal digits or "0x" and hexadecimal digits,
    // conversion ending at the first other character (wrapping at 32 bits). A missing or
    // empty value gives def; a value without digits gives 0.
    int GetInt(const std::string& section, const std::string& key, int def) const;

  private:
    struct Entry {
        std::string key;
        std::string value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };
    const Entry* Find(const std::string& section, const std::string& key) const;
    std::vector<Section> m_sections;
};

// The pieces the reader is made of, for code that rewrites such files as text. File bytes (any
// of the accepted encodings) as UTF-8 lines without their line ends:
std::vector<std::string> ProfileTextLines(const std::string& bytes);
// a "[name]" line gives true and the name; a "key=value" line gives true, the key and the value
// (blanks and one pair of quotes removed); names compare without regard to ASCII case.
bool ProfileSectionLine(const std::string& line, std::string& name);
bool ProfileKeyLine(const std::string& line, std::string& key, std::string& value);
bool ProfileNamesMatch(const std::string& a, const std::string& b);

// Converts profile integer text as GetInt does (def is returned for empty text).
int ProfileTextToInt(const std::string& text, int def);

// One-shot reads that load the file each time.
int GetPrivateProfileInt(const std::string& section, const std::string& key, int def,
                         const std::string& path);
std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& def, size_t limit, const std::string& path);

// Sets key in section to value, keeping every other line of the file as it was (the section and
// the key are added when missing; the file is created when missing). The file keeps its
// encoding and is replaced atomically. Returns false (file unchanged) when it cannot be written,
// when something other than a regular file of at most kMaxPrivateProfileBytes has its name, or
// when a name or the value holds a line break.
[[nodiscard]] bool WritePrivateProfileString(const std::string& section, const std::string& key,
                                             const std::string& value, const std::string& path);

}  // namespace platform
