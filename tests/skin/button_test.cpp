#include <QAccessible>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "skin/combo_btn.h"
#include "skin/image.h"
#include "skin/png_btn.h"
#include "skin/png_sw_btn.h"
#include "skin/skin_settings.h"
#include "skin_test_util.h"

namespace {

using skin_test::Solid;

const QColor kNormal(10, 20, 30), kHover(40, 50, 60), kPressed(70, 80, 90), kBack(1, 2, 3);

// Exposes the chosen look; everything else is the real button.
template <class Base>
class Probe : public Base {
  public:
    using Base::Base;
    uint32_t LookColour() const { return this->ChooseLook().colour; }
};

template <class Button>
void Prepare(Button& btn) {
    btn.resize(40, 20);
    btn.SetImages(QRect(0, 0, 40, 20), Solid(40, 20, kNormal), Solid(40, 20, kHover),
                  Solid(40, 20, kPressed));
    btn.m_clrNormal = 0x000001;
    btn.m_clrHover = 0x000002;
    btn.m_clrPressed = 0x000003;
}

QColor Shown(const CPngBtn& btn) {
    return btn.ComposePicture().pixelColor(1, 1);
}

TEST(PngBtn, LookFollowsTheStateRulesForPushAndSwitch) {
    struct Case {
        bool isSwitch, checked, down, hovering, enabled;
        QColor image;
        uint32_t colour;
    };
    const Case cases[] = {
        // Push button: checked or held down shows the pressed look.
        {false, false, false, false, true, kNormal, 1},
        {false, false, false, true, true, kHover, 2},
        {false, false, true, true, true, kPressed, 3},
        {false, true, false, false, true, kPressed, 3},
        {false, true, false, false, false, kPressed, 3},
        {false, false, false, false, false, kNormal, 1},  // disabled image = normal copy
        // Switch: holding it down changes nothing; checked and disabled is the disabled look.
        {true, false, true, false, true, kNormal, 1},
        {true, false, true, true, true, kHover, 2},
        {true, true, false, true, true, kPressed, 3},
        {true, true, false, false, false, kNormal, 1},
    };
    for (const Case& c : cases) {
        Probe<CPngBtn> btn;
        Prepare(btn);
        btn.m_bSwitch = c.isSwitch;
        btn.SetChecked(c.checked);
        btn.setDown(c.down);
        btn.setEnabled(c.enabled);
        if (c.hovering) {
            QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
            QApplication::sendEvent(&btn, &enter);
        }
        const std::string what =
            "switch=" + std::to_string(c.isSwitch) + " checked=" + std::to_string(c.checked) +
            " down=" + std::to_string(c.down) + " hover=" + std::to_string(c.hovering) +
            " enabled=" + std::to_string(c.enabled);
        EXPECT_EQ(Shown(btn), c.image) << what;
        EXPECT_EQ(btn.LookColour(), c.colour) << what;
    }
}

TEST(PngBtn, ClickReportsButNeverToggles) {
    QWidget owner;
    auto* btn = new CPngBtn(&owner);
    Prepare(*btn);
    btn->m_bSwitch = true;
    owner.show();
    QSignalSpy clicks(btn, &QAbstractButton::clicked);

    QTest::mousePress(btn, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(Shown(*btn), kNormal);  // a switch held down keeps its unchecked look
    QTest::mouseRelease(btn, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_FALSE(btn->IsChecked());

    btn->setEnabled(false);
    QTest::mouseClick(btn, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks.count(), 1);
}

TEST(PngBtn, HoverStartsOnMoveAndEndsOnLeave) {
    QWidget owner;
    auto* btn = new CPngBtn(&owner);
    Prepare(*btn);
    owner.show();
    QTest::mouseMove(btn, QPoint(3, 3));
    QCoreApplication::processEvents();
    EXPECT_TRUE(btn->IsHovering());
    EXPECT_EQ(Shown(*btn), kHover);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(btn, &leave);
    EXPECT_FALSE(btn->IsHovering());
    EXPECT_EQ(Shown(*btn), kNormal);
}

TEST(PngBtn, WithoutNormalImageNothingIsDrawn) {
    CPngBtn btn;
    btn.resize(40, 20);
    btn.SetImages(QRect(0, 0, 40, 20), QImage(), Solid(40, 20, kHover), Solid(40, 20, kPressed));
    btn.SetBackgroundPiece(Solid(40, 20, kBack), QRect(0, 0, 40, 20));
    btn.SetCaption("Text");
    EXPECT_TRUE(btn.ComposePicture().isNull());
}

TEST(PngBtn, BackgroundPieceShowsThroughTransparentParts) {
    CPngBtn btn;
    btn.resize(40, 20);
    QImage normal = Solid(40, 20, Qt::transparent);
    normal.setPixelColor(10, 10, kNormal);
    btn.SetImages(normal.rect(), normal, normal, normal);
    QImage owner = Solid(100, 100, Qt::white);
    owner.fill(kBack);
    btn.SetBackgroundPiece(owner, QRect(50, 50, 40, 20));
    const QImage picture = btn.ComposePicture();
    EXPECT_EQ(picture.pixelColor(0, 0), kBack);
    EXPECT_EQ(picture.pixelColor(10, 10), kNormal);

    // A piece reaching outside the owner's background is not made.
    btn.SetBackgroundPiece(owner, QRect(90, 90, 40, 20));
    EXPECT_FALSE(btn.HasBackgroundPiece());
}

TEST(PngBtn, CaptionIsDrawnInTheStateColourAndDebugFrameAroundAll) {
    CPngBtn btn;
    btn.resize(60, 24);
    const QImage black = Solid(60, 24, Qt::black);
    btn.SetImages(black.rect(), black, black, black);
    btn.m_clrNormal = 0x0000FF;  // red
    btn.SetCaption("HHHH");
    QImage picture = btn.ComposePicture();
    int red = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (picture.pixelColor(x, y).red() > 128 && picture.pixelColor(x, y).green() < 60)
                ++red;
    EXPECT_GT(red, 10);
    EXPECT_NE(picture.pixelColor(0, 0), ColorFromRef(0xFF000A));

    btn.m_bDebugFrame = true;
    picture = btn.ComposePicture();
    EXPECT_EQ(picture.pixelColor(0, 0), ColorFromRef(0xFF000A));
    EXPECT_EQ(picture.pixelColor(59, 23), ColorFromRef(0xFF000A));
}

TEST(PngBtn, LongCaptionIsCutWithAnEllipsis) {
    // With an ellipsis the text stops short of the right edge; a clipped text runs into it.
    CPngBtn btn;
    btn.resize(50, 24);
    const QImage black = Solid(50, 24, Qt::black);
    btn.SetImages(black.rect(), black, black, black);
    btn.m_clrNormal = 0xFFFFFF;
    btn.SetCaption("MMMMMMMMMMMMMMMMMMMM", 1);
    const QImage picture = btn.ComposePicture();
    int lastLit = -1;
    for (int x = 0; x < picture.width(); ++x)
        for (int y = 0; y < picture.height(); ++y)
            if (picture.pixelColor(x, y).lightness() > 100) lastLit = x;
    EXPECT_GT(lastLit, 10);
    EXPECT_LT(lastLit, 49);
}

TEST(PngSwBtn, TheCurrentWordTakesThePressedColour) {
    g_SkinSettings.clrBtnNr = 0x00FF00;  // green
    g_SkinSettings.clrBtnDn = 0x0000FF;  // red
    CPngSwBtn sw;
    sw.resize(84, 17);
    const QImage black = Solid(84, 17, Qt::black);
    sw.SetImages(black.rect(), black, black, black);
    sw.m_bSwitch = true;
    sw.SetWords("OFF", "ON");
    auto dominant = [](const QImage& picture, int x0, int x1) {
        int red = 0, green = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = x0; x < x1; ++x) {
                const QColor c = picture.pixelColor(x, y);
                red += c.red() > 100;
                green += c.green() > 100;
            }
        return red > green ? 'r' : (green > red ? 'g' : '-');
    };
    QImage picture = sw.ComposePicture();
    EXPECT_EQ(dominant(picture, 0, 42), 'r');  // unchecked: the left word is current
    EXPECT_EQ(dominant(picture, 42, 84), 'g');
    sw.SetChecked(true);
    picture = sw.ComposePicture();
    EXPECT_EQ(dominant(picture, 0, 42), 'g');
    EXPECT_EQ(dominant(picture, 42, 84), 'r');
    g_SkinSettings = SkinSettings();
}

TEST(PngBtn, TabReachesItEnterAndSpaceClickItAndItShowsARing) {
    QWidget owner;
    auto* first = new CPngBtn(&owner);
    auto* btn = new CPngBtn(&owner);
    Prepare(*first);
    Prepare(*btn);
    btn->move(50, 0);
    owner.show();
    EXPECT_EQ(btn->focusPolicy(), Qt::TabFocus);  // Tab, not a click, moves the focus
    QSignalSpy clicks(btn, &QAbstractButton::clicked);
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) QTest::keyClick(btn, key);
    EXPECT_EQ(clicks.count(), 3);
    btn->setEnabled(false);
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Space}) QTest::keyClick(btn, key);
    EXPECT_EQ(clicks.count(), 3);
    btn->setEnabled(true);

    const QImage before = btn->grab().toImage();
    owner.activateWindow();
    // The focus a window hands out when it opens shows no ring; Tab's does.
    btn->setFocus(Qt::ActiveWindowFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([&] { return btn->hasFocus(); }, 2000));
    EXPECT_EQ(btn->grab().toImage(), before);
    first->setFocus(Qt::TabFocusReason);
    btn->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([&] { return btn->hasFocus(); }, 2000));
    const QImage focused = btn->grab().toImage();
    // The ring is a frame one pixel in: the middle stays as it was.
    EXPECT_NE(focused, before);
    EXPECT_EQ(focused.pixelColor(20, 10), before.pixelColor(20, 10));
    int ring = 0;
    for (int x = 1; x < 39; ++x) ring += focused.pixelColor(x, 1) != before.pixelColor(x, 1);
    EXPECT_GT(ring, 5);
}

