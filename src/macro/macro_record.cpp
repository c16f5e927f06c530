#include "macro/macro_record.h"

#include <atomic>
#include <chrono>
#include <ctime>
#include <mutex>
#include <thread>

#include "core/utf.h"
#include "macro/macro_library.h"

namespace {

void Put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint16_t Get16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Simple case folding of one UTF-16 unit for name comparison.
char16_t FoldUnit(char16_t c) {
    if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 32);
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return static_cast<char16_t>(c + 32);
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return static_cast<char16_t>(c + 32);  // Greek
    if (c >= 0x410 && c <= 0x42F) return static_cast<char16_t>(c + 32);                // Cyrillic
    if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 80);
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 &&
        c != 0x17F) {
        // Latin Extended-A alternates upper/lower, with a shift in parity at 0x139..0x148, 0x179..
        bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (oddUpper ? (c & 1) : !(c & 1)) return static_cast<char16_t>(c + 1);
    }
    return c;
}

}  // namespace

void EncodeMacroRecord(const StMacro& rec, uint8_t out[kMacroRecordBytes]) {
    Put32(out + kOffMagic, rec.dwMagicNumber);
    Put32(out + kOffMacroID, rec.dwMacroID);
    Put32(out + kOffFlags, rec.dwFlags);
    Put32(out + kOffAutoDelay, rec.dwAutoDelay);
    Put32(out + kOffLoopMode, rec.dwLoopMode);
    for (int i = 0; i < kMacroNameUnits; ++i) Put16(out + kOffName + 2 * i, rec.szName[i]);
    Put32(out + kOffReserved, rec.dwReserved);
    Put16(out + kOffLoopCount, rec.wLoopCount);
    for (int i = 0; i < kMacroEventSlots; ++i) {
        uint8_t* p = out + kOffEvents + kMacroEventBytes * i;
        Put16(p, rec.stEvents[i].wKey);
        Put16(p + 2, rec.stEvents[i].wState);
        Put32(p + 4, rec.stEvents[i].dwDelay);
    }
}

void DecodeMacroRecord(const uint8_t in[kMacroRecordBytes], StMacro& rec) {
    rec.dwMagicNumber = Get32(in + kOffMagic);
    rec.dwMacroID = Get32(in + kOffMacroID);
    rec.dwFlags = Get32(in + kOffFlags);
    rec.dwAutoDelay = Get32(in + kOffAutoDelay);
    rec.dwLoopMode = Get32(in + kOffLoopMode);
    for (int i = 0; i < kMacroNameUnits; ++i) rec.szName[i] = Get16(in + kOffName + 2 * i);
    rec.dwReserved = Get32(in + kOffReserved);
    rec.wLoopCount = Get16(in + kOffLoopCount);
    for (int i = 0; i < kMacroEventSlots; ++i) {
        const uint8_t* p = in + kOffEvents + kMacroEventBytes * i;
        rec.stEvents[i].wKey = Get16(p);
        rec.stEvents[i].wState = Get16(p + 2);
        rec.stEvents[i].dwDelay = Get32(p + 4);
    }
}

std::string MacroName(const StMacro& rec) {
    return Utf16FieldToUtf8(rec.szName, kMacroNameUnits);
}

void SetMacroName(StMacro& rec, const std::string& name) {
    std::u16string u = Utf8ToUtf16(name);
    if (u.size() > static_cast<size_t>(kMacroNameMaxChars)) {
        u.resize(kMacroNameMaxChars);
        if (u.back() >= 0xD800 && u.back() <= 0xDBFF) u.pop_back();
    }
    size_t n = 0;
    for (; n < u.size() && u[n] != 0; ++n) rec.szName[n] = u[n];
    for (; n < static_cast<size_t>(kMacroNameUnits); ++n) rec.szName[n] = 0;
}

int InitMacroRecord(const std::string& name, StMacro* out) {
    if (!out) return 0;
    *out = StMacro{};
    out->dwMagicNumber = kMacroMagic;
    out->dwMacroID = NewMacroID();
    out->dwAutoDelay = 1;
    out->dwLoopMode = 0;
    SetMacroName(*out, name);
    out->dwReserved = 0;
    out->wLoopCount = 1;
    return 1;
}

