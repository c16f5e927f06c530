// The table of mice that answered a search. Its slots own their handles until the found
// devices are closed.
#pragma once

#include <mutex>
#include <string>

#include "platform/hid_backend.h"

constexpr int kFoundDeviceSlots = 5;

struct FoundDevice {
    int state = 0;                                      // 1 for the current device
    platform::HidHandle hCmd = platform::kNoHidHandle;  // none marks a free slot
    platform::HidHandle hNotify = platform::kNoHidHandle;
    std::string cmdPath;
    std::string notifyPath;
    int cid = 0;  // codes the mouse reported
    int mid = 0;
};

class FoundDeviceTable {
  public:
    // Index of the first free slot, or -1 when all five are taken.
    int FirstFree();
    // Index of the slot whose state is 1, or -1.
    int Current();
    // Copy of slot i (a free slot when i is out of range).
    FoundDevice Get(int i);
    void Set(int i, const FoundDevice& d);
    // State 1 for slot i, 0 for the others.
    void MakeCurrent(int i);
    // True when h is the command or notification handle of an occupied slot.
    bool Holds(platform::HidHandle h);
    // Closes the handles of every occupied slot (all) or of every slot but the current one,
    // and frees those slots.
    void Close(platform::HidBackend& backend, bool all);
    int Occupied();

  private:
    std::mutex m_lock;  // the search fills slots while the session may close them
    FoundDevice m_slots[kFoundDeviceSlots];
};
