// The popup menu: rows, sub-menus placed beside the hovered row, picks posted to the owner.
#include <QPointer>

#include <gtest/gtest.h>

#include "core/messages.h"
#include "ui/menu_dlg.h"
#include "ui/ui_test_util.h"

namespace {

using ui_test::Recorder;
using ui_test::SendMouse;

class MenuTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(LoadMenuImages(), 1); }
    void TearDown() override {
        ClosePopupMenu();
        FreeMenuImages();
    }

    // Hovers row r of menu and clicks it.
    static void ClickRow(CMenuDlg* menu, int r) {
        const QPoint at = menu->RowRect(r).center();
        SendMouse(menu, QEvent::MouseMove, at);
        SendMouse(menu, QEvent::MouseButtonPress, at);
        SendMouse(menu, QEvent::MouseButtonRelease, at);
    }
    static CMenuDlg* Open(Recorder& owner, const std::vector<MenuItem>& items, intptr_t value) {
        const QPoint at(200, 600);
        EXPECT_EQ(ShowPopupMenu(&owner, static_cast<int>(items.size()), 120, &at, 0xC8C8C8,
                                0xFFFFFF, value, items.data()),
                  1);
        return CurrentPopupMenu();
    }

    ui_test::ProgramFolder m_program;
    Recorder m_owner;
};

std::vector<MenuItem> TwoRowsWithSub() {
    std::vector<MenuItem> items(4);
    SetMenuItem(items.data(), 0, 255, 0xA, "A");
    SetMenuItem(items.data(), 1, 255, 0xB, "B");
    SetMenuItem(items.data(), 2, 0, 0xC, "C");
    SetMenuItem(items.data(), 3, 0, 0xD, "D");
    return items;
}

TEST_F(MenuTest, SubMenuOpensBesideItsRowAndPassesThePickOn) {
    CMenuDlg* menu = Open(m_owner, TwoRowsWithSub(), 7);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->RowCount(), 2);
    const int h = menu->RowRect(0).height();
    EXPECT_EQ(h, 20);  // height of menu_nr.png
    EXPECT_EQ(menu->geometry(), QRect(200, 600, 120, 2 * h + 2));

    SendMouse(menu, QEvent::MouseMove, menu->RowRect(0).center());
    CMenuDlg* sub = menu->SubMenu();
    ASSERT_NE(sub, nullptr);
    EXPECT_TRUE(sub->IsSubMenu());
    ASSERT_EQ(sub->RowCount(), 2);
    EXPECT_EQ(sub->Items()[0].text, "C");
    EXPECT_EQ(sub->Items()[1].text, "D");
    EXPECT_EQ(sub->x(), menu->x() + menu->width());
    // The sub-menu's last row is level with A: its top is A's top less the other rows.
    EXPECT_EQ(sub->y(), menu->mapToGlobal(menu->RowRect(0).topLeft()).y() - h);

    ClickRow(sub, 1);
    const auto picks = m_owner.Take(WM_CHILD_CLICK);
    ASSERT_EQ(picks.size(), 1u);
    EXPECT_EQ(picks[0].wParam, 0xDu);
    EXPECT_EQ(picks[0].lParam, 7);  // the first-level menu's owner value
    EXPECT_EQ(CurrentPopupMenu(), menu) << "the owner closes the menu, not the menu itself";
}

TEST_F(MenuTest, RowWithSubItemsSendsNothingOtherRowsSendTheirCode) {
    CMenuDlg* menu = Open(m_owner, TwoRowsWithSub(), 3);
    ClickRow(menu, 0);
    EXPECT_TRUE(m_owner.Take(WM_CHILD_CLICK).empty());
    ClickRow(menu, 1);
    EXPECT_EQ(menu->SubMenu(), nullptr) << "leaving A closes its sub-menu";
    const auto picks = m_owner.Take(WM_CHILD_CLICK);
    ASSERT_EQ(picks.size(), 1u);
    EXPECT_EQ(picks[0].wParam, 0xBu);
    EXPECT_EQ(picks[0].lParam, 3);
}

