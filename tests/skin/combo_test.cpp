#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "core/messages.h"
#include "skin/combo_btn.h"
#include "skin/skin_settings.h"
#include "skin_test_util.h"

namespace {

using skin_test::Solid;

// Stands in for the popup menu: records what the combo asked for.
struct PopupCall {
    QWidget* owner = nullptr;
    std::vector<PopupListItem> items;
    int width = 0;
    QPoint at;
    uint32_t clrNormal = 0, clrHover = 0;
    intptr_t ownerValue = 0;
};

class ComboTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetPopupMenuHandlers(
            [this](QWidget* menuOwner, const std::vector<PopupListItem>& items, int width,
                   QPoint at, uint32_t nr, uint32_t ov, intptr_t value) {
                calls.push_back({menuOwner, items, width, at, nr, ov, value});
                return 1;
            },
            [this] { ++closes; });
        g_SkinSettings.clrMenuNr = 0x111111;
        g_SkinSettings.clrMenuOv = 0x222222;
        combo = new CComboBtn(&owner);
        const QImage face = Solid(110, 29, Qt::darkGray);
        combo->SetImages(face.rect(), face, face, face);
        combo->setGeometry(20, 30, 110, 29);
        owner.resize(300, 200);
        owner.move(0, 0);
    }
    void TearDown() override {
        SetPopupMenuHandlers(nullptr, nullptr);
        g_SkinSettings = SkinSettings();
    }
    void Pick(int value) {
        PostWinMessage(combo, WM_CHILD_CLICK, static_cast<uintptr_t>(value), 0);
        QCoreApplication::sendPostedEvents(combo);
    }

    QWidget owner;
    CComboBtn* combo = nullptr;
    std::vector<PopupCall> calls;
    int closes = 0;
};

TEST_F(ComboTest, ClickOpensTheListBelowWithAtMostTwentyItems) {
    for (int i = 0; i < 25; ++i) combo->AddItem(100 + i, "Item " + std::to_string(i));
    combo->SelectIndex(3);
    owner.show();
    QSignalSpy clicks(combo, &QAbstractButton::clicked);
    QTest::mouseClick(combo, Qt::LeftButton, {}, QPoint(10, 10));

    ASSERT_EQ(calls.size(), 1u);
    const PopupCall& call = calls[0];
    EXPECT_EQ(call.owner, combo);
    ASSERT_EQ(call.items.size(), 20u);
    EXPECT_EQ(call.items[19].code, 119);
    EXPECT_EQ(call.items[0].text, "Item 0");
    EXPECT_EQ(call.items[0].parent, 255);
    EXPECT_EQ(call.width, 106);  // combo width - 4
    const QPoint corner = combo->mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(call.at, QPoint(corner.x() + 2, corner.y() + 29));
    EXPECT_EQ(call.clrNormal, 0x111111u);
    EXPECT_EQ(call.clrHover, 0x222222u);
    EXPECT_EQ(call.ownerValue, 3);
    EXPECT_EQ(clicks.count(), 0);  // the list replaces the click

    combo->m_nDropWidth = 150;
    QTest::mouseClick(combo, Qt::LeftButton, {}, QPoint(10, 10));
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].width, 150);
}

TEST_F(ComboTest, NearTheBottomOfTheScreenTheListOpensAbove) {
    for (int i = 0; i < 5; ++i) combo->AddItem(i, "Lang");
    const QRect avail = owner.screen()->availableGeometry();
    owner.move(avail.left() + 10, avail.bottom() - 100);
    owner.show();
    QTest::mouseClick(combo, Qt::LeftButton, {}, QPoint(10, 10));
    ASSERT_EQ(calls.size(), 1u);
    const QPoint corner = combo->mapToGlobal(QPoint(0, 0));
    ASSERT_GT(corner.y() + 29 + 100, avail.bottom());  // the setting really is near the bottom
    EXPECT_EQ(calls[0].at, QPoint(corner.x() + 2, corner.y() - 100));
}

