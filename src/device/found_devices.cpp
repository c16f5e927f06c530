#include "device/found_devices.h"

int FoundDeviceTable::FirstFree() {
    std::lock_guard<std::mutex> lock(m_lock);
    for (int i = 0; i < kFoundDeviceSlots; ++i)
        if (m_slots[i].hCmd == platform::kNoHidHandle) return i;
    return -1;
}

int FoundDeviceTable::Current() {
    std::lock_guard<std::mutex> lock(m_lock);
    for (int i = 0; i < kFoundDeviceSlots; ++i)
        if (m_slots[i].state == 1) return i;
    return -1;
}

FoundDevice FoundDeviceTable::Get(int i) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (i < 0 || i >= kFoundDeviceSlots) return {};
    return m_slots[i];
}

void FoundDeviceTable::Set(int i, const FoundDevice& d) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (i >= 0 && i < kFoundDeviceSlots) m_slots[i] = d;
}

void FoundDeviceTable::MakeCurrent(int i) {
    std::lock_guard<std::mutex> lock(m_lock);
    for (int k = 0; k < kFoundDeviceSlots; ++k) m_slots[k].state = (k == i) ? 1 : 0;
}

bool FoundDeviceTable::Holds(platform::HidHandle h) {
    if (h == platform::kNoHidHandle) return false;
    std::lock_guard<std::mutex> lock(m_lock);
    for (const auto& s : m_slots)
        if (s.hCmd == h || s.hNotify == h) return true;
    return false;
}

void FoundDeviceTable::Close(platform::HidBackend& backend, bool all) {
    std::lock_guard<std::mutex> lock(m_lock);
    for (auto& s : m_slots) {
        if (s.hCmd == platform::kNoHidHandle) continue;
        if (!all && s.state == 1) continue;
        backend.Close(s.hCmd);
        if (s.hNotify != platform::kNoHidHandle) backend.Close(s.hNotify);
        s = FoundDevice{};
    }
}

int FoundDeviceTable::Occupied() {
    std::lock_guard<std::mutex> lock(m_lock);
    int n = 0;
    for (const auto& s : m_slots)
        if (s.hCmd != platform::kNoHidHandle) ++n;
    return n;
}
