// Starting another program (the rule installer) and the desktop's locale.
#include "platform/child_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform/desktop_locale.h"
#include "support/support.h"

namespace {

class EnvValue {
  public:
    EnvValue(const char* name, const char* value) : m_name(name) {
        const char* old = std::getenv(name);
        m_had = old != nullptr;
        if (old) m_old = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~EnvValue() {
        if (m_had)
            setenv(m_name.c_str(), m_old.c_str(), 1);
        else
            unsetenv(m_name.c_str());
    }

  private:
    std::string m_name, m_old;
    bool m_had = false;
};

int WaitEnded(int pid, int* status) {
    for (int i = 0; i < 500; ++i) {
        const int r = platform::ProgramEnded(pid, status);
        if (r != 0) return r;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return 0;
}

TEST(ChildProcess, FindsOnlyExecutablesInThePath) {
    testing_support::TempDir dir;
    const std::string tool = dir.Write("tool", "#!/bin/sh\nexit 3\n");
    dir.Write("plain", "not a program");
    std::filesystem::permissions(tool, std::filesystem::perms::owner_all);
    EnvValue path("PATH", ("/nonexistent:" + dir.path()).c_str());
    EXPECT_EQ(platform::FindInPath("tool"), tool);
    EXPECT_EQ(platform::FindInPath("plain"), "");
    EXPECT_EQ(platform::FindInPath("missing"), "");
    EXPECT_EQ(platform::FindInPath("../tool"), "") << "a name, not a path";
    EXPECT_EQ(platform::FindInPath(""), "");
}

TEST(ChildProcess, StartsWithoutWaitingAndReportsTheExitStatus) {
    int status = -5;
    const int pid = platform::StartProgram({"sh", "-c", "exit 7"});
    ASSERT_GT(pid, 0);
    ASSERT_EQ(WaitEnded(pid, &status), 1);
    EXPECT_EQ(status, 7);
    EXPECT_EQ(platform::ProgramEnded(pid, &status), -1) << "reaped once";

    const int sleeper = platform::StartProgram({"sleep", "30"});
    ASSERT_GT(sleeper, 0);
    EXPECT_EQ(platform::ProgramEnded(sleeper, &status), 0);
    const auto t0 = std::chrono::steady_clock::now();
    platform::StopProgram(sleeper);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
    EXPECT_EQ(platform::ProgramEnded(sleeper, &status), -1);

    EXPECT_EQ(platform::StartProgram({"/nonexistent/program"}), -1);
    EXPECT_EQ(platform::StartProgram({}), -1);
}

TEST(DesktopLocale, MessagesFollowThePosixOrder) {
    EnvValue all("LC_ALL", nullptr), messages("LC_MESSAGES", nullptr), lang("LANG", "de_DE.UTF-8");
    EXPECT_EQ(platform::MessagesLocaleName(), "de_DE.UTF-8");
    {
        EnvValue m("LC_MESSAGES", "fr_FR.UTF-8");
        EXPECT_EQ(platform::MessagesLocaleName(), "fr_FR.UTF-8");
        EnvValue a("LC_ALL", "ja_JP.UTF-8");
        EXPECT_EQ(platform::MessagesLocaleName(), "ja_JP.UTF-8");
        EnvValue empty("LC_ALL", "");
        EXPECT_EQ(platform::MessagesLocaleName(), "fr_FR.UTF-8")
            << "an empty value counts as unset";
    }
    EnvValue none("LANG", nullptr);
    EXPECT_EQ(platform::MessagesLocaleName(), "");
}

}  // namespace
