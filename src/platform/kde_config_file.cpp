#include "platform/kde_config_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <vector>

#include "platform/files.h"

namespace platform {

namespace {

constexpr size_t kMaxConfigFile = 4u << 20;

std::string Trim(const std::string& s) {
    size_t a = 0, b = s.size();
    while (a < b && (s[a] == ' ' || s[a] == '\t' || s[a] == '\r')) ++a;
    while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t' || s[b - 1] == '\r')) --b;
    return s.substr(a, b - a);
}

struct Line {
    size_t start;  // offset of the line in the text
    size_t end;    // offset of its '\n' (or the text's end)
};

// Walks the text line by line, telling each line's group (the header's name with a [$i]
// suffix taken off; locked set when it had one).
template <typename Visit>
void ForEachLine(const std::string& text, Visit visit) {
    std::string group;
    bool groupLocked = false;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        if (nl == std::string::npos) nl = text.size();
        const std::string line = Trim(text.substr(pos, nl - pos));
        bool header = false;
        if (!line.empty() && line.front() == '[' && line.back() == ']') {
            header = true;
            std::string name = line.substr(1, line.size() - 2);
            groupLocked = false;
            const std::string lockSuffix = "][$i";
            if (name.size() >= lockSuffix.size() &&
                name.compare(name.size() - lockSuffix.size(), lockSuffix.size(), lockSuffix) == 0) {
                name.resize(name.size() - lockSuffix.size());
                groupLocked = true;
            }
            group = name;
        }
        visit(Line{pos, nl}, line, header, group, groupLocked);
        pos = nl + 1;
    }
}

// Splits "key[opts] = value": the key without its options, whether they hold $i, and the value.
bool SplitEntry(const std::string& line, std::string& key, bool& locked, std::string& value) {
    if (line.empty() || line.front() == '#' || line.front() == '[') return false;
    const size_t eq = line.find('=');
    if (eq == std::string::npos) return false;
    std::string k = Trim(line.substr(0, eq));
    locked = false;
    const size_t bracket = k.find('[');
    if (bracket != std::string::npos) {
        locked = k.find("$i", bracket) != std::string::npos;
        // A localised entry such as Name[de] is another key.
        if (k.find('$', bracket) == std::string::npos) return false;
        k = Trim(k.substr(0, bracket));
    }
    key = k;
    value = Trim(line.substr(eq + 1));
    return true;
}

}  // namespace

bool KdeConfigGet(const std::string& text, const std::string& group, const std::string& key,
                  std::string& value) {
    bool found = false;
    ForEachLine(text, [&](Line, const std::string& line, bool header, const std::string& g, bool) {
        std::string k, v;
        bool locked = false;
        if (!header && g == group && SplitEntry(line, k, locked, v) && k == key) {
            value = v;  // the last one wins
            found = true;
        }
    });
    return found;
}

bool KdeConfigSet(std::string& text, const std::string& group, const std::string& key,
                  const std::string& value) {
    bool locked = false;
    std::vector<Line> keyLines;
    size_t groupEnd = std::string::npos;  // end of the group's first section's last entry line
    bool inFirstSection = false, sawGroup = false;
    ForEachLine(text, [&](Line l, const std::string& line, bool header, const std::string& g,
                          bool groupLocked) {
        if (header) {
            if (g == group && groupLocked) locked = true;
            inFirstSection = g == group && !sawGroup;
            if (g == group) sawGroup = true;
            if (inFirstSection) groupEnd = l.end;
            return;
        }
        if (g != group) return;
        std::string k, v;
        bool keyLocked = false;
        if (SplitEntry(line, k, keyLocked, v) && k == key) {
            if (keyLocked) locked = true;
            keyLines.push_back(l);
        }
        if (inFirstSection && !line.empty()) groupEnd = l.end;
    });
    if (locked) return false;
    const std::string entry = key + "=" + value;
    if (!keyLines.empty()) {
        // From the back, so the earlier offsets stay right.
        for (auto it = keyLines.rbegin(); it != keyLines.rend(); ++it)
            text.replace(it->start, it->end - it->start, entry);
        return true;
    }
    if (groupEnd != std::string::npos) {
        if (groupEnd >= text.size()) {
            text += "\n" + entry + "\n";
        } else {
            text.insert(groupEnd + 1, entry + "\n");
        }
        return true;
    }
    if (!text.empty() && text.back() != '\n') text += '\n';
    if (!text.empty()) text += '\n';
    text += "[" + group + "]\n" + entry + "\n";
    return true;
}

bool KdeConfigGetFile(const std::string& path, const std::string& group, const std::string& key,
                      std::string& value) {
    std::vector<uint8_t> bytes;
    if (!ReadRegularFile(path, kMaxConfigFile, bytes)) return false;
    return KdeConfigGet(std::string(bytes.begin(), bytes.end()), group, key, value);
}

bool KdeConfigSetFile(const std::string& path, const std::string& group, const std::string& key,
                      const std::string& value) {
    std::vector<uint8_t> bytes;
    int err = 0;
    bool truncated = false;
    if (!ReadRegularFile(path, kMaxConfigFile, bytes, &err, &truncated)) {
        if (err != ENOENT) return false;  // never overwrite a file that could not be read
        const size_t slash = path.rfind('/');
        if (slash != std::string::npos && slash > 0) ::mkdir(path.substr(0, slash).c_str(), 0700);
    }
    if (truncated) return false;
    std::string text(bytes.begin(), bytes.end());
    if (!KdeConfigSet(text, group, key, value)) return false;
    return WriteFileAtomic(path, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

}  // namespace platform
