// The key list and the key function menu of the main window, against the virtual mouse.
#include <gtest/gtest.h>

#include <QApplication>
#include <QToolTip>

#include "config/ui_text.h"
#include "macro/key_names.h"
#include "main_window_fixture.h"
#include "profile/function_codes.h"
#include "ui/key_mark_dlg.h"

namespace {

using main_window_test::MainWindowTest;

// Matrix bytes b0 b1 b2 of the key at matrix position pos (1-based) in the mouse.
uint32_t MatrixInMouse(const std::vector<uint8_t>& matrix, uint32_t pos) {
    const size_t at = (pos - 1) * sim::kKeyMatrixEntryBytes;
    return matrix[at] | matrix[at + 1] << 8 | matrix[at + 2] << 16;
}

TEST_F(MainWindowTest, KeyButtonsShowTheFunctionsOfTheModelsKeys) {
    const ProfileRecord p = Profile();
    for (int i = 0; i < 16; ++i) {
        CPngBtn* b = m_window->KeyButton(i);
        if (i < Model().KeyCount) {
            EXPECT_TRUE(b->isVisible()) << i;
            EXPECT_EQ(b->Caption(), KeyFunctionLabel(p.keys[p.KeySetIndex()][i])) << i;
            EXPECT_FALSE(b->Caption().empty()) << i;
        } else {
            EXPECT_FALSE(b->isVisible()) << i;
        }
    }
}

// The pointer over a key row lights that key on the mouse picture, and over a key on the
// picture it lights the row; leaving puts both back.
TEST_F(MainWindowTest, HoverLinksKeyRowsAndThePicture) {
    auto* picture = m_window->findChild<CKeyMarkDlg*>();
    ASSERT_NE(picture, nullptr);
    ASSERT_TRUE(picture->isVisible());
    int linked = 0;
    for (int i = 0; i < Model().KeyCount; ++i) {
        CPngBtn* row = m_window->KeyButton(i);
        CPngBtn* mark = picture->KeyButton(i);
        if (!mark->isVisible()) continue;
        ++linked;
        const QImage dark = mark->ComposePicture();
        QEvent enter(QEvent::Enter), leave(QEvent::Leave);
        QApplication::sendEvent(row, &enter);
        EXPECT_TRUE(mark->IsChecked()) << i;
        EXPECT_NE(mark->ComposePicture(), dark) << "key " << i << " lights on the picture";
        QApplication::sendEvent(row, &leave);
        EXPECT_FALSE(mark->IsChecked()) << i;

        const QImage plainRow = row->ComposePicture();
        QApplication::sendEvent(mark, &enter);
        EXPECT_TRUE(row->IsChecked()) << i;
        EXPECT_NE(row->ComposePicture(), plainRow) << "row " << i << " lights";
        QApplication::sendEvent(mark, &leave);
        EXPECT_FALSE(row->IsChecked()) << i;
    }
    EXPECT_GE(linked, 2);
}

// The key function menu marks the key's current function (and the row whose sub-menu holds it);
// the language list marks the language in use.
TEST_F(MainWindowTest, MenusMarkTheCurrentChoice) {
    auto markedCodes = [](CMenuDlg* menu) {
        std::vector<int> codes;
        for (const MenuItem& item : menu->Items())
            if (item.marked) codes.push_back(item.code);
        return codes;
    };
    const uint32_t first = Profile().keys[Profile().KeySetIndex()][0].dwFunID;
    ui_test::ClickCentre(m_window->KeyButton(0));
    ASSERT_NE(CurrentPopupMenu(), nullptr);
    EXPECT_EQ(markedCodes(CurrentPopupMenu()), std::vector<int>{static_cast<int>(first)});
    ClosePopupMenu();

    PickFunction(3, 0x04000026, kFunMediaTitle);
    ui_test::ClickCentre(m_window->KeyButton(3));
    CMenuDlg* menu = CurrentPopupMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(markedCodes(menu), (std::vector<int>{static_cast<int>(kFunMediaTitle), 0x04000026}));
    menu->SetHover(RowOf(menu, kFunMediaTitle));
    ASSERT_NE(menu->SubMenu(), nullptr);
    EXPECT_EQ(markedCodes(menu->SubMenu()), std::vector<int>{0x04000026});
    ClosePopupMenu();

    CComboBtn* languages = m_window->LanguageCombo();
    ASSERT_GE(languages->Items().size(), 2u);
    ASSERT_GE(languages->SelectedIndex(), 0);
    ASSERT_EQ(languages->OpenList(), 1);
    ASSERT_NE(CurrentPopupMenu(), nullptr);
    EXPECT_EQ(markedCodes(CurrentPopupMenu()),
              std::vector<int>{languages->Items()[languages->SelectedIndex()].value});
    ClosePopupMenu();
}

// A button whose caption shows whole has no tip repeating it; tips that say more stay, and all
// tips are in the window's dark colours.
TEST_F(MainWindowTest, ToolTipsSayMoreThanTheCaptionInTheDarkLook) {
    ASSERT_NE(g_Config.BtnTips, 0);
    std::vector<CPngBtn*> buttons = {m_window->ExportButton(), m_window->ImportButton(),
                                     m_window->MacroButton(), m_window->RestoreButton()};
    for (int i = 0; i < Model().KeyCount; ++i) buttons.push_back(m_window->KeyButton(i));
    for (int i = 0; i < kRateButtons; ++i) buttons.push_back(m_window->RateButton(i));
    for (int i = 0; i < 5; ++i) buttons.push_back(m_window->LightButton(i));
    for (CPngBtn* b : buttons) {
        if (b->IsCaptionElided())
            EXPECT_EQ(b->toolTip().toStdString(), b->Caption());
        else
            EXPECT_TRUE(b->toolTip().isEmpty()) << b->Caption();
    }
    if (CPngBtn* home = m_window->HomeLink()) {
        EXPECT_EQ(home->toolTip().toStdString(), g_UiText.tc_mainweb);
    }
    const QPalette tips = QToolTip::palette();
    EXPECT_LT(tips.color(QPalette::ToolTipBase).lightness(), 80);
    EXPECT_GT(tips.color(QPalette::ToolTipText).lightness(), 160);
}

TEST_F(MainWindowTest, PickedFunctionsReachProfileAndMouse) {
    struct Case {
        int key;
        uint32_t code;
        uint32_t parent;
    };
    const Case cases[] = {
        {3, kFunBack, 0},
        {4, kFunDpiCycle, kFunDpiTitle},
        {5, 0x04000028, kFunMediaTitle},  // mute
        {6, kFunOff, 0},
    };
    for (const Case& c : cases) {
        PickFunction(c.key, static_cast<int>(c.code), static_cast<int>(c.parent));
        const ProfileRecord p = Profile();
        const KeyEntry& e = p.keys[p.KeySetIndex()][c.key];
        EXPECT_EQ(e.dwFunID, c.code) << std::hex << c.code;
        EXPECT_EQ(m_window->KeyButton(c.key)->Caption(), KeyFunctionLabel(e));
        ASSERT_GE(e.dwMatrixPos, 1u);
        const auto matrix = Memory(sim::kAddrKeyMatrix, 32);
        const uint32_t expected = MatrixCodeOf(e);
        // Buffer functions carry their slot in the other bytes; the type byte tells them.
        if ((expected & 0xFF) == kMatrixBuffer)
            EXPECT_EQ(MatrixInMouse(matrix, e.dwMatrixPos) & 0xFF, kMatrixBuffer);
        else
            EXPECT_EQ(MatrixInMouse(matrix, e.dwMatrixPos), expected) << std::hex << c.code;
    }
}

TEST_F(MainWindowTest, TheLastLeftButtonIsNotGivenAway) {
    const ProfileRecord before = Profile();
    const int set = before.KeySetIndex();
    ASSERT_EQ(before.keys[set][0].dwFunID, kFunLeft);
    const auto memoryBefore = Memory(sim::kAddrKeyMatrix, 32);
    PickFunction(0, static_cast<int>(kFunMiddle));
    ASSERT_FALSE(m_notifier.messages.empty());
    EXPECT_EQ(m_notifier.messages.back().first, g_UiText.tc_msg1);
    EXPECT_EQ(Profile().keys[set][0], before.keys[set][0]);
    EXPECT_EQ(Memory(sim::kAddrKeyMatrix, 32), memoryBefore);
    EXPECT_EQ(m_window->KeyButton(0)->Caption(), KeyFunctionLabel(before.keys[set][0]));
}

TEST_F(MainWindowTest, WithoutApplyNowTheChangeStaysInTheProfile) {
    g_Config.ApplyNow = 0;
    const auto memoryBefore = Memory(sim::kAddrKeyMatrix, 32);
    PickFunction(3, static_cast<int>(kFunForward));
    const ProfileRecord p = Profile();
    EXPECT_EQ(p.keys[p.KeySetIndex()][3].dwFunID, kFunForward);
    EXPECT_EQ(Memory(sim::kAddrKeyMatrix, 32), memoryBefore);
}

TEST(FunctionMenuItems, LightingSwitchAndMediaNamesFollowModelAndTexts) {
    ui_test::ProgramFolder program;
    DeviceModel plain, led;
    led.ShowLED = 1;
    auto codes = [](const std::vector<FunctionMenuItem>& items, int parent) {
        std::vector<uint32_t> out;
        for (const auto& it : items)
            if (it.parent == parent) out.push_back(it.code);
        return out;
    };
    const auto withLed = BuildFunctionMenuItems(&led);
    const auto without = BuildFunctionMenuItems(&plain);
    EXPECT_EQ(withLed[5].code, kFunLightSwitch);
    EXPECT_EQ(without[5].code, kFunFire);
    EXPECT_EQ(codes(withLed, 255).size(), codes(without, 255).size() + 1);
    // The DPI and media sub-menus hang under the last two first-level rows.
    const int media = static_cast<int>(codes(without, 255).size()) - 1;
    EXPECT_EQ(codes(without, media - 1),
              (std::vector<uint32_t>{kFunDpiUp, kFunDpiDown, kFunDpiCycle}));
    EXPECT_EQ(codes(without, media).size(), 18u);

    const std::string savedStop = g_UiText.tc_kbmedia_stop;
    const std::string savedForward = g_UiText.tc_kbmedia_forward;
    g_UiText.tc_kbmedia_stop.clear();
    g_UiText.tc_kbmedia_forward.clear();
    const auto trimmed = BuildFunctionMenuItems(&plain);
    g_UiText.tc_kbmedia_stop = savedStop;
    g_UiText.tc_kbmedia_forward = savedForward;
    const auto mediaCodes = codes(trimmed, media);
    EXPECT_EQ(mediaCodes.size(), 17u);
    EXPECT_EQ(std::count(mediaCodes.begin(), mediaCodes.end(), 0x04000037u), 0);
    for (const auto& it : trimmed) {
        if (it.code == 0x04000036) {
            EXPECT_EQ(it.text, g_UiText.tc_forward);
        }
    }
}

TEST(FunctionMenuPlacement, WidensNarrowButtonsAndOpensAboveNearTheBottom) {
    struct Case {
        QRect button;
        int menuW, menuItems, screenH;
        QPoint at;
        int width;
    };
    const Case cases[] = {
        {QRect(100, 200, 110, 20), 0, 13, 1000, QPoint(100, 220), 106},
        {QRect(100, 200, 110, 20), 121, 13, 1000, QPoint(95, 220), 117},   // 11 / 2 = 5 left
        {QRect(100, 200, 110, 20), 100, 13, 1000, QPoint(100, 220), 106},  // wide enough
        {QRect(100, 700, 110, 20), 0, 13, 979, QPoint(100, 440), 106},     // 720 + 260 > 979
        {QRect(100, 700, 110, 20), 0, 13, 980, QPoint(100, 720), 106},
    };
    for (const Case& c : cases) {
        int width = 0;
        EXPECT_EQ(FunctionMenuPoint(c.button, c.menuW, c.menuItems, c.screenH, &width), c.at);
        EXPECT_EQ(width, c.width);
    }
}

}  // namespace
