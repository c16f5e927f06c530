#include "profile/key_slot_memo.h"

#include <algorithm>

void KeySlotMemo::Bind(const std::string& device) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (device == m_device) return;
    m_device = device;
    for (auto& k : m_known) k.clear();
}

bool KeySlotMemo::Holds(int slot, const uint8_t* bytes, size_t n) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (slot < 0 || slot >= kKeySlots || n == 0) return false;
    const auto& k = m_known[slot];
    return k.size() >= n && std::equal(bytes, bytes + n, k.begin());
}

void KeySlotMemo::Remember(int slot, const uint8_t* bytes, size_t n) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (slot < 0 || slot >= kKeySlots) return;
    m_known[slot].assign(bytes, bytes + std::min(n, kKeySlotBytes));
}

void KeySlotMemo::Forget(int slot) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (slot >= 0 && slot < kKeySlots) m_known[slot].clear();
}

void KeySlotMemo::Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto& k : m_known) k.clear();
}
