// Fuzzes writing the language choice through the INI writer into an arbitrary existing lang.ini:
// the write must succeed and the choice must read back, whatever the file held before.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "config/program_config.h"
#include "config/ui_text.h"
#include "fuzz_quiet.h"
#include "platform/files.h"

namespace {

// tmpfs when there is one: the writer syncs every file it replaces.
std::string WorkDir() {
    std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string dir = base + "/mivora-lang-fuzz-XXXXXX";
    if (!mkdtemp(dir.data())) __builtin_trap();
    return dir + "/";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool quiet = (MakeFuzzQuiet(), true);
    (void)quiet;
    static const std::string dir = WorkDir();
    if (!platform::WriteFileAtomic(dir + "lang.ini", data, size)) __builtin_trap();
    g_Config.LangCount = 3;
    const int index = size % 3;
    if (!WriteLangIndex(dir, index)) __builtin_trap();
    if (ReadLangIndex(dir) != index) __builtin_trap();
    return 0;
}
