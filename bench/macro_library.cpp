// Loading a macro folder of 2000 macro files into the library, as a ratio to reading the same
// files' bytes (open, read, close each) in the same run.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/paths.h"
#include "macro/macro_files.h"
#include "macro/macro_library.h"
#include "macro/macro_tree.h"
#include "platform/files.h"

namespace {

constexpr int kMacros = 2000;
constexpr int kRounds = 7;

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

template <class Fn>
double Best(Fn&& fn) {
    double best = 1e30;
    for (int i = 0; i < kRounds; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        fn();
        best = std::min(best, Seconds(std::chrono::steady_clock::now() - t0));
    }
    return best;
}

}  // namespace

int main() {
    namespace fs = std::filesystem;
    const fs::path dir =
        fs::temp_directory_path() /
        ("mivora-bench-macro-" +
         std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    g_szDataDir = dir.string() + "/";
    const std::string folder = MacroFolder();
    std::vector<std::string> files;
    for (int i = 0; i < kMacros; ++i) {
        StMacro m;
        InitMacroRecord("Macro " + std::to_string(i), &m);
        m.dwMacroID = static_cast<uint32_t>(i + 1);
        for (int e = 0; e < 20; ++e)
            m.stEvents[e] = {static_cast<uint16_t>(0x41 + e % 26), static_cast<uint16_t>(e & 1),
                             30};
        // A quarter of them in sub-folders, as a user with folders would keep them.
        std::string rel = (i % 4 == 0 ? "Group" + std::to_string(i % 10) + "/" : std::string()) +
                          "Macro " + std::to_string(i) + ".zqm";
        files.push_back(folder + "/" + rel);
        if (!WriteMacroFile(files.back(), m)) {
            std::fprintf(stderr, "bench_macro_library: cannot write %s\n", files.back().c_str());
            return 1;
        }
    }

    size_t bytes = 0;
    double read = Best([&] {
        bytes = 0;
        std::vector<uint8_t> data;
        for (const auto& f : files) {
            platform::ReadWholeFile(f, data);
            bytes += data.size();
        }
    });
    size_t loaded = 0;
    double load = Best([&] {
        ClearMacroLibrary();
        MacroTree tree;
        LoadMacroLibrary(&tree, true, true);
        loaded = MacroCount();
    });
    ClearMacroLibrary();
    fs::remove_all(dir);

    if (loaded != static_cast<size_t>(kMacros)) {
        std::fprintf(stderr, "bench_macro_library: loaded %zu of %d macros\n", loaded, kMacros);
        return 1;
    }
    std::printf("macro library: %d files, %zu bytes\n", kMacros, bytes);
    std::printf("  reading the files:     %.2f ms\n", read * 1e3);
    std::printf("  loading the library:   %.2f ms (folders and tree included)\n", load * 1e3);
    std::printf("  ratio load/read:       %.2f (target at most 3)\n", load / read);
    return 0;
}
