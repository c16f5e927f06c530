// What the profile commands of mivora-cli share: the start-up of the window (identify, load the
// stored profile, read the mouse into it), the apply path of the window, and its exit (the
// stored profile and the model codes are saved).
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/progress_line.h"
#include "cli/session.h"
#include "core/notifier.h"
#include "platform/file_lock.h"
#include "profile/set_command.h"

class ProfileCommand : public SetTarget {
  public:
    explicit ProfileCommand(const CliOptions& opts);
    ~ProfileCommand() override;

    // What a command does with the stored files and the mouse.
    enum class Access {
        kChanges,  // takes the data folder's lock (waiting a bounded time) or changes nothing
        kReads,    // works while another program holds the lock, then leaves the files alone
        kStored,   // reads the stored profile only: no mouse is needed
        // As kReads with a mouse that answers; with none, the stored profile of the last model
        // (NoMouseReason says why).
        kMouseOrStored,
    };
    // Start-up up to a current profile for the one mouse; with readMouse, the mouse is read into
    // it as ReadCurCfgThread does. Returns 0, or the exit code after a one-line error.
    int Start(bool readMouse, Access access = Access::kChanges);
    // Queues a request on the apply thread and waits for it. Returns 0, or the exit code after a
    // one-line error (the user message of the failure).
    int Apply(int nFlag, int nData) override;
    // For requests queued by engine calls (key assignment, import): BeginApply before the call,
    // WaitApplied after it. WaitApplied returns as Apply does.
    void BeginApply() override;
    int WaitApplied() override;
    // Saves the stored profile and the model codes as the window's exit does. Returns exitCode,
    // or 1 after a one-line error when saving failed on an otherwise good run.
    int Finish(int exitCode);
    // Fails with the last user message since BeginApply when there is one, else with fallback.
    int FailWithMessage(const std::string& fallback) override;
    // Prints the reason as every command does.
    int Fail(const std::string& why) override { return CliFail(why); }
    void Print(const std::string& text) override { std::fputs(text.c_str(), stdout); }
    // User messages since BeginApply, oldest first.
    std::vector<std::string> NewMessages() const;
    CliSession& Session() { return m_session; }
    // Why no mouse was read after a Start with kMouseOrStored; empty when one was.
    const std::string& NoMouseReason() const { return m_noMouse; }

  private:
    // Keys whose macro is gone get their model default, as in the window; each is told on
    // standard error.
    void RestoreMissingMacroKeys();

    class Collect : public Notifier {
      public:
        int Show(const std::string& text, const std::string&, unsigned) override {
            messages.push_back(text);
            return IDOK;
        }
        std::vector<std::string> messages;
    };
    CliSession m_session;
    Collect m_notifier;
    std::shared_ptr<ProgressLine> m_progress;  // only on a terminal
    Notifier* m_previous = nullptr;
    platform::FileLock m_lock;
    bool m_started = false;
    int m_failuresBefore = 0;
    size_t m_messagesBefore = 0;
    std::string m_noMouse;
};

// Takes the data folder's lock for a command that changes the stored files: at once, or after
// waiting a bounded time for another command. "" when taken, else the one-line refusal (the
// window is open, or who else holds the folder).
std::string TakeDataLock(platform::FileLock& lock);
