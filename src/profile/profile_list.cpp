#include "profile/profile_list.h"

ProfileList g_ProfileList;

std::shared_ptr<ProfileRecord> ProfileList::Current() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_current;
}

void ProfileList::Replace(const ProfileRecord& rec) {
    auto fresh = std::make_shared<ProfileRecord>(rec);
    std::shared_ptr<ProfileRecord> old;
    std::lock_guard<std::mutex> lock(m_mutex);
    old.swap(m_current);
    m_current = std::move(fresh);
}

void ProfileList::Clear() {
    std::shared_ptr<ProfileRecord> old;
    std::lock_guard<std::mutex> lock(m_mutex);
    old.swap(m_current);
}

std::optional<ProfileRecord> ProfileList::Snapshot() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_current) return std::nullopt;
    return *m_current;
}

bool ProfileList::Assign(const ProfileRecord& rec) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_current) return false;
    *m_current = rec;
    return true;
}
