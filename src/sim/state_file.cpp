#include "sim/state_file.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/files.h"

namespace sim {

bool LoadOrCreateStateFile(const std::string& path, const MemoryImage& factory, MemoryImage& image,
                           std::string& error) {
    // Left by a run killed while it saved the memory.
    platform::RemoveStaleTempFilesBeside(path);
    std::vector<uint8_t> bytes;
    int err = 0;
    // Enough to name the size of a wrong file, never a whole device or a huge file.
    constexpr size_t kReadLimit = 65536;
    bool longer = false;
    if (platform::ReadRegularFile(path, kReadLimit, bytes, &err, &longer)) {
        if (bytes.size() != static_cast<size_t>(kMemorySize)) {
            error = "virtual mouse: state file " + path + " has " + (longer ? "more than " : "") +
                    std::to_string(bytes.size()) + " bytes, expected " +
                    std::to_string(kMemorySize);
            return false;
        }
        std::copy(bytes.begin(), bytes.end(), image.begin());
        return true;
    }
    if (err != ENOENT) {
        error = "virtual mouse: cannot read state file " + path + ": " + std::strerror(err);
        return false;
    }
    if (!SaveStateFile(path, factory, &err)) {
        error = "virtual mouse: cannot create state file " + path + ": " + std::strerror(err);
        return false;
    }
    image = factory;
    return true;
}

bool SaveStateFile(const std::string& path, const MemoryImage& image, int* err) {
    return platform::WriteFileAtomic(path, image.data(), image.size(), err);
}

}  // namespace sim
