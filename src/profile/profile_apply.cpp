#include "profile/profile_apply.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "config/device_model.h"
#include "config/program_config.h"
#include "config/sensor_dpi.h"
#include "core/log.h"
#include "core/notifier.h"
#include "core/utf.h"
#include "device/device_commands.h"
#include "device/memory_writers.h"
#include "macro/hd_macro.h"
#include "macro/macro_library.h"
#include "profile/function_codes.h"
#include "profile/key_set_switch.h"
#include "profile/key_slot.h"
#include "profile/key_slot_memo.h"
#include "profile/pointer_apply.h"
#include "profile/profile_defaults.h"

namespace {

constexpr int kAddrStageCount = 0x02;
constexpr int kAddrCurStage = 0x04;
constexpr int kAddrLighting = 0x35;
constexpr int kLightingBytes = 7;

void SleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// What one key needs on the mouse: its completed matrix code and, for buffer functions, the
// slot buffer.
struct KeyPlan {
    uint32_t matrix = 0;
    uint8_t buffer[kKeySlotBytes] = {};
    size_t bufferBytes = 0;  // 0: no buffer to write
    bool refused = false;
};

// Builds the matrix code and slot buffer of entry e (key keyIndex of key set `set`) at slot. A
// macro that does not fit the slot buffer is refused (told to the user); a key whose macro is
// missing from the library gets its model default, as the window gives it, rather than playing
// whatever buffer slot 0 holds.
KeyPlan PlanKey(const KeyEntry& e, int slot, int set, int keyIndex) {
    KeyPlan plan;
    plan.matrix = MatrixCodeOf(e);
    if ((plan.matrix & 0xFF) != kMatrixBuffer || plan.matrix == kNoMatrixCode) return plan;
    uint8_t events[kHdMacroMaxBytes] = {};
    int length = 0;
    uint8_t kind = kSlotKindFire, sub = kSlotSubFire;
    uint32_t p = 1;
    std::u16string name;
    const uint32_t cls = FunClass(e.dwFunID);
    if (cls == 0x05) {
        StMacro m;
        if (!CopyMacroById(e.dwMacroID, m)) {
            const KeyEntry fallback = g_DefaultKeys[set][keyIndex];
            g_pfnLog(
                "Set Key[%d]: macro 0x%08x not in the library, default function 0x%08x written",
                keyIndex, e.dwMacroID, fallback.dwFunID);
            if (FunClass(fallback.dwFunID) != 0x05) return PlanKey(fallback, slot, set, keyIndex);
            plan.matrix = 0;
            return plan;
        }
        if (!MacroFitsKeySlot(m, keyIndex, "Set Key", "not written")) {
            plan.refused = true;
            plan.matrix = 0;
            return plan;
        }
        length = StMacro_To_HdMacro(&m, events, kSlotMaxEvents);
        name = Utf8ToUtf16(MacroName(m));
        kind = kSlotKindMacro;
        sub = kSlotSubMacro;
        p = e.dwParameter & 0xFF;
    } else if (cls == 0x02 || cls == 0x04) {
        length = BuildKeyEvents(events, e);
        kind = kSlotKindKeys;
        sub = kSlotSubKeys;
    } else if (e.dwFunID == kFunFire) {
        length = BuildKeyEvents(events, e);
        p = e.dwParameter & 0xFF;
    }
    plan.bufferBytes =
        BuildKeySlot(plan.buffer, name, kind, sub, events, static_cast<size_t>(length));
    plan.matrix = kMatrixBuffer | static_cast<uint32_t>(slot) << 8 | p << 16;
    return plan;
}

// Reads count bytes at address one exchange at a time, without pauses between them: the
// switch of a key set is meant to take the few exchanges it needs and nothing more.
bool ReadBytes(CUSBDriver& link, int address, uint8_t* out, int count) {
    for (int done = 0; done < count; done += kMaxMemoryChunk)
        if (!ReadEEPROM(address + done, link, out + done, std::min(kMaxMemoryChunk, count - done)))
            return false;
    return true;
}

// Whether the slot buffer at address already holds want[0..n). Compared a request at a time,
// the kind and count bytes first, then the events, then the name: a different buffer is
// usually told by its first request.
bool SlotHolds(CUSBDriver& link, int address, const uint8_t* want, size_t n) {
    constexpr size_t kChunk = kMaxMemoryChunk;
    const size_t head = (kSlotKind / kChunk) * kChunk;
    std::vector<size_t> order;
    for (size_t at = head; at < n; at += kChunk) order.push_back(at);
    for (size_t at = 0; at < head && at < n; at += kChunk) order.push_back(at);
    for (size_t at : order) {
        const int len = static_cast<int>(std::min(kChunk, n - at));
        uint8_t held[kMaxMemoryChunk] = {};
        if (!ReadEEPROM(address + static_cast<int>(at), link, held, len)) return false;
        if (std::memcmp(held, want + at, static_cast<size_t>(len)) != 0) return false;
    }
    return true;
}

// Makes the mouse hold key set `set` of rec, writing only what differs from what it holds: the
// slot buffers whose bytes differ, then the key matrix entries that differ, two entries per
// request. Keys 0..7 as in an apply of all keys; positions no key uses become disabled. False
// when a read or a write failed, or a key was refused (its position keeps what the mouse has).
bool WriteKeySet(const ProfileRecord& rec, int set, CUSBDriver& link, bool goWithNoDev,
                 KeySlotMemo& memo) {
    g_pfnLog("Set Key Set %d --------", set);
    uint32_t matrix[kKeyMatrixEntries] = {};
    bool keep[kKeyMatrixEntries] = {};
    std::vector<std::unique_ptr<KeyPlan>> plans(kKeyMatrixEntries);
    bool refused = false;
    for (int k = 0; k < kKeyMatrixEntries; ++k) {
        const KeyEntry& e = rec.keys[set][k];
        if (e.dwMatrixPos == 0 || e.dwMatrixPos > static_cast<uint32_t>(kKeySlots)) continue;
        const int slot = static_cast<int>(e.dwMatrixPos) - 1;
        auto plan = std::make_unique<KeyPlan>(PlanKey(e, slot, set, k));
        keep[slot] = plan->refused;
        refused = refused || plan->refused;
        matrix[slot] = plan->matrix;
        plans[slot] = plan->refused ? nullptr : std::move(plan);
    }
    uint8_t want[kKeyMatrixEntries * kKeyMatrixEntryBytes];
    for (int i = 0; i < kKeyMatrixEntries; ++i) {
        uint8_t* w = want + i * kKeyMatrixEntryBytes;
        w[0] = static_cast<uint8_t>(matrix[i]);
        w[1] = static_cast<uint8_t>(matrix[i] >> 8);
        w[2] = static_cast<uint8_t>(matrix[i] >> 16);
        w[3] = CheckByte(w, 3);
    }
    uint8_t held[sizeof want] = {};
    if (!ReadBytes(link, kAddrKeyMatrix, held, static_cast<int>(sizeof held))) {
        if (!goWithNoDev) return false;
        for (size_t i = 0; i < sizeof held; ++i) held[i] = static_cast<uint8_t>(~want[i]);
    }
    for (int slot = 0; slot < kKeyMatrixEntries; ++slot) {
        const KeyPlan* plan = plans[slot].get();
        if (!plan || plan->bufferBytes == 0) continue;
        const int address = static_cast<int>(KeySlotAddress(slot));
        if (memo.Holds(slot, plan->buffer, plan->bufferBytes)) continue;
        if (SlotHolds(link, address, plan->buffer, plan->bufferBytes)) {
            memo.Remember(slot, plan->buffer, plan->bufferBytes);
            continue;
        }
        memo.Forget(slot);
        g_pfnLog("Set Key Set: slot %d buffer written", slot);
        LogHexDump(plan->buffer + kSlotEvents,
                   std::min(plan->bufferBytes, kKeySlotBytes - kSlotEvents), 128, "Macro:");
        if (!WriteEEPROM(8, static_cast<int>(plan->bufferBytes), link, address, plan->buffer)) {
            if (!goWithNoDev) return false;
            continue;
        }
        memo.Remember(slot, plan->buffer, plan->bufferBytes);
    }
    const auto differs = [&](int i) {
        return !keep[i] && std::memcmp(held + i * kKeyMatrixEntryBytes,
                                       want + i * kKeyMatrixEntryBytes, kKeyMatrixEntryBytes) != 0;
    };
    for (int i = 0; i < kKeyMatrixEntries; ++i) {
        if (!differs(i)) continue;
        g_pfnLog("Matrix[%d] = 0x%08x", i, matrix[i]);
        // Two neighbours that both differ share one request.
        const bool pair = i % 2 == 0 && i + 1 < kKeyMatrixEntries && differs(i + 1);
        const int bytes = (pair ? 2 : 1) * kKeyMatrixEntryBytes;
        if (pair) g_pfnLog("Matrix[%d] = 0x%08x", i + 1, matrix[i + 1]);
        if (!WriteEEPROM(0, bytes, link, kAddrKeyMatrix + i * kKeyMatrixEntryBytes,
                         want + i * kKeyMatrixEntryBytes) &&
            !goWithNoDev)
            return false;
        if (pair) ++i;
    }
    return !refused || goWithNoDev;
}

}  // namespace

