// Value formats of cfg.ini.
#include "config/cfg_values.h"

#include <vector>

#include "core/notifier.h"

namespace {

constexpr size_t kNumberListChars = 1023;
constexpr size_t kByteListChars = 511;
constexpr size_t kPointRectLimit = 49;
constexpr size_t kColorLimit = 259;

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
}

// One piece as a complete unsigned number; false for no digits or anything after them.
bool PieceToNumber(const std::string& piece, int base, uint32_t& out) {
    size_t i = 0;
    while (i < piece.size() && (piece[i] == ' ' || piece[i] == '\t' || piece[i] == '\r' ||
                                piece[i] == '\n' || piece[i] == '\v' || piece[i] == '\f'))
        ++i;
    if (base == 16 && i + 2 < piece.size() && piece[i] == '0' &&
        (piece[i + 1] == 'x' || piece[i + 1] == 'X') && DigitValue(piece[i + 2]) < 16)
        i += 2;
    const size_t first = i;
    uint64_t v = 0;
    for (; i < piece.size() && DigitValue(piece[i]) < base; ++i) {
        v = v * static_cast<uint64_t>(base) + static_cast<uint64_t>(DigitValue(piece[i]));
        if (v > 0xFFFFFFFFu) v = 0xFFFFFFFFu;  // saturates like strtoul
    }
    if (i == first || i != piece.size()) return false;
    out = static_cast<uint32_t>(v);
    return true;
}

}  // namespace

int ParseNumberList(const std::string& text, int base, uint32_t* out, int maxCount) {
    if (!out || maxCount <= 0 || (base != 10 && base != 16)) return 0;
    const std::string work = text.substr(0, kNumberListChars);
    int count = 0;
    size_t start = 0;
    while (start <= work.size() && count < maxCount) {
        size_t comma = work.find(',', start);
        if (comma == std::string::npos) comma = work.size();
        const std::string piece = work.substr(start, comma - start);
        start = comma + 1;
        if (piece.empty()) continue;
        uint32_t v = 0;
        if (!PieceToNumber(piece, base, v)) break;
        out[count++] = v;
    }
    return count;
}

int ParseByteList(const std::string& text, uint8_t* out, int maxCount) {
    if (!out || maxCount <= 0) return 0;
    std::vector<uint32_t> values(static_cast<size_t>(maxCount));
    const int n = ParseNumberList(text.substr(0, kByteListChars), 10, values.data(), maxCount);
    for (int i = 0; i < n; ++i)
        out[i] = static_cast<uint8_t>(values[static_cast<size_t>(i)] & 0xFF);
    return n;
}

int ReadCfgPoint(const platform::PrivateProfile& ini, const std::string& section,
                 const std::string& key, CfgPoint& pt, CfgPoint def) {
    pt = def;
    std::string text;
    // An empty value counts as a missing key.
    if (!ini.ReadString(section, key, text, kPointRectLimit) || text.empty()) return 0;
    uint32_t v[2] = {};
    if (ParseNumberList(text, 10, v, 2) != 2) {
        NotifyUser("Wrong POINT num", "Error");
        return 0;
    }
    pt.x = static_cast<int>(v[0]);
    pt.y = static_cast<int>(v[1]);
    return 1;
}

int ReadCfgRect(const platform::PrivateProfile& ini, const std::string& key, CfgRect& rc) {
    std::string text;
    if (!ini.ReadString("OPT", key, text, kPointRectLimit) || text.empty()) return 0;
    uint32_t v[4] = {};
    if (ParseNumberList(text, 10, v, 4) != 4) {
        NotifyUser("Wrong rect num", "Error");
        return 0;
    }
    rc = CfgRect{static_cast<int>(v[0]), static_cast<int>(v[1]), static_cast<int>(v[2]),
                 static_cast<int>(v[3])};
    return 1;
}

int ReadCfgRect(const std::string& key, CfgRect& rc, const std::string& cfgPath) {
    platform::PrivateProfile ini;
    ini.Load(cfgPath);
    return ReadCfgRect(ini, key, rc);
}

uint32_t ReadCfgColor(const platform::PrivateProfile& ini, const std::string& key, uint32_t def) {
    std::string text;
    if (!ini.ReadString("OPT", key, text, kColorLimit) || text.empty()) return def;
    uint8_t rgb[3] = {};
    ParseByteList(text, rgb, 3);
    return static_cast<uint32_t>(rgb[0]) | static_cast<uint32_t>(rgb[1]) << 8 |
           static_cast<uint32_t>(rgb[2]) << 16;
}
