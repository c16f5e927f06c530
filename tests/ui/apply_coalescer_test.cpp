// Holding back apply requests while the user is still changing a value: one write per burst,
// none lost when the kind changes or at the end.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <utility>
#include <vector>

#include "ui/apply_coalescer.h"

namespace {

using Posts = std::vector<std::pair<int, int>>;

void Wait(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

TEST(ApplyCoalescer, OneWritePerBurstNothingLostWhenTheStageChangesOrAtTheEnd) {
    Posts posts;
    ApplyCoalescer c(40, [&](int flag, int data) { posts.push_back({flag, data}); });

    for (int i = 0; i < 5; ++i) c.Request(0x04, 2);
    EXPECT_TRUE(posts.empty()) << "nothing while the user is still changing";
    EXPECT_TRUE(c.IsHolding());
    Wait(120);
    EXPECT_EQ(posts, (Posts{{0x04, 2}}));
    EXPECT_FALSE(c.IsHolding());

    // Another stage hands the first one on at once; the second waits for its pause.
    posts.clear();
    c.Request(0x04, 2);
    c.Request(0x04, 3);
    EXPECT_EQ(posts, (Posts{{0x04, 2}}));
    EXPECT_TRUE(c.Flush());
    EXPECT_EQ(posts, (Posts{{0x04, 2}, {0x04, 3}}));
    EXPECT_FALSE(c.Flush()) << "nothing held any more";
    Wait(80);
    EXPECT_EQ(posts.size(), 2u) << "a flushed request is not posted again by the timer";
}

}  // namespace
