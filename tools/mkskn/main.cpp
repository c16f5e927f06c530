// mkskn: writes the skin mark file mak.skn for the "Title" of a cfg.ini, so that the program's
// skin check accepts the skins built with it.
//
// Layout: byte 4 holds the offset of the mark, byte 20 its length (both signed bytes); the mark
// is the title, one byte per character, each byte rotated left by 3 bits.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/private_profile.h"

namespace {

constexpr size_t kFileBytes = 128;
constexpr uint8_t kMarkOffset = 32;  // must be above 20
constexpr size_t kMaxTitle = 39;     // the title buffer holds 39 characters
static_assert(kMarkOffset > 20 && kMarkOffset + kMaxTitle <= kFileBytes);

// Code points of UTF-8 text; false when a character does not fit in one byte.
bool ToLatin1(const std::string& s, std::vector<uint8_t>& out) {
    for (size_t i = 0; i < s.size();) {
        const uint8_t c = static_cast<uint8_t>(s[i]);
        if (c < 0x80) {
            out.push_back(c);
            ++i;
        } else if ((c & 0xE0) == 0xC0 && i + 1 < s.size() && c <= 0xC3) {
            out.push_back(
                static_cast<uint8_t>(((c & 0x03) << 6) | (static_cast<uint8_t>(s[i + 1]) & 0x3F)));
            i += 2;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: mkskn CFG_INI OUTPUT_MAK_SKN\n");
        return 2;
    }
    platform::PrivateProfile ini;
    if (!ini.Load(argv[1])) {
        std::fprintf(stderr, "mkskn: cannot read %s\n", argv[1]);
        return 1;
    }
    const std::string title = ini.GetString("OPT", "Title", "", kMaxTitle);
    std::vector<uint8_t> mark;
    if (!ToLatin1(title, mark)) {
        std::fprintf(stderr, "mkskn: the title must use Latin-1 characters only\n");
        return 1;
    }
    std::vector<uint8_t> bytes(kFileBytes);
    uint32_t seed = 0x4D534B4Eu;  // filler that does not depend on the title
    for (auto& b : bytes) {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<uint8_t>(seed >> 16);
    }
    bytes[0] = 'M';
    bytes[1] = 'S';
    bytes[2] = 'K';
    bytes[3] = 'N';
    bytes[4] = kMarkOffset;
    bytes[20] = static_cast<uint8_t>(mark.size());
    for (size_t i = 0; i < mark.size(); ++i)
        bytes[kMarkOffset + i] = static_cast<uint8_t>((mark[i] << 3) | (mark[i] >> 5));
    int err = 0;
    if (!platform::WriteFileAtomic(argv[2], bytes, &err)) {
        std::fprintf(stderr, "mkskn: cannot write %s (error %d)\n", argv[2], err);
        return 1;
    }
    return 0;
}
