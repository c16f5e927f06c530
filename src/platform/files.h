// File operations the engine needs, with errno-style error codes for the log.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Why a file could not be read, in words for the user: "not a regular file" for what
// ReadRegularFile refuses as such (EINVAL), "a symbolic link, not followed" for ELOOP, else the
// system's text for the error code.
std::string FileErrorText(int err);

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
// it over path, so a crash leaves either the old or the new content. The temporary file gets a
// random name (see IsTempFileName), is created exclusively and never through a symbolic link,
// and takes the mode of the file it replaces. A symbolic link at path is replaced, not followed;
// anything else that is not a regular file there (a folder, a FIFO, a device) is refused with
// EINVAL. False (err set) on failure, in which case path is unchanged.
[[nodiscard]] bool WriteFileAtomic(const std::string& path, const uint8_t* data, size_t size,
                                   int* err = nullptr);
[[nodiscard]] inline bool WriteFileAtomic(const std::string& path, const std::vector<uint8_t>& data,
                                          int* err = nullptr) {
    return WriteFileAtomic(path, data.data(), data.size(), err);
}
// As WriteFileAtomic, but only creates: false with EEXIST when anything has the name, also when
// another process creates it during the write (the name is taken atomically, never replaced).
[[nodiscard]] bool WriteNewFile(const std::string& path, const uint8_t* data, size_t size,
                                int* err = nullptr);
// True for the names WriteFileAtomic gives its temporary files, so folder scans can skip them.
bool IsTempFileName(const std::string& name);
// Removes temporary files that an interrupted WriteFileAtomic left in folder (and, with
// recursive set, in its sub-folders, never following symbolic links). Only files older than
// minAgeSeconds go, so a write still in progress in another process keeps its file. Returns the
// number removed.
int RemoveStaleTempFiles(const std::string& folder, bool recursive, int minAgeSeconds = 60);
// RemoveStaleTempFiles for the folder of path (a file written with WriteFileAtomic from time to
// time, outside the data folder: an export target, a state file).
int RemoveStaleTempFilesBeside(const std::string& path);
bool FileExists(const std::string& path);
bool DirExists(const std::string& path);
// Creates the folder and its parents; true when it exists afterwards.
bool MakeDirs(const std::string& path, int* err = nullptr);
bool RemoveFile(const std::string& path, int* err = nullptr);
bool RenamePath(const std::string& from, const std::string& to, int* err = nullptr);
// Copies the folder from, its sub-folders and its regular files of at most maxFileBytes, into
// to (created when missing; files already there are not replaced: false, EEXIST). Symbolic
// links, FIFOs, devices and larger files are left out, never followed or read. False (err set)
// on the first failure.
bool CopyTree(const std::string& from, const std::string& to, size_t maxFileBytes,
              int* err = nullptr);
// Removes a folder and everything in it, without following symbolic links.
bool RemoveTree(const std::string& path, int* err = nullptr);

// Reads at most maxBytes from the start of a regular file. With followLinks false a symbolic link
// at path is refused (ELOOP); a FIFO, socket or device node is refused at once (EINVAL) without
// waiting for a writer. False (err set) on failure.
bool ReadRegularFilePrefix(const std::string& path, size_t maxBytes, std::vector<uint8_t>& out,
                           bool followLinks, int* err = nullptr, bool* truncated = nullptr);

struct DirEntry {
    std::string name;
    bool isDir = false;
};
// Lists a folder (without "." and ".."), sorted by name; false when it cannot be read.
bool ListDir(const std::string& path, std::vector<DirEntry>& out);

}  // namespace platform
