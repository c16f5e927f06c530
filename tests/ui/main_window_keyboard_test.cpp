// The main window by keyboard alone and as a screen reader sees it, against the virtual mouse.
#include <QAccessible>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

#include "config/program_config.h"
#include "config/sensor_dpi.h"
#include "config/ui_text.h"
#include "main_window_fixture.h"
#include "profile/function_codes.h"
#include "ui/about_dlg.h"
#include "ui/dpi_grid_dlg.h"
#include "ui/msg_dlg.h"

namespace {

using main_window_test::MainWindowTest;
using main_window_test::WaitUntil;

uint32_t g_clockMs = 50000;
uint32_t TestClock() {
    return g_clockMs;
}

class KeyboardTest : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        m_window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    }
    void TearDown() override {
        CMsgDlg::SetCaptureClock(nullptr);
        MainWindowTest::TearDown();
    }
    // A key where the user's would go: to the widget with the focus.
    void Press(int key, Qt::KeyboardModifiers mods = {}) {
        QWidget* target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr);
        QTest::keyClick(target, static_cast<Qt::Key>(key), mods);
        ui_test::Pump();
    }
    void Focus(QWidget* w) {
        w->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(WaitUntil([w] { return w->hasFocus(); }, 2000));
    }
    // The controls Tab should reach now, in order.
    std::vector<QWidget*> Reachable() {
        std::vector<QWidget*> out;
        for (QWidget* w : m_window->FocusOrder())
            if (w->isVisibleTo(m_window.get()) && w->isEnabled() &&
                (w->focusPolicy() & Qt::TabFocus))
                out.push_back(w);
        return out;
    }
    // Moves the open menu's keyboard row to the one with code by typing its first letter.
    void TypeUntil(int code, const std::string& text) {
        CMenuDlg* menu = CurrentPopupMenu();
        ASSERT_NE(menu, nullptr);
        const QString letter = QString::fromStdString(text).left(1);
        for (int i = 0; i < 12; ++i) {
            CMenuDlg* target = menu->KeyTarget();
            const int row = target->HoverIndex();
            if (row >= 0 && target->Items()[static_cast<size_t>(row)].code == code) return;
            QTest::keyClick(QApplication::focusWidget(), letter.at(0).toLatin1());
        }
        FAIL() << "no row " << std::hex << code;
    }
    // The key's entry as the mouse holds it: its matrix bytes (the type byte for buffers).
    void ExpectKeyInMouse(int key, uint32_t funId) {
        const ProfileRecord p = Profile();
        const KeyEntry& e = p.keys[p.KeySetIndex()][key];
        ASSERT_EQ(e.dwFunID, funId);
        const auto matrix = Memory(sim::kAddrKeyMatrix, 32);
        const size_t at = (e.dwMatrixPos - 1) * sim::kKeyMatrixEntryBytes;
        const uint32_t inMouse = matrix[at] | matrix[at + 1] << 8 | matrix[at + 2] << 16;
        const uint32_t expected = MatrixCodeOf(e);
        if ((expected & 0xFF) == kMatrixBuffer)
            EXPECT_EQ(inMouse & 0xFF, kMatrixBuffer);
        else
            EXPECT_EQ(inMouse, expected);
    }
};

// Every control a screen reader can land on has a name; sliders tell their value.
void CheckAccessibleTree(QAccessibleInterface* node, const std::string& language, int depth = 0) {
    ASSERT_LT(depth, 10);
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface* child = node->child(i);
        if (!child || child->state().invisible) continue;
        if (child->state().focusable) {
            EXPECT_FALSE(child->text(QAccessible::Name).trimmed().isEmpty())
                << language << ": " << child->object()->metaObject()->className();
            EXPECT_NE(child->role(), QAccessible::Client)
                << language << ": " << child->text(QAccessible::Name).toStdString();
        }
        if (child->role() == QAccessible::Slider) {
            ASSERT_NE(child->valueInterface(), nullptr)
                << child->text(QAccessible::Name).toStdString();
            EXPECT_LE(child->valueInterface()->minimumValue().toInt(),
                      child->valueInterface()->maximumValue().toInt());
            EXPECT_FALSE(child->text(QAccessible::Value).isEmpty());
        }
        CheckAccessibleTree(child, language, depth + 1);
    }
}

