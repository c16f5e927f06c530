#include "cli/profile_command.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "config/device_model.h"
#include "config/program_config.h"
#include "core/paths.h"
#include "device/session_state.h"
#include "macro/key_names.h"
#include "macro/macro_library.h"
#include "macro/macro_tree.h"
#include "platform/terminal.h"
#include "profile/apply_thread.h"
#include "profile/key_assign.h"
#include "profile/profile_defaults.h"
#include "profile/profile_list.h"
#include "profile/profile_session.h"
#include "profile/profile_store.h"
#include "sim/virtual_mouse.h"

std::string TakeDataLock(platform::FileLock& lock) {
    std::string holder;
    // The window keeps the lock while it is open: no use waiting for it.
    const bool window = !lock.Acquire(DataLockPath(), 0, &holder) && HolderIsWindow(holder);
    if (!lock.Held() && !window) lock.Acquire(DataLockPath(), kDataLockWaitMs, &holder);
    if (lock.Held()) return "";
    if (window || HolderIsWindow(holder))
        return "the Mivora window is open; change the settings there or close it first "
               "(nothing was changed)";
    return "the data folder " + g_szDataDir + " is in use by " + holder + " (nothing was changed)";
}

ProfileCommand::ProfileCommand(const CliOptions& opts) : m_session(opts) {
    m_previous = SetNotifier(&m_notifier);
    // A person at a terminal sees writes progress; scripts and JSON readers get nothing extra.
    if (!opts.json && platform::StdoutIsTerminal()) {
        m_progress = std::make_shared<ProgressLine>(stdout);
        g_ApplyThread.SetProgressObserver(m_progress);
    }
}

ProfileCommand::~ProfileCommand() {
    g_ApplyThread.Stop();
    g_ApplyThread.SetProgressObserver(nullptr);
    SetNotifier(m_previous);
}

int ProfileCommand::Start(bool readMouse, Access access) {
    if (int rc = m_session.Init()) return rc;
    m_notifier.messages.clear();  // configuration remarks belong to "mivora-cli config"
    // One writer at a time: each command loads the whole state and writes it all back.
    const std::string refusal = TakeDataLock(m_lock);
    if (!m_lock.Held() && access == Access::kChanges) return CliFail(refusal);
    LoadMacroLibrary(nullptr, g_Config.MacroDir != 0, true);
    if (access == Access::kMouseOrStored) {
        const int found = m_session.Search();
        if (found >= 2) return CliFail(m_session.SearchFailure(found));
        if (found == 0) {
            m_noMouse = m_session.SearchFailure(found);
            access = Access::kStored;
        }
    }
    if (access == Access::kStored) {
        LoadCID();
    } else if (access != Access::kMouseOrStored) {
        if (int rc = m_session.FindOneMouse()) return rc;
    }
    const DeviceModel* model = pSensorCfg.load();
    if (!model || model->Sensor == 0) return CliFail("the mouse's model is not in cfg.ini");
    LoadPro();
    // The stage the stored profile was left on (the mouse's own, once it is read).
    if (auto rec = g_ProfileList.Snapshot())
        g_nCurDpiLevel = ClampStage(rec->curStage, *rec, *model);
    m_started = m_lock.Held();
    if (access == Access::kStored) {
        RestoreMissingMacroKeys();
        return 0;
    }
    if (readMouse) {
        ProfileSessionHook hook;
        int r = 0;
        {
            std::lock_guard<std::mutex> lock(g_HandleLock);
            g_bProfileReady = 0;
            r = hook.ReadProfile(m_session.Link());
            g_bProfileReady = 1;
        }
        if (r != 1)
            return CliFail(m_session.Link().DeviceGone() ? DisconnectedText()
                                                         : "reading the mouse's memory failed");
    }
    RestoreMissingMacroKeys();
    g_ApplyThread.Start(&m_session.Link());
    return 0;
}

void ProfileCommand::RestoreMissingMacroKeys() {
    for (const KeyIndex& k : RestoreKeysOfMissingMacros()) {
        const std::string label = KeyFunctionLabel(g_DefaultKeys[k.set][k.index]);
        std::fprintf(stderr,
                     "mivora-cli: key %d of key set %d played a macro that is no longer in the "
                     "library; it has its default function again (%s)\n",
                     k.index, k.set, label.c_str());
    }
}

int ProfileCommand::Apply(int nFlag, int nData) {
    BeginApply();
    g_ApplyThread.Post(nFlag, nData);
    return WaitApplied();
}

void ProfileCommand::BeginApply() {
    m_failuresBefore = g_ApplyThread.Failures();
    m_messagesBefore = m_notifier.messages.size();
}

int ProfileCommand::WaitApplied() {
    const bool idle = g_ApplyThread.WaitIdle(kApplyTimeoutMs);
    if (m_progress) m_progress->Clear();  // before any message of ours
    if (!idle) return CliFail("the mouse did not take the settings in time");
    if (g_ApplyThread.Failures() != m_failuresBefore) {
        // The first message of this request says why (a refused key before the general one).
        const std::string why = m_notifier.messages.size() > m_messagesBefore
                                    ? m_notifier.messages[m_messagesBefore]
                                    : "";
        return CliFail(why.empty() ? "writing to the mouse failed" : OneLine(why));
    }
    // Notices of a request that succeeded ("Pointer settings do not apply on this desktop").
    for (size_t i = m_messagesBefore; i < m_notifier.messages.size(); ++i)
        std::fprintf(stderr, "mivora-cli: %s\n", OneLine(m_notifier.messages[i]).c_str());
    m_messagesBefore = m_notifier.messages.size();
    return 0;
}

int ProfileCommand::FailWithMessage(const std::string& fallback) {
    const auto& m = m_notifier.messages;
    if (m.size() > m_messagesBefore && !OneLine(m.back()).empty())
        return CliFail(OneLine(m.back()));
    return CliFail(fallback);
}

std::vector<std::string> ProfileCommand::NewMessages() const {
    const auto& m = m_notifier.messages;
    return {m.begin() + static_cast<long>(std::min(m_messagesBefore, m.size())), m.end()};
}

int ProfileCommand::Finish(int exitCode) {
    g_ApplyThread.Stop();
    if (sim::VirtualMouseBackend* v = m_session.Virtual()) {
        // A change the state file did not take is gone at the next run.
        v->Drain();
        const std::string error = v->StateFileError();
        if (!error.empty() && exitCode == 0) exitCode = CliFail(error);
    }
    if (!m_started) return exitCode;
    // The stage in use goes with the stored profile, so a later "apply" (which does not read the
    // mouse) writes it back rather than stage 0.
    const int level = g_nCurDpiLevel.load();
    g_ProfileList.Edit([&](ProfileRecord& r) { r.curStage = level; });
    const DeviceModel* m = pSensorCfg.load();
    if (!SavePro() && exitCode == 0 && m)
        return CliFail("cannot save the profile in " + ProfileFilePath(m->CID, m->MID));
    if (!SaveCID() && exitCode == 0) return CliFail("cannot save the model in " + CidFilePath());
    return exitCode;
}
