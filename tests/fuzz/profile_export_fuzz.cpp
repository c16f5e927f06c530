// Profile export files: checking any content never reads or writes out of bounds, and a file
// that passes has sound macros in every slot a macro key uses.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "profile/function_codes.h"
#include "profile/profile_export.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ImportImage img;
    std::string message;
    if (ParseExportImage(data, size, img, &message) != 1) {
        if (message.empty()) std::abort();
        return 0;
    }
    if (img.rec.magic != kProfileMagic || img.rec.profileId == 0) std::abort();
    for (const StMacro& m : img.macros) {
        if (m.dwMagicNumber != kMacroMagic) continue;
        (void)MacroName(m);
        if (MacroEventCount(m) > kMacroMaxEvents) std::abort();
    }
    return 0;
}
