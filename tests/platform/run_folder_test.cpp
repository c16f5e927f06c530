// A run's private folders: made private, removed when the run ends, and a killed run's removed
// by the next one; the copy of a data folder takes folders and files, never links or FIFOs.
#include "platform/run_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/files.h"
#include "support/support.h"

namespace {

namespace fs = std::filesystem;

pid_t EndedProcess() {
    const pid_t child = fork();
    if (child == 0) _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

TEST(RunFolder, AKilledRunsFolderIsRemovedByTheNextAndALiveOneKept) {
    testing_support::TempDir parent;
    std::string live;
    {
        live = platform::MakeRunFolder(parent.path(), "shot-");
        ASSERT_FALSE(live.empty());
        platform::RunFolderGuard guard(live);
        struct stat st {};
        ASSERT_EQ(0, stat(live.c_str(), &st));
        EXPECT_EQ(0700u, st.st_mode & 07777);
        const std::string killed =
            parent.File("shot-" + std::to_string(EndedProcess()) + "-0badf00d");
        fs::create_directories(killed + "/Mac");
        parent.Write("shot-1-file", "not a folder");
        fs::create_directory(parent.File("other-" + std::to_string(EndedProcess()) + "-1"));
        fs::create_directory(parent.File("shot-x-1"));

        EXPECT_EQ(1, platform::RemoveStaleRunFolders(parent.path(), "shot-"));
        EXPECT_FALSE(fs::exists(killed));
        EXPECT_TRUE(fs::exists(live)) << "this run's own folder stays";
        EXPECT_TRUE(fs::exists(parent.File("shot-1-file")));
        EXPECT_TRUE(fs::exists(parent.File("shot-x-1")));
    }
    EXPECT_FALSE(fs::exists(live)) << "removed when the run ends";
}

TEST(RunFolder, ACopyOfAFolderTakesFoldersAndFilesButNoLinksFifosOrHugeFiles) {
    testing_support::TempDir from, outside, parent;
    from.Write("CID.dct", "cid");
    fs::create_directories(from.File("Mac/Games"));
    from.Write("Mac/Games/a.zqm", "macro");
    outside.Write("secret", "secret");
    fs::create_symlink(outside.File("secret"), from.File("link.ini"));
    fs::create_directory_symlink(outside.path(), from.File("Mac/dirlink"));
    ASSERT_EQ(0, mkfifo(from.File("lang.ini").c_str(), 0600));
    from.Write("big.bin", std::string(2000, 'x'));

    const std::string to = parent.File("copy");
    int err = 0;
    ASSERT_TRUE(platform::CopyTree(from.path(), to, 1000, &err)) << err;
    EXPECT_EQ("cid", testing_support::Slurp(to + "/CID.dct"));
    EXPECT_EQ("macro", testing_support::Slurp(to + "/Mac/Games/a.zqm"));
    for (const char* absent : {"link.ini", "Mac/dirlink", "lang.ini", "big.bin"})
        EXPECT_FALSE(fs::exists(fs::symlink_status(to + "/" + absent))) << absent;
}

}  // namespace
