// The virtual mouse's state file: the raw memory image, exactly kMemorySize bytes.
#pragma once

#include <string>

#include "sim/mouse_memory.h"

namespace sim {

// Loads path into image when the file exists; when it does not, writes factory to it and
// uses that. Returns false with a one-line error when the file has another size, cannot be
// read, or cannot be created; image is then unchanged.
bool LoadOrCreateStateFile(const std::string& path, const MemoryImage& factory, MemoryImage& image,
                           std::string& error);

// Replaces the file atomically; false (err set to an errno value) on failure.
[[nodiscard]] bool SaveStateFile(const std::string& path, const MemoryImage& image, int* err);

}  // namespace sim
