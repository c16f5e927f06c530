// Fuzzes the skin mark check with arbitrary mark file bytes; the first input byte picks a title.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "config/ui_text.h"
#include "fuzz_quiet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool quiet = (MakeFuzzQuiet(), true);
    (void)quiet;
    static const std::string titles[] = {"", "Mivora", "Mivora Control Center with a long tail",
                                         "\xC3\xA9t\xC3\xA9"};
    const std::string& title = titles[size ? data[0] % 4 : 0];
    SkinMarkMatches(std::vector<uint8_t>(data, data + size), title);
    return 0;
}
