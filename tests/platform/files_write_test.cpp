// Atomic replacement of data files: a temporary file of a random name, created exclusively and
// never through a link, keeping the replaced file's mode; links and FIFOs at a data file's name.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/files.h"
#include "support/support.h"

namespace {

namespace fs = std::filesystem;
using testing_support::TempDir;

bool Write(const std::string& path, const std::string& text, int* err = nullptr) {
    return platform::WriteFileAtomic(path, reinterpret_cast<const uint8_t*>(text.data()),
                                     text.size(), err);
}

std::string Read(const std::string& path) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(platform::ReadWholeFile(path, bytes));
    return std::string(bytes.begin(), bytes.end());
}

std::vector<std::string> Names(const std::string& dir) {
    std::vector<platform::DirEntry> entries;
    platform::ListDir(dir, entries);
    std::vector<std::string> out;
    for (const auto& e : entries) out.push_back(e.name);
    return out;
}

// A link planted at the data file's name is replaced, never followed: the file it points to,
// outside the data folder, keeps its content.
TEST(FilesWriteTest, ALinkAtTheNameIsReplacedNotFollowed) {
    TempDir data, outside;
    const std::string victim = outside.Write("victim", "precious");
    fs::create_symlink(victim, data.File("CID.dct"));
    ASSERT_TRUE(Write(data.File("CID.dct"), "new"));
    EXPECT_EQ("precious", Read(victim));
    EXPECT_FALSE(fs::is_symlink(data.File("CID.dct")));
    EXPECT_EQ("new", Read(data.File("CID.dct")));
    EXPECT_EQ(std::vector<std::string>{"CID.dct"}, Names(data.path()));
}

// Links planted at every name a predictable temporary file could have ("<file>.tmp<pid>_<n>")
// must not lead the write out of the data folder.
TEST(FilesWriteTest, LinksPlantedAtLikelyTemporaryNamesAreNotFollowed) {
    TempDir data, outside;
    const std::string victim = outside.Write("victim", "precious");
    const std::string target = data.File("PRO_0101.dct");
    for (int n = 0; n < 1000; ++n)
        fs::create_symlink(victim,
                           target + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(n));
    ASSERT_TRUE(Write(target, "new"));
    EXPECT_EQ("precious", Read(victim));
    EXPECT_EQ("new", Read(target));
}

TEST(FilesWriteTest, TheReplacedFileKeepsItsModeAndANewFileGetsTheUsualOne) {
    TempDir data;
    for (mode_t mode : {0600u, 0640u, 0444u}) {
        const std::string path = data.Write("PRO_0101.dct", "old");
        ASSERT_EQ(0, ::chmod(path.c_str(), mode));
        ASSERT_TRUE(Write(path, "new"));
        struct stat st {};
        ASSERT_EQ(0, ::stat(path.c_str(), &st));
        EXPECT_EQ(mode, st.st_mode & 07777);
        fs::remove(path);
    }
    ASSERT_TRUE(Write(data.File("fresh"), "x"));
    struct stat st {};
    ASSERT_EQ(0, ::stat(data.File("fresh").c_str(), &st));
    EXPECT_EQ(0600u, st.st_mode & 0600u);
    EXPECT_EQ(0u, st.st_mode & 0111u);
}

// A FIFO or folder in place of a data file is refused at once; nothing is left behind.
TEST(FilesWriteTest, WhatIsNotARegularFileIsRefused) {
    TempDir data;
    ASSERT_EQ(0, ::mkfifo(data.File("state").c_str(), 0600));
    fs::create_directory(data.File("folder"));
    for (const char* name : {"state", "folder"}) {
        int err = 0;
        EXPECT_FALSE(Write(data.File(name), "x", &err)) << name;
        EXPECT_EQ(EINVAL, err) << name;
    }
    EXPECT_TRUE(fs::is_fifo(data.File("state")));
    EXPECT_EQ((std::vector<std::string>{"folder", "state"}), Names(data.path()));
    int err = 0;
    EXPECT_FALSE(Write(data.File("missing/x"), "x", &err));
    EXPECT_EQ(ENOENT, err);
}

