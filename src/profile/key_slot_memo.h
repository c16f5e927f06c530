// What this program last wrote into the mouse's key slot buffers and saw verified, so that a
// switch of key sets need not read back a buffer it already knows. Bound to one device: another
// device, a reset of the mouse or a failed apply forgets everything.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "profile/key_slot.h"

class KeySlotMemo {
  public:
    // Forgets everything when device (its path and handle) is not the one the memo is of.
    void Bind(const std::string& device);
    // True when the slot is known to start with bytes[0..n).
    bool Holds(int slot, const uint8_t* bytes, size_t n) const;
    // The slot starts with bytes[0..n) (verified on the mouse); what follows is not known.
    void Remember(int slot, const uint8_t* bytes, size_t n);
    void Forget(int slot);
    void Clear();

  private:
    mutable std::mutex m_mutex;
    std::string m_device;
    std::vector<uint8_t> m_known[kKeySlots];
};