TEST_F(KeyboardTest, TabVisitsEveryControlInOrderAndEachIsNamedInEveryLanguage) {
    const std::vector<QWidget*> order = Reachable();
    // Title bar, key sets and the rules button, key list, DPI stages, rate, lighting, pointer
    // block, bottom row.
    ASSERT_GT(order.size(), 30u);
    EXPECT_EQ(order.front(), m_window->LanguageCombo());
    for (int s = 0; s < kKeySets; ++s) EXPECT_EQ(order[4 + s], m_window->KeySetButton(s));
    EXPECT_EQ(order[4 + kKeySets], m_window->RulesButton());
    EXPECT_EQ(order[5 + kKeySets], m_window->KeyButton(0));
    Focus(order.front());
    std::vector<QWidget*> seen{QApplication::focusWidget()};
    for (size_t i = 1; i < order.size(); ++i) {
        Press(Qt::Key_Tab);
        seen.push_back(QApplication::focusWidget());
    }
    EXPECT_EQ(seen, order);
    Press(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), order.front()) << "Tab goes round";
    Press(Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), order.back());

    const int languages = static_cast<int>(m_window->LanguageCombo()->Items().size());
    ASSERT_GE(languages, 10);
    for (int k = 0; k < languages; ++k) {
        m_window->SwitchLanguage(m_window->LanguageCombo()->Items()[static_cast<size_t>(k)].value);
        const std::string language =
            m_window->LanguageCombo()->Items()[static_cast<size_t>(k)].name;
        QAccessibleInterface* root = QAccessible::queryAccessibleInterface(m_window.get());
        ASSERT_NE(root, nullptr);
        EXPECT_FALSE(root->text(QAccessible::Name).isEmpty());
        EXPECT_EQ(root->text(QAccessible::Description).toStdString(), m_window->StatusText());
        CheckAccessibleTree(root, language);
        for (QWidget* w : Reachable()) {
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
            EXPECT_TRUE(a->state().focusable) << language;
            EXPECT_FALSE(a->text(QAccessible::Name).isEmpty())
                << language << ": " << w->metaObject()->className();
        }
    }
    m_window->SwitchLanguage(0);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(m_window->DpiGrid(1))->text(QAccessible::Name),
              "DPI stage 2");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(m_window->RateButton(0))->role(),
              QAccessible::RadioButton);
}