TEST(FilesWriteTest, TemporaryNamesAreRandomAndRecognised) {
    EXPECT_TRUE(platform::IsTempFileName(".mivora-0123456789ab.tmp"));
    for (const char* name : {"Jump.zqm", ".mivora-0123456789ab.tm", ".mivora-0123456789zz.tmp",
                             ".mivora-0123456789abc.tmp", "mivora-0123456789ab.tmp"})
        EXPECT_FALSE(platform::IsTempFileName(name)) << name;
    TempDir data;
    const std::string old = data.Write(".mivora-000000000000.tmp", "left over");
    const std::string recent = data.Write(".mivora-111111111111.tmp", "in progress");
    const std::string other = data.Write(".hidden", "not ours");
    fs::create_directory(data.File("Sub"));
    const std::string deep = data.Write("Sub/.mivora-222222222222.tmp", "left over");
    const auto past = fs::file_time_type::clock::now() - std::chrono::minutes(5);
    for (const auto& p : {old, other, deep}) fs::last_write_time(p, past);
    EXPECT_EQ(1, platform::RemoveStaleTempFiles(data.path(), false));
    EXPECT_EQ(1, platform::RemoveStaleTempFiles(data.path(), true));
    EXPECT_FALSE(fs::exists(old));
    EXPECT_FALSE(fs::exists(deep));
    EXPECT_TRUE(fs::exists(recent));
    EXPECT_TRUE(fs::exists(other));
}

TEST(FilesWriteTest, ReadingAPrefixRefusesLinksAndFifosAtOnce) {
    TempDir data;
    const std::string file = data.Write("a.zqm", "0123456789");
    fs::create_symlink(file, data.File("link.zqm"));
    ASSERT_EQ(0, ::mkfifo(data.File("pipe.zqm").c_str(), 0600));
    std::vector<uint8_t> out;
    ASSERT_TRUE(platform::ReadRegularFilePrefix(file, 4, out, false));
    EXPECT_EQ((std::vector<uint8_t>{'0', '1', '2', '3'}), out);
    int err = 0;
    EXPECT_FALSE(platform::ReadRegularFilePrefix(data.File("link.zqm"), 4, out, false, &err));
    EXPECT_EQ(ELOOP, err);
    EXPECT_TRUE(platform::ReadRegularFilePrefix(data.File("link.zqm"), 4, out, true));
    EXPECT_FALSE(platform::ReadRegularFilePrefix(data.File("pipe.zqm"), 4, out, true, &err));
    EXPECT_EQ(EINVAL, err);
}

// A new file never takes the place of anything that has the name: a file, a dangling link.
TEST(FilesWriteTest, ANewFileNeverReplacesWhatHasTheName) {
    TempDir data;
    const auto put = [](const std::string& path, const std::string& text, int* err) {
        return platform::WriteNewFile(path, reinterpret_cast<const uint8_t*>(text.data()),
                                      text.size(), err);
    };
    int err = 0;
    ASSERT_TRUE(put(data.File("a.zqm"), "first", &err)) << err;
    EXPECT_FALSE(put(data.File("a.zqm"), "second", &err));
    EXPECT_EQ(EEXIST, err);
    EXPECT_EQ("first", Read(data.File("a.zqm")));
    fs::create_symlink(data.File("nowhere"), data.File("b.zqm"));
    EXPECT_FALSE(put(data.File("b.zqm"), "third", &err));
    EXPECT_EQ(EEXIST, err);
    EXPECT_TRUE(fs::is_symlink(data.File("b.zqm")));
    EXPECT_EQ((std::vector<std::string>{"a.zqm", "b.zqm"}), Names(data.path()));
}

}  // namespace