TEST_F(ComboTest, EmptyListDoesNothing) {
    owner.show();
    QTest::mouseClick(combo, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(calls.empty());
}

TEST_F(ComboTest, APickSelectsTheItemAndNotifiesTheOwner) {
    combo->AddItem(7, "English");
    combo->AddItem(9, "Deutsch");
    QSignalSpy picked(combo, &CComboBtn::selectionPicked);
    Pick(9);
    EXPECT_EQ(closes, 1);
    ASSERT_EQ(picked.count(), 1);
    EXPECT_EQ(picked[0][0].toInt(), 1);
    EXPECT_EQ(combo->SelectedIndex(), 1);
    EXPECT_EQ(combo->SelectedValue(), 9);
    EXPECT_EQ(combo->Caption(), "Deutsch");
}

TEST_F(ComboTest, PicksOutsideTheListOrRefusedChangeNothing) {
    for (int i = 0; i < 22; ++i) combo->AddItem(i, "Item " + std::to_string(i));
    combo->SelectIndex(2);
    QSignalSpy picked(combo, &CComboBtn::selectionPicked);
    Pick(21);  // exists, but beyond the first 20 items
    Pick(99);
    EXPECT_EQ(picked.count(), 0);
    EXPECT_EQ(combo->SelectedIndex(), 2);

    int asked = 0;
    combo->m_validateArg = 42;
    combo->m_pfnValidate = [&asked](intptr_t arg) {
        asked = static_cast<int>(arg);
        return 0;
    };
    Pick(5);
    EXPECT_EQ(asked, 42);
    EXPECT_EQ(picked.count(), 0);
    EXPECT_EQ(combo->SelectedIndex(), 2);
}

TEST_F(ComboTest, SelectIndexRules) {
    combo->AddItem(4, "Four");
    combo->SelectIndex(0);
    combo->SelectIndex(5);  // past the end: nothing changes
    EXPECT_EQ(combo->SelectedValue(), 4);
    EXPECT_EQ(combo->Caption(), "Four");
    combo->SelectIndex(-1);
    EXPECT_EQ(combo->SelectedIndex(), -1);
    EXPECT_EQ(combo->SelectedValue(), -1);
    EXPECT_EQ(combo->Caption(), "");
}

TEST_F(ComboTest, NamesKeepNineteenCharacters) {
    combo->AddItem(1, "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    combo->AddItem(2, "ÄÖÜäöüßÄÖÜäöüßÄÖÜäöüß");  // counted in characters, not bytes
    EXPECT_EQ(combo->Items()[0].name, "ABCDEFGHIJKLMNOPQRS");
    EXPECT_EQ(QString::fromStdString(combo->Items()[1].name).size(), 19);
    // 18 letters then an emoji (two UTF-16 units): the half pair is dropped, not kept broken.
    combo->AddItem(3, "ABCDEFGHIJKLMNOPQR\U0001F600");
    EXPECT_EQ(combo->Items()[2].name, "ABCDEFGHIJKLMNOPQR");
}

TEST_F(ComboTest, EnterSpaceAndAltDownOpenTheList) {
    combo->AddItem(1, "English");
    owner.show();
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        bool opens;
    };
    const Case cases[] = {{Qt::Key_Return, {}, true},
                          {Qt::Key_Space, {}, true},
                          {Qt::Key_Down, Qt::AltModifier, true},
                          {Qt::Key_Down, {}, false},
                          {Qt::Key_A, {}, false}};
    for (const Case& c : cases) {
        const size_t before = calls.size();
        QTest::keyClick(combo, c.key, c.mods);
        EXPECT_EQ(calls.size(), before + (c.opens ? 1 : 0)) << c.key;
    }
    combo->setEnabled(false);
    QTest::keyClick(combo, Qt::Key_Return);
    EXPECT_EQ(calls.size(), 3u);
}

}  // namespace
