// Reading files whose size the caller knows: bounded, regular files only, never blocking.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/files.h"
#include "support/support.h"

namespace {

TEST(BoundedRead, TakesAtMostTheLimitAndSaysWhetherThereWasMore) {
    testing_support::TempDir dir;
    const std::string path = dir.Write("f", std::string(100, 'a'));
    const struct {
        size_t limit;
        size_t size;
        bool truncated;
    } cases[] = {{100, 100, false}, {99, 99, true}, {1000, 100, false}, {0, 0, true}};
    for (const auto& c : cases) {
        std::vector<uint8_t> out;
        bool truncated = !c.truncated;
        ASSERT_TRUE(platform::ReadRegularFile(path, c.limit, out, nullptr, &truncated)) << c.limit;
        EXPECT_EQ(out.size(), c.size) << c.limit;
        EXPECT_EQ(truncated, c.truncated) << c.limit;
    }
}

TEST(BoundedRead, RefusesWhatIsNoRegularFileWithoutHanging) {
    testing_support::TempDir dir;
    const std::string fifo = dir.File("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string target = dir.Write("target", "data");
    const std::string link = dir.File("link");
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    const struct {
        std::string path;
        int err;
    } cases[] = {{fifo, EINVAL},       {"/dev/zero", EINVAL}, {"/dev/null", EINVAL},
                 {dir.path(), EINVAL}, {link, ELOOP},         {dir.File("none"), ENOENT}};
    for (const auto& c : cases) {
        std::vector<uint8_t> out{1};
        int err = 0;
        EXPECT_FALSE(platform::ReadRegularFile(c.path, 10312, out, &err)) << c.path;
        EXPECT_EQ(err, c.err) << c.path;
        EXPECT_TRUE(out.empty()) << c.path;
    }
}

}  // namespace
