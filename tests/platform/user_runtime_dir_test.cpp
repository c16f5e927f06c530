// Without XDG_RUNTIME_DIR the single-copy lock and socket go to a folder of the user's own in
// the shared temporary folder, never to a fixed name another user could hold.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/user_dirs.h"
#include "support/support.h"

namespace {

namespace fs = std::filesystem;

class UserRuntimeDirTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const char* v = std::getenv("XDG_RUNTIME_DIR")) m_saved = v, m_had = true;
        unsetenv("XDG_RUNTIME_DIR");
        mine = tmp.path() + "/mivora-" + std::to_string(geteuid());
    }
    void TearDown() override {
        if (m_had) setenv("XDG_RUNTIME_DIR", m_saved.c_str(), 1);
    }
    static mode_t Mode(const std::string& p) {
        struct stat st {};
        lstat(p.c_str(), &st);
        return st.st_mode & 07777;
    }
    testing_support::TempDir tmp;
    std::string mine, error;

  private:
    std::string m_saved;
    bool m_had = false;
};

TEST_F(UserRuntimeDirTest, APrivateFolderOfTheUsersOwnIsMadeAndKeptPrivate) {
    EXPECT_EQ(mine, platform::UserRuntimeDir(error, tmp.path())) << error;
    EXPECT_EQ(0700u, Mode(mine));
    chmod(mine.c_str(), 0777);
    EXPECT_EQ(mine, platform::UserRuntimeDir(error, tmp.path())) << error;
    EXPECT_EQ(0700u, Mode(mine)) << "a folder others may write into is narrowed";

    setenv("XDG_RUNTIME_DIR", "/run/user/4242", 1);
    EXPECT_EQ("/run/user/4242", platform::UserRuntimeDir(error, tmp.path()));
}

TEST_F(UserRuntimeDirTest, ALinkOrAFolderOfAnotherUserIsRefusedWithAClearMessage) {
    fs::create_directory(tmp.File("elsewhere"));
    fs::create_directory_symlink(tmp.File("elsewhere"), mine);
    EXPECT_EQ("", platform::UserRuntimeDir(error, tmp.path()));
    EXPECT_NE(std::string::npos, error.find("remove it or set XDG_RUNTIME_DIR")) << error;
    fs::remove(mine);

    if (geteuid() != 0) GTEST_SKIP() << "giving a folder to another user needs root";
    fs::create_directory(mine);
    ASSERT_EQ(0, chown(mine.c_str(), 4242, 4242));
    EXPECT_EQ("", platform::UserRuntimeDir(error, tmp.path()));
    EXPECT_NE(std::string::npos, error.find(mine + " belongs to another user (uid 4242)")) << error;
}

}  // namespace