int ApplyProfileToDevice(const ProfileRecord& rec, MessageSink* progress, CUSBDriver* link,
                         uint32_t msg, int nFlag, int nData, KeySlotMemo* memo) {
    const bool goWithNoDev = g_Config.GoWithNoDev != 0;
    if (!link || rec.profileId == 0) return 0;
    if (!link->IsConnected() && !goWithNoDev) return 0;
    KeySlotMemo scratch;
    KeySlotMemo& known = memo ? *memo : scratch;
    known.Bind(link->CmdPath() + "#" + std::to_string(static_cast<long>(link->m_hCmd.load())));
    if (!progress) g_pfnLog("hWnd is invalidate");
    auto post = [&](int percent) {
        if (progress) progress->Post(msg, static_cast<uintptr_t>(percent), 0);
    };
    // A write failure ends the apply unless the program runs without a mouse on purpose.
    auto failed = [&](int writeResult) { return writeResult == 0 && !goWithNoDev; };
    int result = 0;
    post(20);

    do {
        if (nFlag & kApplyKeys) {
            g_pfnLog("Set Key --------");
            uint32_t matrix[kKeysPerSet] = {};
            const int set = rec.KeySetIndex();
            const bool all = nData == kApplyAll;
            const int first = all ? 0 : nData;
            const int last = all ? kKeyMatrixEntries - 1 : nData;
            int singleSlot = -1;
            int refusedSlots = 0;
            bool refused = false, writeFailed = false;
            for (int k = first; k <= last && k >= 0 && k < kKeysPerSet; ++k) {
                const KeyEntry& e = rec.keys[set][k];
                if (e.dwMatrixPos == 0 || e.dwMatrixPos > static_cast<uint32_t>(kKeySlots))
                    continue;
                const int slot = static_cast<int>(e.dwMatrixPos) - 1;
                KeyPlan plan = PlanKey(e, slot, set, k);
                matrix[slot] = plan.matrix;
                if (plan.refused) {
                    // The position keeps what the mouse has, rather than being disabled.
                    refused = true;
                    refusedSlots |= 1 << slot;
                    continue;
                }
                singleSlot = slot;
                if (plan.bufferBytes) {
                    // The dump starts at the event string; it never runs past the buffer.
                    LogHexDump(plan.buffer + kSlotEvents,
                               std::min(plan.bufferBytes, kKeySlotBytes - kSlotEvents), 128,
                               "Macro:");
                    known.Forget(slot);
                    const int w = WriteEEPROM(8, static_cast<int>(plan.bufferBytes), *link,
                                              static_cast<int>(KeySlotAddress(slot)), plan.buffer);
                    if (failed(w)) {
                        writeFailed = true;
                        break;
                    }
                    if (w) known.Remember(slot, plan.buffer, plan.bufferBytes);
                    SleepMs(10);
                }
            }
            if (writeFailed) break;
            g_pfnLog("Matrix--------------------");
            for (int i = 0; i < kKeyMatrixEntries; ++i)
                g_pfnLog("Matrix[%d] = 0x%08x", i, matrix[i]);
            int w = 1;
            if (all && refusedSlots == 0) {
                w = WriteKeyMatrix(matrix, kAllItems, *link, kKeyMatrixEntries);
            } else if (all) {
                for (int i = 0; i < kKeyMatrixEntries && !failed(w); ++i)
                    if (!(refusedSlots & (1 << i)))
                        w = WriteKeyMatrix(&matrix[i], 1 << i, *link, 1);
            } else if (singleSlot >= 0)
                w = WriteKeyMatrix(&matrix[singleSlot], 1 << singleSlot, *link, 1);
            if (failed(w)) break;
            if (refused && !goWithNoDev) break;
        }
        if (nFlag & kApplyKeySet) {
            const int set = KeySetOfRequest(nData);
            if (!WriteKeySet(rec, set < kKeySets ? set : rec.KeySetIndex(), *link, goWithNoDev,
                             known))
                break;
        }
        post(60);

        const DeviceModel* model = pSensorCfg.load();
        // The mouse cycles through the first stages in use, of the five it stores.
        const int inUse = model ? StagesInUse(rec, *model) : 0;
        const int stored = model ? std::clamp(model->DM, 0, kDeviceDpiStages) : 0;
        const int sensor = model ? model->Sensor : 0;
        const auto hasCodes = [&](int i) {
            return DpiCode(sensor, rec.stages[i].xDpi) && DpiCode(sensor, rec.stages[i].yDpi);
        };
        if (nFlag & kApplyDpiValues) {
            g_pfnLog("Set DPI --------");
            SleepMs(10);
            StageDpi stages[kMaxDpiStages];
            for (int i = 0; i < kMaxDpiStages; ++i)
                stages[i] = StageDpi{rec.stages[i].xDpi, rec.stages[i].yDpi};
            // A stage in use whose value has no code is refused before anything is written.
            const int first = nData == kApplyAll ? 0 : nData;
            const int last = nData == kApplyAll ? inUse - 1 : std::min(nData, inUse - 1);
            bool refused = false;
            for (int i = std::max(first, 0); i <= last && !refused; ++i) {
                for (int dpi : {stages[i].xDpi, stages[i].yDpi}) {
                    if (refused || DpiCode(sensor, dpi)) continue;
                    char text[200];
                    std::snprintf(text, sizeof text,
                                  "DPI stage %d holds %d DPI, which this mouse's sensor does not "
                                  "offer; the DPI stages were not written.",
                                  i + 1, dpi);
                    g_pfnLog("Set DPI: %s", text);
                    NotifyUser(text, "Error");
                    refused = true;
                }
            }
            if (refused && !goWithNoDev) break;
            // Stages not in use are written while their values have codes, so the memory
            // matches the profile; from the first without one on they keep what the mouse holds.
            int written = inUse;
            while (written < stored && hasCodes(written)) ++written;
            int w = 1;
            if (refused)
                g_pfnLog("Set DPI: nothing written");
            else if (nData == kApplyAll)
                w = WriteDpiStages(kAllItems, *link, stages, written);
            else if (nData >= inUse && nData < stored && !hasCodes(nData))
                g_pfnLog("Set DPI: stage %d is not in use and has no code; not written", nData);
            else if (nData >= 0 && nData < kDeviceDpiStages)
                w = WriteDpiStages(1 << nData, *link, stages, 1);
            else
                g_pfnLog("Set DPI: stage %d is not in the mouse's memory", nData);
            if (failed(w)) break;
        }
        post(70);

        if (nFlag & kApplyStageCount) {
            const uint8_t data[2] = {static_cast<uint8_t>(inUse),
                                     static_cast<uint8_t>(0x55 - inUse)};
            if (failed(WriteEEPROM(0, 2, *link, kAddrStageCount, data))) break;
        }
        if (nFlag & kApplyCurStage) {
            // Never a stage the mouse does not cycle through.
            const int level = model ? ClampStage(g_nCurDpiLevel.load(), rec, *model) : 0;
            const uint8_t data[2] = {static_cast<uint8_t>(level),
                                     static_cast<uint8_t>(0x55 - level)};
            if (failed(WriteEEPROM(0, 2, *link, kAddrCurStage, data))) break;
        }
        if (nFlag & kApplyLighting) {
            SleepMs(10);
            uint8_t data[kLightingBytes] = {static_cast<uint8_t>(rec.lightMode),
                                            static_cast<uint8_t>(rec.lightColor),
                                            static_cast<uint8_t>(rec.lightColor >> 8),
                                            static_cast<uint8_t>(rec.lightColor >> 16),
                                            static_cast<uint8_t>(rec.lightSpeed),
                                            static_cast<uint8_t>(rec.lightBrightness),
                                            0};
            data[6] = CheckByte(data, 6);
            g_pfnLog("Set LED: mode=%x, color=%d,%d,%d, speed=%d, light=%d", data[0], data[1],
                     data[2], data[3], data[4], data[5]);
            if (failed(WriteEEPROM(0, kLightingBytes, *link, kAddrLighting, data))) break;
        }
        if (nFlag & kApplyRates) {
            SleepMs(10);
            g_pfnLog("Set Rate: 24G=%x, BT=%x", rec.rate24, rec.rateBt);
            if (failed(WriteReportRate(static_cast<int>(rec.rate24), static_cast<int>(rec.rateBt),
                                       *link)))
                break;
        }
        post(80);
        if (nFlag & (kApplyPointer | kApplyRestore)) ApplyPointerSettings(rec.pointer);
        post(90);
        // A reset may give the mouse other slot buffers.
        if (nFlag & kApplyRestore) known.Clear();
        if ((nFlag & kApplyRestore) && failed(SendCMD(*link))) break;
        result = 1;
        if (progress) {
            post(100);
            SleepMs(500);
        }
    } while (false);
    if (result == 0) known.Clear();

    {
        std::lock_guard<std::recursive_mutex> lock(MacroLibraryMutex());
        for (auto* n = g_MacroList.Head(); n; n = n->pNext) n->pItem->rec.dwReserved = 0;
    }
    return result;
}

bool MacroFitsKeySlot(const StMacro& m, int keyIndex, const char* logTag, const char* outcome) {
    const int count = MacroKeyEventCount(m);
    if (count <= kSlotMaxEvents) return true;
    const std::string name = MacroName(m);
    g_pfnLog("%s[%d]: macro %s has %d events, a key slot holds %d", logTag, keyIndex, name.c_str(),
             count, kSlotMaxEvents);
    char text[200];
    std::snprintf(text, sizeof text,
                  "The macro \"%s\" has %d events; a mouse button holds at most %d. Button %d "
                  "was %s.",
                  name.c_str(), count, kSlotMaxEvents, keyIndex + 1, outcome);
    NotifyUser(text, "Error");
    return false;
}