uint32_t MacroIdFromTime(int hour, int minute, int second, int millisecond) {
    return (static_cast<uint32_t>(hour % 16) << 20) | (static_cast<uint32_t>(minute) << 14) |
           (static_cast<uint32_t>(second) << 8) | static_cast<uint32_t>(millisecond % 256);
}

namespace {
std::atomic<MacroIdSourceFn> g_idSource{nullptr};
}  // namespace

void SetMacroIdSource(MacroIdSourceFn fn) {
    g_idSource = fn;
}

namespace {

uint32_t IdFromClock() {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    auto now = std::chrono::system_clock::now();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch());
    std::time_t secs = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&secs, &local);
    return MacroIdFromTime(local.tm_hour, local.tm_min, local.tm_sec,
                           static_cast<int>(ms.count() % 1000));
}

}  // namespace

uint32_t NewMacroID() {
    // The library lock first (the order every caller that holds it already follows), so that no
    // other thread adds a record with the id between the check and the caller's use of it.
    std::lock_guard<std::recursive_mutex> libraryLock(MacroLibraryMutex());
    // Serialised so that callers on different threads also get different ids.
    static std::mutex mutex;
    std::lock_guard<std::mutex> lock(mutex);
    MacroIdSourceFn fn = g_idSource.load();
    // The clock repeats every 16 hours, so an id can already belong to a library macro: draw
    // again. A replaced source that keeps repeating itself is given up on after a while.
    uint32_t id = 0;
    for (int attempt = 0; attempt < 4096; ++attempt) {
        id = fn ? fn() : IdFromClock();
        if (id != 0 && !FindMacroById(id)) return id;
        if (fn && attempt > 64) break;
    }
    return id;
}

int MacroEventCount(const StMacro& rec) {
    int n = 0;
    while (n < kMacroEventSlots && (rec.stEvents[n].wKey != 0 || rec.stEvents[n].dwDelay != 0)) ++n;
    return n;
}

int MacroKeyEventCount(const StMacro& rec) {
    int n = 0;
    while (n < kMacroEventSlots && rec.stEvents[n].wKey != 0) ++n;
    return n;
}

bool MacroNameEqualsNoCase(const char16_t* a, const char16_t* b, size_t maxUnits) {
    for (size_t i = 0; i < maxUnits; ++i) {
        if (FoldUnit(a[i]) != FoldUnit(b[i])) return false;
        if (a[i] == 0) return true;
    }
    return true;
}

bool MacroNameEqualsNoCase(const std::string& a, const std::string& b) {
    std::u16string ua = Utf8ToUtf16(a), ub = Utf8ToUtf16(b);
    if (ua.size() != ub.size()) return false;
    return MacroNameEqualsNoCase(ua.c_str(), ub.c_str(), ua.size());
}

int MacroEquals(const StMacro* a, const StMacro* b) {
    if (!a || !b) return 0;
    if (!MacroNameEqualsNoCase(a->szName, b->szName, kMacroNameUnits)) return 0;
    int n = MacroEventCount(*a);
    if (n != MacroEventCount(*b)) return 0;
    for (int i = 0; i < n; ++i) {
        const StMacroEvent& x = a->stEvents[i];
        const StMacroEvent& y = b->stEvents[i];
        if (x.wKey != y.wKey || x.dwDelay != y.dwDelay || x.wState != y.wState) return 0;
    }
    return 1;
}

int MacroEventsEqualIgnoringPauses(const StMacro* a, const StMacro* b) {
    if (!a || !b) return 0;
    int n = MacroKeyEventCount(*a);
    if (n != MacroKeyEventCount(*b)) return 0;
    for (int i = 0; i < n; ++i) {
        // The device only knows pressed or released.
        if (a->stEvents[i].wKey != b->stEvents[i].wKey ||
            (a->stEvents[i].wState != 0) != (b->stEvents[i].wState != 0))
            return 0;
    }
    return 1;
}

int MacroKeysSupported(const StMacro& rec, uint32_t mouseMask) {
    for (int i = 0; i < kMacroEventSlots; ++i) {
        uint16_t k = rec.stEvents[i].wKey;
        if (k >= kMouseCodeLeft && k <= kMouseCodeWheelDown &&
            !(mouseMask & (1u << (k - kMouseCodeLeft))))
            return 0;
    }
    return 1;
}

int MacroKeysFitAByte(const StMacro& rec) {
    for (const StMacroEvent& ev : rec.stEvents)
        if (ev.wKey > 0xFF) return 0;
    return 1;
}