TEST_F(KeyboardTest, TheFunctionMenuWorksWithArrowsLettersEnterRightAndEsc) {
    // Key 4 gets "Back": Enter opens the menu, the first letter finds the row, Enter picks.
    Focus(m_window->KeyButton(3));
    Press(Qt::Key_Return);
    ASSERT_NE(CurrentPopupMenu(), nullptr);
    // A screen reader sees the rows as menu items and hears the one the keys reach.
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(CurrentPopupMenu());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->role(), QAccessible::PopupMenu);
    ASSERT_EQ(list->childCount(), CurrentPopupMenu()->RowCount());
    EXPECT_EQ(list->child(0)->role(), QAccessible::MenuItem);
    EXPECT_EQ(list->child(0)->text(QAccessible::Name).toStdString(), g_UiText.tc_click);
    EXPECT_EQ(list->focusChild(), nullptr);
    Press(Qt::Key_Down);
    EXPECT_EQ(list->focusChild(), list->child(0));
    TypeUntil(static_cast<int>(kFunBack), g_UiText.tc_back);
    Press(Qt::Key_Return);
    ExpectKeyInMouse(3, kFunBack);
    EXPECT_EQ(CurrentPopupMenu(), nullptr);

    // Key 5 gets "DPI cycle" from the sub-menu: Right enters it, Down moves, Enter picks.
    Focus(m_window->KeyButton(4));
    Press(Qt::Key_Space);
    TypeUntil(static_cast<int>(kFunDpiTitle), g_UiText.tc_dpi);
    Press(Qt::Key_Right);
    CMenuDlg* menu = CurrentPopupMenu();
    ASSERT_NE(menu->SubMenu(), nullptr);
    EXPECT_EQ(menu->KeyTarget(), menu->SubMenu());
    EXPECT_EQ(menu->SubMenu()->HoverIndex(), 0);
    Press(Qt::Key_Down);
    Press(Qt::Key_Down);
    Press(Qt::Key_Return);
    ExpectKeyInMouse(4, kFunDpiCycle);

    // Esc leaves the sub-menu first, then closes the menu; the key keeps its function.
    Focus(m_window->KeyButton(4));
    Press(Qt::Key_Return);
    TypeUntil(static_cast<int>(kFunDpiTitle), g_UiText.tc_dpi);
    Press(Qt::Key_Right);
    Press(Qt::Key_Escape);
    ASSERT_NE(CurrentPopupMenu(), nullptr);
    EXPECT_EQ(CurrentPopupMenu()->KeyTarget(), CurrentPopupMenu());
    Press(Qt::Key_End);
    EXPECT_EQ(CurrentPopupMenu()->HoverIndex(), CurrentPopupMenu()->RowCount() - 1);
    Press(Qt::Key_Down);  // wraps to the first row
    EXPECT_EQ(CurrentPopupMenu()->HoverIndex(), 0);
    Press(Qt::Key_Escape);
    EXPECT_EQ(CurrentPopupMenu(), nullptr);
    ExpectKeyInMouse(4, kFunDpiCycle);
}

TEST_F(KeyboardTest, ACombinationIsCapturedAndTheDialogLeftByKeyboard) {
    CMsgDlg::SetCaptureClock(TestClock);
    CMsgDlg::ResetCaptureMemory();
    bool seen = false;
    auto drive = [&] {
        auto* dlg = qobject_cast<CMsgDlg*>(QApplication::activeModalWidget());
        if (!dlg) return;
        seen = true;
        QWidget* edit = dlg->Edit();
        ASSERT_EQ(dlg->focusWidget(), edit);
        auto key = [&](int k, quint32 scan, bool release, bool repeat = false) {
            QKeyEvent e(release ? QEvent::KeyRelease : QEvent::KeyPress, k, Qt::NoModifier, scan, 0,
                        0, QString(), repeat);
            QApplication::sendEvent(dlg->focusWidget() ? dlg->focusWidget() : edit, &e);
        };
        // L-Ctrl + A, then Tab: captured like any key.
        key(Qt::Key_Control, 37, false);
        g_clockMs += 100;
        key(Qt::Key_A, 38, false);
        key(Qt::Key_A, 38, true);
        key(Qt::Key_Control, 37, true);
        g_clockMs += 100;
        key(Qt::Key_Tab, 23, false);
        key(Qt::Key_Tab, 23, true);
        EXPECT_EQ(dlg->m_Capture[1], 'A');
        EXPECT_EQ(dlg->m_Capture[2], 0x09);
        EXPECT_EQ(dlg->focusWidget(), edit) << "Tab was captured, not a move";
        const QString shown = dlg->Edit()->text();
        // Holding Esc for a second leaves the field for OK and forgets the Esc.
        g_clockMs += 100;
        key(Qt::Key_Escape, 9, false);
        g_clockMs += 500;
        key(Qt::Key_Escape, 9, false, true);
        EXPECT_EQ(dlg->focusWidget(), edit) << "half a second is not a hold";
        g_clockMs += 500;
        key(Qt::Key_Escape, 9, false, true);
        EXPECT_EQ(dlg->focusWidget(), dlg->OkButton());
        key(Qt::Key_Escape, 9, false, true);  // still held: does not cancel
        key(Qt::Key_Escape, 9, true);
        EXPECT_TRUE(dlg->isVisible());
        EXPECT_EQ(dlg->Edit()->text(), shown) << "the held Esc is not part of it";
        // Tab moves between the buttons now; Enter on OK confirms.
        key(Qt::Key_Tab, 23, false);
        EXPECT_EQ(dlg->focusWidget(), dlg->CancelButton());
        key(Qt::Key_Backtab, 23, false);
        EXPECT_EQ(dlg->focusWidget(), dlg->OkButton());
        key(Qt::Key_Return, 36, false);
    };
    Focus(m_window->KeyButton(5));
    Press(Qt::Key_Return);
    TypeUntil(static_cast<int>(kFunComboMod), g_UiText.tc_combokey);
    // The capture dialog runs (and is driven above) inside the pick.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (seen || !qobject_cast<CMsgDlg*>(QApplication::activeModalWidget())) return;
        drive();
        if (QWidget* w = QApplication::activeModalWidget()) w->close();  // a failed drive
    });
    poll.start(5);
    Press(Qt::Key_Return);
    ASSERT_TRUE(WaitUntil([&] { return seen && !QApplication::activeModalWidget(); }));
    poll.stop();
    ASSERT_TRUE(seen);
    ExpectKeyInMouse(5, kFunComboMod);
    const ProfileRecord p = Profile();
    const KeyEntry& e = p.keys[p.KeySetIndex()][5];
    EXPECT_EQ(e.stCombo[0], 0x01);
    EXPECT_EQ(e.stCombo[1], 'A');
    EXPECT_EQ(e.stCombo[2], 0x09);
}