TEST_F(MenuTest, SecondMenuClosesTheFirst) {
    QPointer<CMenuDlg> first = Open(m_owner, TwoRowsWithSub(), 1);
    SendMouse(first, QEvent::MouseMove, first->RowRect(0).center());
    QPointer<CMenuDlg> firstSub = first->SubMenu();
    ASSERT_TRUE(firstSub);
    QPointer<CMenuDlg> second = Open(m_owner, TwoRowsWithSub(), 2);
    EXPECT_TRUE(first.isNull());
    EXPECT_TRUE(firstSub.isNull());
    ASSERT_TRUE(second);
    ClosePopupMenu();
    EXPECT_TRUE(second.isNull());
    EXPECT_EQ(CurrentPopupMenu(), nullptr);
}

TEST_F(MenuTest, ClosesOnAClickElsewhereEscapeOrFocusLossButNotOnItsOwnRows) {
    m_owner.resize(300, 200);
    m_owner.show();
    enum class Way { kClickOwner, kClickOtherWindow, kEscape, kDeactivate };
    QWidget other;
    other.resize(100, 100);
    other.show();
    for (Way way : {Way::kClickOwner, Way::kClickOtherWindow, Way::kEscape, Way::kDeactivate}) {
        QPointer<CMenuDlg> menu = Open(m_owner, TwoRowsWithSub(), 1);
        ASSERT_TRUE(menu);
        // Inside the menu and its sub-menu nothing closes.
        SendMouse(menu, QEvent::MouseMove, menu->RowRect(0).center());
        ASSERT_TRUE(menu->SubMenu());
        SendMouse(menu->SubMenu(), QEvent::MouseButtonPress, menu->SubMenu()->RowRect(0).center());
        SendMouse(menu, QEvent::MouseButtonPress, menu->RowRect(1).center());
        ui_test::Pump();
        ASSERT_TRUE(menu) << static_cast<int>(way);
        switch (way) {
            case Way::kClickOwner:
                SendMouse(&m_owner, QEvent::MouseButtonPress, QPoint(5, 5));
                break;
            case Way::kClickOtherWindow:
                SendMouse(&other, QEvent::MouseButtonPress, QPoint(5, 5));
                break;
            case Way::kEscape:
                ui_test::TapKey(&m_owner, Qt::Key_Escape);
                break;
            case Way::kDeactivate: {
                QEvent e(QEvent::ApplicationDeactivate);
                QApplication::sendEvent(qApp, &e);
                break;
            }
        }
        ui_test::Pump();
        EXPECT_TRUE(menu.isNull()) << static_cast<int>(way);
        EXPECT_EQ(CurrentPopupMenu(), nullptr);
    }
    EXPECT_TRUE(m_owner.Take(WM_CHILD_CLICK).empty());
}

// The current choice carries a mark that the other rows do not.
TEST_F(MenuTest, MarkedRowShowsAMark) {
    std::vector<MenuItem> items = {{kMenuTopLevel, 1, "One"}, {kMenuTopLevel, 2, "Two"}};
    const QImage plain = Open(m_owner, items, 0)->ComposePicture();
    items[1].marked = true;
    CMenuDlg* menu = Open(m_owner, items, 0);
    const QImage marked = menu->ComposePicture();
    const QRect row0 = menu->RowRect(0), row1 = menu->RowRect(1);
    EXPECT_EQ(marked.copy(row0), plain.copy(row0));
    EXPECT_NE(marked.copy(row1), plain.copy(row1));
}

TEST_F(MenuTest, MenuGoesWithItsOwner) {
    auto* owner = new Recorder;
    QPointer<CMenuDlg> menu = Open(*owner, TwoRowsWithSub(), 0);
    delete owner;
    EXPECT_TRUE(menu.isNull());
    EXPECT_EQ(CurrentPopupMenu(), nullptr);
}

TEST_F(MenuTest, RefusedArguments) {
    const auto items = TwoRowsWithSub();
    const QPoint at(0, 0);
    EXPECT_EQ(ShowPopupMenu(nullptr, 4, 100, &at, 0, 0, 0, items.data()), 0);
    EXPECT_EQ(ShowPopupMenu(&m_owner, 4, 100, nullptr, 0, 0, 0, items.data()), 0);
    EXPECT_EQ(ShowPopupMenu(&m_owner, 4, 100, &at, 0, 0, 0, nullptr), 0);
    EXPECT_EQ(ShowPopupMenu(&m_owner, 0, 100, &at, 0, 0, 0, items.data()), 0);
    EXPECT_EQ(CurrentPopupMenu(), nullptr);

    // More than 50 items: an empty menu.
    std::vector<MenuItem> many(51);
    for (int i = 0; i < 51; ++i) SetMenuItem(many.data(), i, 255, i, "x");
    CMenuDlg* menu = Open(m_owner, many, 0);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->RowCount(), 0);
    EXPECT_EQ(menu->height(), 2);
}

