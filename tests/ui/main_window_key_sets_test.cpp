// The key set buttons of the main window, against the virtual mouse.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QLabel>

#include "config/ui_text.h"
#include "macro/key_names.h"
#include "main_window_fixture.h"
#include "profile/apply_thread.h"
#include "profile/function_codes.h"
#include "profile/profile_list.h"

namespace {

using main_window_test::MainWindowTest;

TEST_F(MainWindowTest, ChoosingAKeySetShowsItsKeysAndTheMouseHoldsIt) {
    const ProfileRecord before = Profile();
    ASSERT_EQ(0, before.KeySetIndex());
    const uint32_t pos = before.keys[1][3].dwMatrixPos;
    ASSERT_GE(pos, 1u);
    g_ProfileList.Edit([](ProfileRecord& r) {
        r.keys[1][3].dwFunID = kFunDpiDown;
        r.keys[1][4].dwFunID = 0x04000026;  // volume up: a slot buffer
    });
    for (int s = 0; s < kKeySets; ++s) {
        CPngBtn* b = m_window->KeySetButton(s);
        EXPECT_TRUE(b->isVisible()) << s;
        EXPECT_EQ(b->Caption(), std::to_string(s + 1));
        EXPECT_EQ(b->IsChecked(), s == 0) << s;
        EXPECT_NE(b->focusPolicy() & Qt::TabFocus, 0) << s;
        std::string name = g_UiText.tc_acc_keyset.empty() ? "Key set %d" : g_UiText.tc_acc_keyset;
        name.replace(name.find("%d"), 2, std::to_string(s + 1));
        EXPECT_EQ(b->accessibleName().toStdString(), name) << s;
    }
    // The row's caption is what a screen reader reads as the sets' label; Tab passes it by.
    QLabel* caption = m_window->KeySetCaption();
    ASSERT_NE(caption, nullptr);
    EXPECT_TRUE(caption->isVisible());
    EXPECT_EQ(caption->focusPolicy(), Qt::NoFocus);
    QAccessibleInterface* label = QAccessible::queryAccessibleInterface(caption);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(QAccessible::Name), caption->text());
    bool labels = false;
    for (const auto& [other, relation] : label->relations(QAccessible::Labelled))
        labels |= other->object() == m_window->KeySetButton(0);
    EXPECT_TRUE(labels);

    ui_test::ClickCentre(m_window->KeySetButton(1));
    ASSERT_TRUE(g_ApplyThread.WaitIdle(5000));
    EXPECT_EQ(0, g_ApplyThread.Failures());
    EXPECT_EQ(1, Profile().KeySetIndex());
    EXPECT_TRUE(m_window->KeySetButton(1)->IsChecked());
    EXPECT_FALSE(m_window->KeySetButton(0)->IsChecked());
    EXPECT_EQ(m_window->KeyButton(3)->Caption(), KeyFunctionLabel(Profile().keys[1][3]));
    const auto matrix = Memory(sim::kAddrKeyMatrix + 4 * static_cast<int>(pos - 1), 3);
    EXPECT_EQ(matrix, (std::vector<uint8_t>{0x02, 0x03, 0x00}));

    // Back to set 1: its keys again, in the list and in the mouse.
    ui_test::ClickCentre(m_window->KeySetButton(0));
    ASSERT_TRUE(g_ApplyThread.WaitIdle(5000));
    EXPECT_EQ(0, Profile().KeySetIndex());
    EXPECT_EQ(m_window->KeyButton(3)->Caption(), KeyFunctionLabel(before.keys[0][3]));
    EXPECT_NE(Memory(sim::kAddrKeyMatrix + 4 * static_cast<int>(pos - 1), 3),
              (std::vector<uint8_t>{0x02, 0x03, 0x00}));
}

}  // namespace