TEST_F(KeyboardTest, DpiStagesRateLightingAndSlidersByKeys) {
    // Left/Right pick the neighbouring stage, Up/Down step its value.
    Focus(m_window->DpiGrid(0));
    Press(Qt::Key_Right);
    EXPECT_EQ(QApplication::focusWidget(), m_window->DpiGrid(1));
    EXPECT_EQ(g_nCurDpiLevel.load(), 1);
    EXPECT_TRUE(m_window->DpiGrid(1)->m_bCurrent);
    EXPECT_EQ(Memory(sim::kAddrCurrentStage, 1)[0], 1);
    const int before = Profile().stages[1].xDpi;
    Press(Qt::Key_Down);
    const int lower = Profile().stages[1].xDpi;
    EXPECT_LT(lower, before);
    // The stage's value is written once the user pauses.
    EXPECT_TRUE(WaitUntil([&] {
        return Memory(sim::kAddrStages + 1 * sim::kStageBytes, 1)[0] ==
               DpiToCode(Model().Sensor, lower);
    }));
    Press(Qt::Key_Up);
    EXPECT_EQ(Profile().stages[1].xDpi, before);
    Press(Qt::Key_Left);
    EXPECT_EQ(g_nCurDpiLevel.load(), 0);

    // Space picks a rate, Enter a lighting mode.
    Focus(m_window->RateButton(0));
    Press(Qt::Key_Space);
    EXPECT_EQ(Profile().rate24, 0x125u);
    EXPECT_EQ(Memory(sim::kAddrReportRate, 1)[0] & 0x0F, 8);
    Focus(m_window->LightButton(4));
    Press(Qt::Key_Return);
    EXPECT_EQ(Memory(sim::kAddrLighting, 1)[0], 4);

    // Arrows move a pointer slider one stop, Page Up ten (to the end here).
    CPngSliderBar* speed = m_window->Bar(kIdBarSpeed);
    Focus(speed);
    const int at = speed->Thumb()->Position();
    Press(Qt::Key_Right);
    EXPECT_EQ(speed->Thumb()->Position(), at + 1);
    EXPECT_EQ(Profile().pointer.speed, speed->GetValue());
    Press(Qt::Key_PageUp);
    EXPECT_EQ(speed->GetValue(), 20);
    EXPECT_EQ(Profile().pointer.speed, 20);
}

TEST_F(KeyboardTest, F1OpensAbout) {
    Focus(m_window->KeyButton(0));
    bool about = false;
    ui_test::OnNextModal([&](QDialog* dlg) { about = qobject_cast<CAboutDlg*>(dlg) != nullptr; });
    Press(Qt::Key_F1);
    EXPECT_TRUE(about);
    EXPECT_EQ(CurrentPopupMenu(), nullptr);
}

}  // namespace
