#include "profile/profile_read.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "config/device_model.h"
#include "config/program_config.h"
#include "config/sensor_dpi.h"
#include "core/log.h"
#include "core/notifier.h"
#include "core/utf.h"
#include "device/device_commands.h"
#include "device/memory_writers.h"
#include "macro/hd_macro.h"
#include "macro/macro_files.h"
#include "macro/macro_library.h"
#include "macro/macro_names.h"
#include "profile/function_codes.h"
#include "profile/key_slot.h"
#include "profile/profile_defaults.h"

namespace {

constexpr int kProfileBlockBytes = 53;  // 0x00..0x34
constexpr int kAddrLighting = 0x35;
constexpr int kProfileBlockPauseMs = 10;
constexpr int kSlotReadableEvents = static_cast<int>((kKeySlotBytes - 32) / 4);  // 88

uint32_t RateOfCode(unsigned code) {
    switch (code) {
        case 1:
            return 0x1000;
        case 2:
            return 0x500;
        case 4:
            return 0x250;
        case 8:
            return 0x125;
        default:
            return 0;
    }
}

// True when the library macro encodes to exactly the event string read from the mouse. The
// mouse keeps no pauses, and a macro longer than a decoded record may hold (30 events) still
// matches its library copy this way.
bool SameDeviceEvents(const StMacro& m, const uint8_t* eventString, size_t length) {
    uint8_t encoded[kHdMacroMaxBytes] = {};
    const int n = StMacro_To_HdMacro(&m, encoded, kSlotMaxEvents);
    return static_cast<size_t>(n) == length && std::memcmp(encoded, eventString, length) == 0;
}

// Whether library macro m is what a slot named lowerName (lower-cased) with these device events
// holds: the name m leaves in a slot, or a name given to an earlier read-back of it ("Name (2)"),
// and the same events.
bool MatchesSlot(const StMacro& m, const std::string& lowerName, const uint8_t* eventString,
                 size_t length) {
    const std::string name = MacroName(m);
    const std::string kept = AsciiLower(Utf16ToUtf8(SlotMacroName(Utf8ToUtf16(name))));
    if (kept != lowerName && AsciiLower(name).rfind(lowerName + " (", 0) != 0) return false;
    return SameDeviceEvents(m, eventString, length);
}

// The library macro the read-back one stands for: the key's own macro when it matches the slot,
// else the first library macro that does. Caller holds the library lock.
StMacro* FindReadBackTwin(const KeyEntry& current, const std::string& name,
                          const uint8_t* eventString, size_t length) {
    const std::string lowerName = AsciiLower(name);
    if (FunClass(current.dwFunID) == FunClass(kFunMacro)) {
        StMacro* own = FindMacroById(current.dwMacroID);
        if (own && MatchesSlot(*own, lowerName, eventString, length)) return own;
    }
    for (auto* n = g_MacroList.Head(); n; n = n->pNext) {
        StMacro& m = n->pItem->rec;
        if (MatchesSlot(m, lowerName, eventString, length)) return &m;
    }
    return nullptr;
}

// Macro slot at address a: its name block and events become a library macro (or find theirs).
// Returns 0 on a failed read; 1 otherwise, with e set unless the macro could not be added.
int DecodeMacroSlot(CUSBDriver& link, int a, const uint8_t* eventString, size_t length, uint8_t b2,
                    KeyEntry& e) {
    uint8_t block[kSlotNameBlock] = {};
    if (!ReadROM(a, link, block, static_cast<int>(kSlotNameBlock))) return 0;
    std::string name;
    if (block[kSlotNameLen] == 0) {
        g_pfnLog("get wrong macro name length");
        name = "Temp";
    } else {
        const std::u16string u = SlotMacroName(SlotNameFromBlock(block));
        // The mouse's name block is untrusted: it names a file in the macro folder.
        name = SanitizeMacroName(u.c_str(), u.size());
    }
    uint32_t id = 0;
    {
        std::lock_guard<std::recursive_mutex> lock(MacroLibraryMutex());
        if (StMacro* same = FindReadBackTwin(e, name, eventString, length)) {
            // The library copy stays as it is, pauses and all.
            id = same->dwMacroID;
        } else {
            StMacro m;
            HdMacro_To_StMacro(eventString, length, &m);
            SetMacroName(m, name);
            m.dwLoopMode = 0;
            m.wLoopCount = 1;
            // A namesake with other events keeps its events: the read-back gets a name of its own.
            StMacro* added = FindMacroByName(name) ? Add_Macro_Unique(&m) : Add_Macro(&m);
            if (!added) {
                g_pfnLog("add macro to list faile..");
                return 1;
            }
            id = added->dwMacroID;
        }
    }
    e.dwFunID = kFunMacro;
    e.dwMacroID = id;
    e.dwParameter = b2;
    e.dwFireButton = 0;
    return 1;
}

// The DPI value a stage's code stands for. Some values share their code with half of them (an
// extension value, 0x3330 above 7200): while the mouse holds the code of the value the record
// has, that value stays, so what the user chose is what the program reports and shows.
int StageValue(int sensor, int kept, uint8_t code) {
    const std::optional<uint8_t> keptCode = DpiCode(sensor, kept);
    return keptCode && *keptCode == code ? kept : CodeToDpi(code);
}

}  // namespace

void DecodeReportRates(uint8_t b, ProfileRecord& rec) {
    const uint32_t r24 = RateOfCode(b & 0x0F);
    if (r24)
        rec.rate24 = r24;
    else
        g_pfnLog("Wrogn polling rate value 0x%x", b);
    const uint32_t rbt = RateOfCode(b >> 4);
    if (rbt)
        rec.rateBt = rbt;
    else
        g_pfnLog("Wrogn polling rate value 0x%x", b);
}

