#include "macro/macro_library.h"

#include "core/utf.h"

CMyList<LibraryMacro> g_MacroList(CMyList<LibraryMacro>::kOwning, [](LibraryMacro*) {});

std::recursive_mutex& MacroLibraryMutex() {
    static std::recursive_mutex mutex;
    return mutex;
}

namespace {

CMyList<LibraryMacro>::Node* NodeOf(const StMacro* rec) {
    for (auto* n = g_MacroList.Head(); n; n = n->pNext)
        if (&n->pItem->rec == rec) return n;
    return nullptr;
}

}  // namespace

StMacro* AddMacroCopy(const StMacro& rec, const std::string& relFile) {
    auto* item = new (std::nothrow) LibraryMacro{rec, relFile};
    if (!item) return nullptr;
    std::lock_guard<std::recursive_mutex> lock(MacroLibraryMutex());
    if (!g_MacroList.Append(item)) {
        delete item;
        return nullptr;
    }
    return &item->rec;
}

StMacro* FindMacroById(uint32_t id) {
    std::lock_guard<std::recursive_mutex> lock(MacroLibraryMutex());
    for (auto* n = g_MacroList.Head(); n; n = n->pNext)
        if (n->pItem->rec.dwMacroID == id) return &n->pItem->rec;
    return nullptr;
}

StMacro* FindMacroByName(const char16_t* name, size_t maxUnits) {
    if (!name || maxUnits == 0 || name[0] == 0) return nullptr;
    // Compare over the record's field: a shorter input is padded with its terminator.
    char16_t key[kMacroNameUnits] = {};
    for (size_t i = 0; i < maxUnits && i < static_cast<size_t>(kMacroNameUnits) && name[i]; ++i)
        key[i] = name[i];
    std::lock_guard<std::recursive_mutex> lock(MacroLibraryMutex());
    for (auto* n = g_MacroList.Head(); n; n = n->pNext)
        if (MacroNameEqualsNoCase(n->pItem->rec.szName, key, kMacroNameUnits))
            return &n->pItem->rec;
    return nullptr;
}

StMacro* FindMacroByName(const std::string& name) {
    std::u16string u = Utf8ToUtf16(name);
    return FindMacroByName(u.c_str(), u.size());
}

bool CopyMacroById(uint32_t id, StMacro& out) {
    std::lock_guard<std::recursive_mutex> lock(MacroLibraryMutex());
    StMacro* rec = FindMacroById(id);
    if (!rec) return false;
    out = *rec;
    return true;
}

int RemoveMacroById(uint32_t id) {
    std::lock_guard<std::recursive_mutex> lock(MacroLibraryMutex());
    for (auto* n = g_MacroList.Head(); n; n = n->pNext) {
        if (n->pItem->rec.dwMacroID == id) {
            g_MacroList.Remove(n);
            return 1;
        }
    }
    return 0;
}

size_t MacroCount() {
    std::lock_guard<std::recursive_mutex> lock(MacroLibraryMutex());
    return g_MacroList.Count();
}

void ClearMacroLibrary() {
    std::lock_guard<std::recursive_mutex> lock(MacroLibraryMutex());
    g_MacroList.RemoveAll();
}

std::string MacroRelFile(const StMacro* rec) {
    std::lock_guard<std::recursive_mutex> lock(MacroLibraryMutex());
    auto* n = NodeOf(rec);
    return n ? n->pItem->relFile : std::string();
}

void SetMacroRelFile(const StMacro* rec, const std::string& relFile) {
    std::lock_guard<std::recursive_mutex> lock(MacroLibraryMutex());
    if (auto* n = NodeOf(rec)) n->pItem->relFile = relFile;
}

std::string UniqueMacroName(const std::string& name) {
    std::lock_guard<std::recursive_mutex> lock(MacroLibraryMutex());
    if (!FindMacroByName(name)) return name;
    std::u16string base = Utf8ToUtf16(name);
    for (int k = 2;; ++k) {
        std::u16string suffix = Utf8ToUtf16(" (" + std::to_string(k) + ")");
        std::u16string b = base;
        size_t room = kMacroNameMaxChars - suffix.size();
        if (b.size() > room) {
            b.resize(room);
            if (!b.empty() && b.back() >= 0xD800 && b.back() <= 0xDBFF) b.pop_back();
        }
        std::string candidate = Utf16ToUtf8(b + suffix);
        if (!FindMacroByName(candidate)) return candidate;
    }
}
