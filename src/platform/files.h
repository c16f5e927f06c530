// File operations the engine needs, with errno-style error codes for the log.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Reads a whole file; false (err set) when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, int* err = nullptr);
// Reads at most maxBytes from the start of a regular file, for files whose size the caller
// knows. Never blocks and never follows a symbolic link at the name: false with err EINVAL for
// a FIFO, device node, socket or folder, ELOOP for a symbolic link, or the errno of the failed
// open or read. *truncated (when given) tells whether the file holds more than maxBytes.
bool ReadRegularFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>& out,
                     int* err = nullptr, bool* truncated = nullptr);
// True when anything (file, folder, dangling symbolic link, ...) has this name.
bool PathExists(const std::string& path);
// Replaces path atomically: writes a temporary file in the same folder, syncs it and renames
// it over path, so a crash leaves either the old or the new content. False (err set) on failure,
// in which case path is unchanged.
bool WriteFileAtomic(const std::string& path, const uint8_t* data, size_t size, int* err = nullptr);
inline bool WriteFileAtomic(const std::string& path, const std::vector<uint8_t>& data,
                            int* err = nullptr) {
    return WriteFileAtomic(path, data.data(), data.size(), err);
}
bool FileExists(const std::string& path);
bool DirExists(const std::string& path);
// Creates the folder and its parents; true when it exists afterwards.
bool MakeDirs(const std::string& path, int* err = nullptr);
bool RemoveFile(const std::string& path, int* err = nullptr);
bool RenamePath(const std::string& from, const std::string& to, int* err = nullptr);
// Removes a folder and everything in it, without following symbolic links.
bool RemoveTree(const std::string& path, int* err = nullptr);

struct DirEntry {
    std::string name;
    bool isDir = false;
};
// Lists a folder (without "." and ".."), sorted by name; false when it cannot be read.
bool ListDir(const std::string& path, std::vector<DirEntry>& out);

}  // namespace platform
