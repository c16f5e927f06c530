#include "skin/win_message.h"

#include <QCoreApplication>

#include <thread>

#include <gtest/gtest.h>

#include "skin_test_util.h"

namespace {

TEST(WinMessage, SinkPostsFromAWorkerThreadAndSendReturnsTheAnswer) {
    skin_test::Recorder receiver;
    QtMessageSink sink(&receiver);
    std::thread worker([&sink] {
        for (uint32_t i = 0; i < 3; ++i) sink.Post(0x7F5 + i, i, -static_cast<intptr_t>(i));
    });
    worker.join();
    EXPECT_TRUE(receiver.messages.empty());  // queued, not delivered on the worker
    const auto found = receiver.Take(0x7F6);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].wParam, 1u);
    EXPECT_EQ(found[0].lParam, -1);
    EXPECT_EQ(receiver.messages.size(), 3u);

    receiver.answer = 7;
    EXPECT_EQ(SendWinMessage(&receiver, 0x802, 1, 2), 7);
    EXPECT_EQ(SendWinMessage(nullptr, 0x802, 1, 2), 0);
    PostWinMessage(nullptr, 1, 2, 3);  // harmless
}

}  // namespace
