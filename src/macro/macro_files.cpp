#include "macro/macro_files.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "core/log.h"
#include "core/paths.h"
#include "macro/macro_library.h"
#include "macro/macro_names.h"
#include "platform/files.h"

namespace {

std::string ParentOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// The file a record is written to when it has none of its own yet.
std::string TopLevelFileOf(const StMacro& rec) {
    return SanitizeMacroName(rec.szName, kMacroNameUnits) + ".zqm";
}

}  // namespace

std::string MacroFolder() {
    return WithSlash(g_szDataDir) + "Mac";
}

std::string MacroFolderPath(const std::string& rel) {
    std::string out = MacroFolder();
    if (rel.empty()) return out;
    size_t start = 0;
    for (;;) {
        size_t slash = rel.find('/', start);
        std::string part =
            rel.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (part.empty() || part == "." || part == ".." || part.find('\0') != std::string::npos)
            return std::string();
        out += "/" + part;
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    return out;
}

void EncodeMacroFile(const StMacro& rec, uint8_t out[kMacroRecordBytes]) {
    EncodeMacroRecord(rec, out);
    for (size_t i = 0; i < kMacroRecordBytes; ++i) out[i] = RotateToFile(out[i]);
}

int DecodeMacroFile(const uint8_t* data, size_t size, StMacro& rec) {
    if (!data || size < kMacroRecordBytes) return 0;
    uint8_t plain[kMacroRecordBytes];
    for (size_t i = 0; i < kMacroRecordBytes; ++i) plain[i] = RotateFromFile(data[i]);
    DecodeMacroRecord(plain, rec);
    return rec.dwMagicNumber == kMacroMagic ? 1 : 0;
}

int ReadRegularMacroFile(const std::string& path, StMacro& rec, int* err) {
    // A symbolic link or a FIFO planted in the macro folder is neither followed nor waited on.
    std::vector<uint8_t> buf;
    if (!platform::ReadRegularFilePrefix(path, kMacroRecordBytes, buf, false, err)) return -1;
    return DecodeMacroFile(buf.data(), buf.size(), rec);
}

int ReadMacroFile(const std::string& path, StMacro& rec, int* err) {
    return ReadRegularMacroFile(path, rec, err);
}

int WriteMacroFile(const std::string& path, const StMacro& rec, int* err, bool replace) {
    uint8_t buf[kMacroRecordBytes];
    EncodeMacroFile(rec, buf);
    const auto write = [&](int& e) {
        return replace ? platform::WriteFileAtomic(path, buf, sizeof buf, &e)
                       : platform::WriteNewFile(path, buf, sizeof buf, &e);
    };
    int e = 0;
    if (write(e)) return 1;
    if (e == ENOENT && MakeSureFolderExist(ParentOf(path)) && write(e)) return 1;
    if (err) *err = e;
    return 0;
}

int MakeSureFolderExist(const std::string& path) {
    if (path.empty()) return 0;
    int e = 0;
    if (platform::MakeDirs(path, &e)) return 1;
    g_pfnLog("MakeSureFolderExist: create dir %s, err=0x%x", path.c_str(), e);
    return 0;
}

int MyCopyFile(const std::string& source, const std::string& target, bool overwrite) {
    std::vector<uint8_t> data;
    int e = 0;
    if (!platform::ReadWholeFile(source, data, &e)) {
        g_pfnLog("MyCopyFile: %s, error=0x%x", source.c_str(), e);
        return 0;
    }
    if (!overwrite && std::filesystem::exists(std::filesystem::symlink_status(target))) {
        g_pfnLog("MyCopyFile: %s, error=0x%x", source.c_str(), EEXIST);
        return 0;
    }
    bool ok = platform::WriteFileAtomic(target, data, &e);
    if (!ok && e == ENOENT && MakeSureFolderExist(ParentOf(target)))
        ok = platform::WriteFileAtomic(target, data, &e);
    if (!ok) g_pfnLog("MyCopyFile: %s, error=0x%x", source.c_str(), e);
    return ok ? 1 : 0;
}

StMacro* Add_Macro(const StMacro* rec) {
    if (!rec) return nullptr;
    if (rec->dwMagicNumber != kMacroMagic) {
        g_pfnLog("Add_Macro: FAILED, dwMagicNumber=0x%x", rec->dwMagicNumber);
        return nullptr;
    }
    const std::string base = SanitizeMacroName(rec->szName, kMacroNameUnits);
    std::string rel = base + ".zqm";
    // Another macro's file is never overwritten: the new one gets a file name of its own.
    for (int k = 2; platform::FileExists(MacroFolderPath(rel)) && k < 10000; ++k)
        rel = base + " (" + std::to_string(k) + ").zqm";
    StMacro* copy = AddMacroCopy(*rec, rel);
    if (!copy) return nullptr;
    int e = 0;
    if (!WriteMacroFile(MacroFolderPath(rel), *copy, &e)) {
        // Still unsaved: the editor writes it again when it closes.
        copy->dwFlags |= kMacroDirtyMask;
        g_pfnLog("Add_Macro: write %s err=0x%x", rel.c_str(), e);
    }
    return copy;
}

StMacro* Add_Macro_Unique(const StMacro* rec) {
    if (!rec) return nullptr;
    std::lock_guard<std::recursive_mutex> lock(MacroLibraryMutex());
    StMacro named = *rec;
    SetMacroName(named, UniqueMacroName(MacroName(*rec)));
    return Add_Macro(&named);
}

int ReplaceMacro(StMacro* rec) {
    if (!rec) return 0;
    std::lock_guard<std::recursive_mutex> lock(MacroLibraryMutex());
    std::string rel = MacroRelFile(rec);
    if (rel.empty() || MacroFolderPath(rel).empty()) {
        rel = TopLevelFileOf(*rec);
        SetMacroRelFile(rec, rel);
    }
    // The dirty bits go only once the file holds the record, so a failed write is retried.
    StMacro clean = *rec;
    clean.dwFlags &= ~kMacroDirtyMask;
    int e = 0;
    if (!WriteMacroFile(MacroFolderPath(rel), clean, &e)) {
        rec->dwFlags |= kMacroDirtyMask;
        g_pfnLog("ReplaceMacro: WriteFile err=0x%x", e);
        return 0;
    }
    rec->dwFlags &= ~kMacroDirtyMask;
    return 1;
}

uint32_t ReplaceMacroById(const StMacro& rec) {
    std::lock_guard<std::recursive_mutex> lock(MacroLibraryMutex());
    StMacro* target = FindMacroById(rec.dwMacroID);
    if (!target) return 0;
    const uint32_t id = target->dwMacroID;
    *target = rec;
    target->dwMacroID = id;
    // The library holds the new events either way; a failed write leaves the record dirty so
    // the editor writes it again.
    if (!ReplaceMacro(target)) g_pfnLog("ReplaceMacroById: 0x%x kept unsaved", id);
    return id;
}

int SaveMacroSnapshot() {
    std::vector<uint8_t> image(kMacroSnapshotBytes, 0);
    {
        std::lock_guard<std::recursive_mutex> lock(MacroLibraryMutex());
        size_t slot = 0;
        for (auto* n = g_MacroList.Head(); n && slot < kMacroSnapshotSlots; n = n->pNext) {
            const StMacro& rec = n->pItem->rec;
            if (rec.dwMacroID == 0 || rec.stEvents[0].wKey == 0) continue;
            EncodeMacroRecord(rec, image.data() + slot * kMacroRecordBytes);
            ++slot;
        }
    }
    int e = 0;
    if (!platform::WriteFileAtomic(WithSlash(g_szDataDir) + "mac.dct", image, &e)) {
        g_pfnLog("Save macro: WriteFile err=%d", e);
        return 0;
    }
    return 1;
}