TEST(PngBtn, AScreenReaderHearsNameRoleAndState) {
    struct Case {
        CPngBtn::Role role;
        const char* caption;
        const char* name;  // set by the owner
        bool checked;
        QAccessible::Role expectRole;
        const char* expectName;
    };
    const Case cases[] = {
        {CPngBtn::Role::Button, "Export", "", false, QAccessible::Button, "Export"},
        {CPngBtn::Role::Button, "", "Close", false, QAccessible::Button, "Close"},
        {CPngBtn::Role::Button, "Right button", "Key 2", false, QAccessible::Button,
         "Key 2: Right button"},
        {CPngBtn::Role::Radio, "500 Hz", "", true, QAccessible::RadioButton, "500 Hz"},
        {CPngBtn::Role::Indicator, "", "Bluetooth link", true, QAccessible::Indicator,
         "Bluetooth link"},
        {CPngBtn::Role::Label, "10", "Pointer speed", false, QAccessible::StaticText,
         "Pointer speed: 10"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expectName);
        QWidget owner;
        auto* btn = new CPngBtn(&owner);
        Prepare(*btn);
        btn->m_role = c.role;
        btn->SetCaption(c.caption);
        btn->setAccessibleName(c.name);
        btn->SetChecked(c.checked);
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(btn);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->role(), c.expectRole);
        EXPECT_EQ(a->text(QAccessible::Name).toStdString(), c.expectName);
        EXPECT_EQ(a->state().checked, c.checked && c.expectRole != QAccessible::Button &&
                                          c.expectRole != QAccessible::StaticText);
    }
    // The press action clicks; a switch is a check box.
    QWidget owner;
    auto* btn = new CPngBtn(&owner);
    Prepare(*btn);
    QSignalSpy clicks(btn, &QAbstractButton::clicked);
    QAccessibleActionInterface* act = QAccessible::queryAccessibleInterface(btn)->actionInterface();
    ASSERT_NE(act, nullptr);
    act->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(clicks.count(), 1);
    auto* sw = new CPngSwBtn(&owner);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(sw)->role(), QAccessible::CheckBox);
    auto* combo = new CComboBtn(&owner);
    combo->AddItem(0, "English");
    combo->SelectIndex(0);
    combo->setAccessibleName("Language");
    QAccessibleInterface* ca = QAccessible::queryAccessibleInterface(combo);
    EXPECT_EQ(ca->role(), QAccessible::ComboBox);
    EXPECT_EQ(ca->text(QAccessible::Name), "Language");
    EXPECT_EQ(ca->text(QAccessible::Value), "English");
}

}  // namespace