TEST(MenuItemTest, TextIsCutTo39Characters) {
    MenuItem item;
    SetMenuItem(&item, 0, 255, 1, std::string(45, 'x'));
    EXPECT_EQ(item.text.size(), 39u);
    SetMenuItem(&item, 0, 255, 1, "Stummschaltung ü 静音");
    EXPECT_EQ(item.text, "Stummschaltung ü 静音");
}

TEST(MenuImagesTest, MissingRowImageWarnsAndGivesRowsOfHeightZero) {
    ui_test::SkinFolder skins;  // empty skin folder
    testing_support::RecordingNotifier notes;
    EXPECT_EQ(LoadMenuImages(), 0);
    Recorder owner;
    std::vector<MenuItem> items(1);
    SetMenuItem(items.data(), 0, 255, 5, "Only");
    const QPoint at(10, 10);
    ASSERT_EQ(ShowPopupMenu(&owner, 1, 100, &at, 0, 0, 0, items.data()), 1);
    ASSERT_EQ(notes.messages.size(), 1u);
    EXPECT_EQ(notes.messages[0].first, "Menu item height is 0");
    EXPECT_EQ(notes.messages[0].second, "Warring");
    EXPECT_EQ(CurrentPopupMenu()->height(), 2);
    // Without row images the menu still paints its background, hover fill and frame.
    const QImage picture = CurrentPopupMenu()->ComposePicture();
    EXPECT_EQ(picture.pixelColor(0, 0), QColor(0x64, 0x64, 0x64));
    ClosePopupMenu();
    FreeMenuImages();
}

// The key function menu: eleven first-level rows, the media functions under "tc_media" and the
// DPI functions under "tc_dpi", listed after all first-level rows.
TEST_F(MenuTest, FunctionMenuShapeOpensEachSubMenuWithItsItems) {
    std::vector<MenuItem> items(36);
    const int top[] = {0x01000011, 0x01000013, 0x01000012, 0x01000014, 0x01000015, 0x080000AE,
                       0x080000A4, 0x020000A1, 0x080000A2, 0x05000000, 0x08000000, 0x04000000};
    int n = 0;
    for (int code : top) SetMenuItem(items.data(), n++, 255, code, "top");
    for (int code = 0x04000021; code <= 0x04000039; ++code) {
        if (n == 33) break;
        SetMenuItem(items.data(), n++, 11, code, "media");
    }
    SetMenuItem(items.data(), n++, 10, 0x080000A8, "tc_dpiadd");
    SetMenuItem(items.data(), n++, 10, 0x080000A9, "tc_dpisub");
    SetMenuItem(items.data(), n++, 10, 0x080000AA, "tc_dpiloop");
    items.resize(static_cast<size_t>(n));

    CMenuDlg* menu = Open(m_owner, items, 4);  // key index 4
    ASSERT_EQ(menu->RowCount(), 12);
    SendMouse(menu, QEvent::MouseMove, menu->RowRect(11).center());
    ASSERT_NE(menu->SubMenu(), nullptr);
    EXPECT_EQ(menu->SubMenu()->RowCount(), 21);

    SendMouse(menu, QEvent::MouseMove, menu->RowRect(10).center());
    CMenuDlg* dpi = menu->SubMenu();
    ASSERT_NE(dpi, nullptr);
    ASSERT_EQ(dpi->RowCount(), 3);
    EXPECT_EQ(dpi->Items()[2].code, 0x080000AA);
    ClickRow(dpi, 2);
    const auto picks = m_owner.Take(WM_CHILD_CLICK);
    ASSERT_EQ(picks.size(), 1u);
    EXPECT_EQ(picks[0].wParam, 0x080000AAu);
    EXPECT_EQ(picks[0].lParam, 4);
}

}  // namespace
