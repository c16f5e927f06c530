// The list that owns the profile records in memory. It holds at most one record, the current
// one (pFile). Records are shared: a thread that took one keeps it alive after LoadPro replaced
// it, and edits and snapshots of the current record go through the list's lock so that the apply
// thread and the reader thread always see a whole record.
#pragma once

#include <memory>
#include <mutex>
#include <optional>

#include "profile/profile_record.h"

class ProfileList {
  public:
    // The current record (pFile); nullptr before a model's profile is loaded. Read its fields
    // through Snapshot or Edit while other threads may change it.
    std::shared_ptr<ProfileRecord> Current() const;
    // The first record of the list (the same as Current here).
    std::shared_ptr<ProfileRecord> First() const { return Current(); }
    bool HasCurrent() const { return Current() != nullptr; }

    // Empties the list and makes a new copy of rec current.
    void Replace(const ProfileRecord& rec);
    void Clear();

    // A consistent copy of the current record; nullopt when there is none.
    std::optional<ProfileRecord> Snapshot() const;
    // Runs fn(record) under the lock on the current record; false (fn not run) when none.
    template <typename Fn>
    bool Edit(Fn&& fn) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_current) return false;
        fn(*m_current);
        return true;
    }
    // Copies rec over the current record's contents (the reader's result); false when none.
    bool Assign(const ProfileRecord& rec);

  private:
    mutable std::mutex m_mutex;
    std::shared_ptr<ProfileRecord> m_current;
};

extern ProfileList g_ProfileList;
