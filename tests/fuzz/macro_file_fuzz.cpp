// Macro files from anywhere (the macro folder, imports): decoding, the name as a file name and
// the device encoding of whatever the record holds.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "macro/hd_macro.h"
#include "macro/macro_files.h"
#include "macro/macro_names.h"
#include "macro/macro_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    StMacro rec;
    if (!DecodeMacroFile(data, size, rec)) return 0;

    const std::string safe = SanitizeMacroName(rec.szName, kMacroNameUnits);
    if (safe.empty() || safe == "." || safe == ".." || safe.find('/') != std::string::npos ||
        !IsSafeMacroName(safe))
        __builtin_trap();
    std::string typed;
    if (ValidateTypedMacroName(MacroName(rec), typed) && !IsSafeMacroName(typed)) __builtin_trap();

    MacroKeysSupported(rec);
    MacroEquals(&rec, &rec);
    std::vector<uint8_t> out(kHdMacroMaxBytes);
    const int len = StMacro_To_HdMacro(&rec, out.data());
    if (len < 1 || len > static_cast<int>(kHdMacroMaxBytes)) __builtin_trap();

    // Stored bytes survive a write and a read unchanged.
    uint8_t again[kMacroRecordBytes];
    EncodeMacroFile(rec, again);
    StMacro back;
    if (!DecodeMacroFile(again, sizeof again, back) || !(back == rec)) __builtin_trap();
    return 0;
}