int ReadLighting(CUSBDriver& link, ProfileRecord& rec) {
    uint8_t l[7] = {};
    if (!ReadEEPROM(kAddrLighting, link, l, 7)) return 0;
    LogHexDump(l, 7, 8, "LED(0x35~0x3b): ");
    rec.lightMode = l[0];
    rec.lightColor = static_cast<uint32_t>(l[1]) | static_cast<uint32_t>(l[2]) << 8 |
                     static_cast<uint32_t>(l[3]) << 16;
    rec.lightSpeed = l[4];
    rec.lightBrightness = l[5];
    return 1;
}

int ReadProfileFromDevice(CUSBDriver& link, ProfileRecord& rec) {
    uint8_t b[512] = {};
    // Pieces 10 ms apart; a failed piece is resumed rather than failing the whole read.
    if (!ReadROM(0, link, b, kProfileBlockBytes, kProfileBlockPauseMs)) return 0;
    g_pfnLog("Profile (0x00~0x05):");
    LogHexDump(b, 6, 6);
    g_pfnLog("Profile (0x06~0x14) (DPI):");
    LogHexDump(b + 6, 15, 3);
    g_pfnLog("Profile (0x15~0x34) (KeyMatrix):");
    LogHexDump(b + 21, 32, 4);

    DecodeReportRates(b[0], rec);
    g_nCurDpiLevel = b[4];
    g_pfnLog("set g_nCurDpiLevel=%d, DpiStages=%d", b[4], b[2]);
    const DeviceModel* model = pSensorCfg.load();
    // Only five stages live in the mouse's memory; what follows them is the key matrix. The
    // mouse cycles through the first b[2] of them: the others keep their values (what the
    // memory holds where it has a code) but are not in use, so the next apply keeps the count.
    const int stored = model ? std::clamp(model->DM, 0, kDeviceDpiStages) : kDeviceDpiStages;
    int inUse = b[2];
    if (inUse < 1 || inUse > stored) {
        g_pfnLog("DpiStages=%d is no stage count of this mouse; all %d stages taken in use", inUse,
                 stored);
        inUse = stored;
    }
    for (int i = 0; i < kMaxDpiStages; ++i) rec.stages[i].disabled = i < inUse ? 0 : 1;
    bool dpiError = false;
    const int sensor = model ? model->Sensor : 0;
    for (int i = 0; i < stored; ++i) {
        const uint8_t xc = b[6 + 3 * i], yc = b[7 + 3 * i];
        const int x = StageValue(sensor, rec.stages[i].xDpi, xc);
        const int y = StageValue(sensor, rec.stages[i].yDpi, yc);
        if (i >= inUse) {
            if (x != 0 && y != 0) {
                rec.stages[i].xDpi = x;
                rec.stages[i].yDpi = y;
            }
            continue;
        }
        rec.stages[i].xDpi = x;
        rec.stages[i].yDpi = y;
        if (rec.stages[i].xDpi == 0) {
            g_pfnLog("wrong dpi(%x): Data[%d]=0x%x, Data[%d]=0x%x", model ? model->Sensor : 0,
                     6 + 3 * i, xc, 7 + 3 * i, yc);
            dpiError = true;
        }
    }
    if (dpiError) NotifyUser("Read invalidate dpi", "Warning");

    for (int i = 0; i < kKeyMatrixEntries; ++i) {
        if (g_Config.KeyMask & (1 << i)) continue;
        // The key set the mouse received: the current one.
        KeyEntry& e = rec.keys[rec.KeySetIndex()][i];
        // A stored record is untrusted: only the eight matrix positions exist.
        if (e.dwMatrixPos == 0 || e.dwMatrixPos > static_cast<uint32_t>(kKeySlots)) continue;
        const int slot = static_cast<int>(e.dwMatrixPos) - 1;
        const uint8_t* m = b + kAddrKeyMatrix + 4 * slot;
        const uint32_t d = m[0] | m[1] << 8 | m[2] << 16;
        if (m[0] != kMatrixBuffer) {
            DecodeMatrixCode(d, e);
        } else {
            const int a = static_cast<int>(KeySlotAddress(slot));
            // kind, sub-kind, count, then the events: at most what the slot can hold.
            uint8_t buf[3 + 4 * kSlotReadableEvents] = {};
            if (!ReadROM(a + static_cast<int>(kSlotKind), link, buf, 3)) return 0;
            const int n = std::min<int>(buf[2], kSlotReadableEvents);
            if (n > 0 && !ReadROM(a + static_cast<int>(kSlotEvents) + 1, link, buf + 3, 4 * n))
                return 0;
            g_pfnLog("MacroBuffer[%d]: nAddr=0x%x+29", slot, a);
            LogHexDump(buf, std::min<size_t>(64, 3 + 4 * static_cast<size_t>(n)), 64);
            const uint8_t kind = buf[0], sub = buf[1];
            const size_t length = 1 + 4 * static_cast<size_t>(n);
            if (kind == kSlotKindMacro && sub == kSlotSubMacro) {
                if (!DecodeMacroSlot(link, a, buf + 2, length, m[2], e)) return 0;
            } else {
                DecodeKeySlotEvents(kind, sub, buf + 2, length, m[2], e);
            }
        }
        g_pfnLog("Set Key[%d]: dwFunID=0x%08x, dwParameter=%x, nMatrixInx=%d", i, e.dwFunID,
                 e.dwParameter, slot);
    }
    ReadLighting(link, rec);
    return 1;
}
