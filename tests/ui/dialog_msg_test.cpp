// The message and input dialog: modes, key capture rules, number input hints and results.
#include <QAccessible>
#include <QLineEdit>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

#include "config/program_config.h"
#include "core/messages.h"
#include "core/notifier.h"
#include "macro/key_names.h"
#include "skin/caption_fit.h"
#include "skin/png_btn.h"
#include "skin/skin_config.h"
#include "skin/skin_settings.h"
#include "ui/about_dlg.h"
#include "ui/msg_dlg.h"
#include "ui/ui_test_util.h"

namespace {

using ui_test::ClickCentre;
using ui_test::TapKey;

uint32_t g_nowMs = 100000;
uint32_t FakeClock() {
    return g_nowMs;
}

class MsgDlgTest : public ::testing::Test {
  protected:
    void SetUp() override {
        CMsgDlg::ResetCaptureMemory();
        CMsgDlg::SetCaptureClock(FakeClock);
        g_nowMs = 100000;
    }
    void TearDown() override { CMsgDlg::SetCaptureClock(nullptr); }

    // Opens a key-capture dialog without blocking.
    static void OpenCapture(CMsgDlg& dlg, int singleKey, int boxes) {
        dlg.m_nMode = CMsgDlg::kKeyCapture;
        dlg.m_strText = g_UiText.tc_combo_tips;
        dlg.m_bSingleKey = singleKey;
        dlg.m_bModifierBoxes = boxes;
        dlg.open();
        ASSERT_NE(dlg.Edit(), nullptr);
    }
    // Presses and releases a key in the dialog's edit field, some time after the last one.
    static void Key(CMsgDlg& dlg, int qtKey, quint32 scanCode = 0, uint32_t afterMs = 100) {
        g_nowMs += afterMs;
        TapKey(dlg.Edit(), qtKey, scanCode);
    }

    ui_test::ProgramFolder m_program;
};

TEST_F(MsgDlgTest, CtrlShiftAThenBStartsOver) {
    CMsgDlg dlg;
    OpenCapture(dlg, 0, 0);
    // Hold Ctrl and Shift while pressing A: presses only, then the releases.
    g_nowMs += 100;
    ui_test::SendKey(dlg.Edit(), Qt::Key_Control, false);
    ui_test::SendKey(dlg.Edit(), Qt::Key_Shift, false);
    ui_test::SendKey(dlg.Edit(), Qt::Key_A, false);
    EXPECT_EQ(dlg.Edit()->text().toStdString(), "L-Ctrl + L-Shift + A");
    EXPECT_EQ(dlg.m_Capture, (std::array<uint8_t, 4>{0x03, 'A', 0, 0}));
    EXPECT_EQ(dlg.CaptureValue(), 0x4103u);
    ui_test::SendKey(dlg.Edit(), Qt::Key_A, true);
    Key(dlg, Qt::Key_B);
    EXPECT_EQ(dlg.m_Capture, (std::array<uint8_t, 4>{0, 'B', 0, 0}));
    EXPECT_EQ(dlg.Edit()->text().toStdString(), "B");
    ClickCentre(dlg.OkButton());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST_F(MsgDlgTest, CaptureRules) {
    struct Case {
        const char* name;
        int singleKey;
        std::vector<std::pair<int, uint32_t>> keys;  // Qt key, ms since the previous press
        std::array<uint8_t, 4> expect;
    };
    const Case cases[] = {
        {"a pause of 1000 ms or more starts over",
         0,
         {{Qt::Key_A, 100}, {Qt::Key_B, 2000}},
         {0, 'B', 0, 0}},
        {"999 ms keeps the capture", 0, {{Qt::Key_A, 100}, {Qt::Key_B, 999}}, {0, 'A', 'B', 0}},
        {"three keys",
         0,
         {{Qt::Key_A, 100}, {Qt::Key_B, 100}, {Qt::Key_C, 100}},
         {0, 'A', 'B', 'C'}},
        {"a fourth key starts over",
         0,
         {{Qt::Key_A, 100}, {Qt::Key_B, 100}, {Qt::Key_C, 100}, {Qt::Key_D, 100}},
         {0, 'D', 0, 0}},
        {"modifier and two keys fill the capture",
         0,
         {{Qt::Key_Alt, 100}, {Qt::Key_A, 100}, {Qt::Key_B, 100}, {Qt::Key_C, 100}},
         {0, 'C', 0, 0}},
        {"the same modifier kind again starts over",
         0,
         {{Qt::Key_Control, 100}, {Qt::Key_A, 100}, {Qt::Key_Control, 100}},
         {0x01, 0, 0, 0}},
        {"a key already held is not added twice",
         0,
         {{Qt::Key_A, 100}, {Qt::Key_A, 100}},
         {0, 'A', 0, 0}},
        {"single-key mode keeps only the last",
         1,
         {{Qt::Key_Control, 100}, {Qt::Key_A, 100}},
         {0, 'A', 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CMsgDlg::ResetCaptureMemory();
        CMsgDlg dlg;
        OpenCapture(dlg, c.singleKey, 0);
        for (const auto& [key, after] : c.keys) Key(dlg, key, 0, after);
        EXPECT_EQ(dlg.m_Capture, c.expect);
        dlg.reject();
    }
}

TEST_F(MsgDlgTest, RightAndLeftModifiersAreToldApart) {
    CMsgDlg dlg;
    OpenCapture(dlg, 1, 0);
    Key(dlg, Qt::Key_Control, 105);  // xkb keycode of the right Ctrl
    EXPECT_EQ(dlg.m_Capture[0], 0x10);
    EXPECT_EQ(dlg.Edit()->text().toStdString(), "R-Ctrl");
    Key(dlg, Qt::Key_Control, 37);  // left Ctrl
    EXPECT_EQ(dlg.m_Capture[0], 0x01);
    EXPECT_EQ(dlg.Edit()->text().toStdString(), "L-Ctrl");
    // Key capture also arrives as WM_KEY_CAPTURE: right Alt (165).
    g_nowMs += 100;
    SendWinMessage(&dlg, WM_KEY_CAPTURE, 165, 0);
    EXPECT_EQ(dlg.m_Capture[0], 0x40);
}

TEST_F(MsgDlgTest, CaptureTakesKeysThatWouldCloseTheDialog) {
    CMsgDlg dlg;
    OpenCapture(dlg, 0, 0);
    Key(dlg, Qt::Key_Escape);
    Key(dlg, Qt::Key_Return);
    ui_test::Pump();
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.m_Capture, (std::array<uint8_t, 4>{0, 27, 13, 0}));
}

TEST_F(MsgDlgTest, AHeldEscLeavesTheCaptureForTheButtonsAndTheFieldTakesKeysAgain) {
    CMsgDlg dlg;
    OpenCapture(dlg, 0, 0);
    ASSERT_NE(dlg.CancelButton(), nullptr);
    EXPECT_TRUE(dlg.CancelButton()->isVisible());
    EXPECT_FALSE(dlg.Edit()->accessibleDescription().isEmpty()) << "it tells how to leave";
    Key(dlg, Qt::Key_B);
    auto esc = [&](bool repeat, uint32_t afterMs) {
        g_nowMs += afterMs;
        QKeyEvent e(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, 9, 0, 0, QString(), repeat);
        QApplication::sendEvent(dlg.focusWidget(), &e);
    };
    esc(false, 100);
    esc(true, 999);
    EXPECT_TRUE(dlg.IsCapturing());
    esc(true, 1);
    EXPECT_FALSE(dlg.IsCapturing());
    EXPECT_EQ(dlg.focusWidget(), dlg.OkButton());
    EXPECT_EQ(dlg.m_Capture, (std::array<uint8_t, 4>{0, 'B', 0, 0}));
    EXPECT_TRUE(dlg.isVisible());
    // Back in the field the keys are captured again.
    dlg.Edit()->setFocus();
    Key(dlg, Qt::Key_C, 0, 2000);
    EXPECT_EQ(dlg.m_Capture, (std::array<uint8_t, 4>{0, 'C', 0, 0}));
    // A fresh Esc on the buttons cancels.
    dlg.OkButton()->setFocus();
    esc(false, 100);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
}

// With key repeat off no repeated press comes: the release of an Esc held a second leaves. Held
// with key repeat, unmarked release and press pairs of one server time go on with the hold,
// and what comes of it after the capture was left does not cancel the dialog.
TEST_F(MsgDlgTest, AnEscHeldWithoutMarkedRepeatsLeavesTheCapture) {
    CMsgDlg dlg;
    OpenCapture(dlg, 0, 0);
    Key(dlg, Qt::Key_B);
    auto esc = [&](QEvent::Type type, uint32_t afterMs, quint64 time = 0) {
        g_nowMs += afterMs;
        QKeyEvent e(type, Qt::Key_Escape, Qt::NoModifier, 9, 0, 0);
        e.setTimestamp(time);
        QApplication::sendEvent(dlg.focusWidget(), &e);
    };
    esc(QEvent::KeyPress, 100);
    esc(QEvent::KeyRelease, 999);
    EXPECT_TRUE(dlg.IsCapturing());
    esc(QEvent::KeyPress, 100);
    esc(QEvent::KeyRelease, 1000);
    EXPECT_FALSE(dlg.IsCapturing());
    EXPECT_EQ(dlg.focusWidget(), dlg.OkButton());
    EXPECT_EQ(dlg.m_Capture, (std::array<uint8_t, 4>{0, 'B', 27, 0}))
        << "the short Esc is captured, the long one is not";
    EXPECT_TRUE(dlg.isVisible());

    dlg.Edit()->setFocus();
    esc(QEvent::KeyPress, 100, 9000);
    for (quint64 t = 9660; t < 10400; t += 40) {
        esc(QEvent::KeyRelease, t == 9660 ? 660 : 40, t);
        esc(QEvent::KeyPress, 0, t);
    }
    EXPECT_FALSE(dlg.IsCapturing());
    EXPECT_EQ(dlg.m_Capture, (std::array<uint8_t, 4>{0, 'B', 27, 0}));
    EXPECT_TRUE(dlg.isVisible()) << "the rest of the hold does not cancel";
    esc(QEvent::KeyRelease, 40, 10400);
    EXPECT_TRUE(dlg.isVisible());
    esc(QEvent::KeyPress, 500, 10900);  // a new Esc on the buttons cancels
    EXPECT_FALSE(dlg.isVisible());
}

TEST_F(MsgDlgTest, ModifierBoxes) {
    testing_support::RecordingNotifier notes;
    CMsgDlg dlg;
    OpenCapture(dlg, 0, 1);

    ASSERT_NE(dlg.ModifierBox(0), nullptr);
    EXPECT_EQ(dlg.ModifierBox(1)->x(), dlg.ModifierBox(0)->geometry().right() + 1 + 50);
    Key(dlg, Qt::Key_A);
    Key(dlg, Qt::Key_B);
    ClickCentre(dlg.ModifierBox(1));  // Ctrl
    ClickCentre(dlg.ModifierBox(0));  // Shift
    ClickCentre(dlg.ModifierBox(2));  // Alt on and off again
    ClickCentre(dlg.ModifierBox(2));
    EXPECT_TRUE(dlg.ModifierBox(1)->IsChecked());
    EXPECT_FALSE(dlg.ModifierBox(2)->IsChecked());

    std::string shown;
    ui_test::OnNextModal([&](QDialog* d) { shown = static_cast<CMsgDlg*>(d)->m_strText; });
    ClickCentre(dlg.OkButton());
    EXPECT_EQ(shown, g_UiText.tc_msg29);
    EXPECT_TRUE(dlg.isVisible()) << "four keys: the dialog stays open";

    ClickCentre(dlg.ModifierBox(0));  // Shift off: Ctrl + A + B
    ClickCentre(dlg.OkButton());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.m_Capture, (std::array<uint8_t, 4>{0x01, 'A', 'B', 0}));
}

// A held modifier ticks its box and the field shows the whole combination; boxes ticked by keys
// go with their combination, boxes ticked by hand stay.
TEST_F(MsgDlgTest, PressedModifiersTickTheirBoxes) {
    CMsgDlg dlg;
    OpenCapture(dlg, 0, 1);
    ASSERT_NE(dlg.ModifierBox(3), nullptr);
    dlg.CaptureKey(162, false);  // right-hand sides count as their box too
    dlg.CaptureKey(161, false);
    dlg.CaptureKey('K', false);
    dlg.CaptureKey('K', true);
    dlg.CaptureKey(161, true);
    dlg.CaptureKey(162, true);
    EXPECT_TRUE(dlg.ModifierBox(0)->IsChecked());
    EXPECT_TRUE(dlg.ModifierBox(1)->IsChecked());
    EXPECT_FALSE(dlg.ModifierBox(2)->IsChecked());
    EXPECT_EQ(dlg.Edit()->text().toStdString(), ComboLabelSided(0x03, 'K', 0, 0));

    g_nowMs += 2000;  // a new combination: the keyed boxes go, a hand-ticked one stays
    ClickCentre(dlg.ModifierBox(2));
    dlg.CaptureKey('J', false);
    EXPECT_FALSE(dlg.ModifierBox(0)->IsChecked());
    EXPECT_FALSE(dlg.ModifierBox(1)->IsChecked());
    EXPECT_TRUE(dlg.ModifierBox(2)->IsChecked());
    EXPECT_EQ(dlg.Edit()->text().toStdString(), ComboLabelSided(0x04, 'J', 0, 0));

    ClickCentre(dlg.ModifierBox(3));  // a box click shows at once
    EXPECT_EQ(dlg.Edit()->text().toStdString(), ComboLabelSided(0x0C, 'J', 0, 0));
    ClickCentre(dlg.OkButton());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.m_Capture, (std::array<uint8_t, 4>{0x0C, 'J', 0, 0}));
}

TEST_F(MsgDlgTest, ModifierBoxLabelsComeFromTheLanguage) {
    EXPECT_EQ(CMsgDlg::ModifierBoxLabel(3), "Super");
    const std::string saved = g_UiText.tc_mod_ctrl;
    g_UiText.tc_mod_ctrl = "Strg";
    EXPECT_EQ(CMsgDlg::ModifierBoxLabel(1), "Strg");
    g_UiText.tc_mod_ctrl.clear();  // an older language file
    EXPECT_EQ(CMsgDlg::ModifierBoxLabel(1), "Ctrl");
    g_UiText.tc_mod_ctrl = saved;

    // A long caption pushes the next box on instead of being cut short.
    const std::string savedShift = g_UiText.tc_mod_shift;
    g_UiText.tc_mod_shift = "Umschalttaste";
    CMsgDlg dlg;
    OpenCapture(dlg, 0, 1);
    g_UiText.tc_mod_shift = savedShift;
    ASSERT_NE(dlg.ModifierBox(1), nullptr);
    EXPECT_GT(dlg.ModifierBox(1)->x(), dlg.ModifierBox(0)->geometry().right() + 1 + 50);
}

TEST_F(MsgDlgTest, NumberInputHints) {
    const std::string tip = g_UiText.Tip(4);
    ASSERT_FALSE(tip.empty());
    CMsgDlg dlg;
    dlg.m_nMode = CMsgDlg::kNumber;
    dlg.m_nMin = 1;
    dlg.m_nMax = 65535;
    dlg.m_nMaxLen = 6;
    dlg.open();
    QLineEdit* edit = dlg.Edit();
    ASSERT_NE(edit, nullptr);
    edit->setFocus();

    QTest::keyClicks(edit, "70000");
    EXPECT_EQ(edit->text(), "65535");
    EXPECT_EQ(edit->cursorPosition(), 5);
    EXPECT_EQ(dlg.HintText(), tip + "   1 - 65535");

    edit->clear();
    QTest::keyClicks(edit, "0");
    EXPECT_EQ(dlg.HintText(), tip + "  1 - 65535");
    QTest::keyClicks(edit, "x-");
    EXPECT_EQ(edit->text(), "0") << "digits only";

    edit->clear();
    ClickCentre(dlg.OkButton());
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.HintText(), tip + "  1 - 65535");

    // The range stays readable in every language, in the dialog's font as the program runs.
    ASSERT_EQ(LoadAppFont(), 1);
    for (int k = 0; k < g_Config.LangCount; ++k) {
        ui_test::ProgramFolder::UseLanguage(g_Config.Lang[k].folder);
        const std::string hint = g_UiText.Tip(4) + "   1 - 65535";
        EXPECT_FALSE(
            FitCaption(*SkinAppFont(), QString::fromStdString(hint), dlg.HintRect().width()).elided)
            << hint;
    }
    UnloadAppFont();
    ui_test::ProgramFolder::UseLanguage("English");

    QTest::keyClicks(edit, "1234");
    EXPECT_EQ(dlg.HintText(), "");
    TapKey(edit, Qt::Key_Return);  // Enter acts as OK
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.m_nNumber, 1234);
}

TEST_F(MsgDlgTest, TextInput) {
    CMsgDlg dlg;
    dlg.m_nMode = CMsgDlg::kText;
    dlg.m_nMaxLen = 15;
    dlg.open();
    ClickCentre(dlg.OkButton());
    EXPECT_EQ(dlg.result(), QDialog::Rejected) << "an empty text is a Cancel";

    CMsgDlg named;
    named.m_nMode = CMsgDlg::kText;
    named.m_nMaxLen = 15;
    named.open();
    QTest::keyClicks(named.Edit(), "A macro name that is too long");
    EXPECT_EQ(named.Edit()->text(), "A macro name th");
    ClickCentre(named.OkButton());
    EXPECT_EQ(named.result(), QDialog::Accepted);
    EXPECT_EQ(named.m_strResult, "A macro name th");
}

TEST_F(MsgDlgTest, AskTextAndShowMessageRunModally) {
    std::string out = "unchanged";
    ui_test::OnNextModal([](QDialog* d) {
        auto* dlg = static_cast<CMsgDlg*>(d);
        EXPECT_EQ(dlg->m_nMode, CMsgDlg::kText);
        EXPECT_EQ(dlg->m_strText, "Name?");
    });
    EXPECT_EQ(AskText(nullptr, "Name?", 15, &out), 0);
    EXPECT_EQ(out, "unchanged");

    QTimer::singleShot(0, [] {
        auto* dlg = static_cast<CMsgDlg*>(QApplication::activeModalWidget());
        QTest::keyClicks(dlg->Edit(), "Sniper");
        ClickCentre(dlg->OkButton());
    });
    EXPECT_EQ(AskText(nullptr, "Name?", 15, &out), 1);
    EXPECT_EQ(out, "Sniper");

    // Without a length limit the result is cut to 259 characters.
    QTimer::singleShot(0, [] {
        auto* dlg = static_cast<CMsgDlg*>(QApplication::activeModalWidget());
        dlg->Edit()->setText(QString(300, QChar(0x00E9)));
        ClickCentre(dlg->OkButton());
    });
    EXPECT_EQ(AskText(nullptr, "Name?", 0, &out), 1);
    EXPECT_EQ(QString::fromStdString(out), QString(259, QChar(0x00E9)));

    std::string text;
    ui_test::OnNextModal([&](QDialog* d) { text = static_cast<CMsgDlg*>(d)->m_strText; });
    EXPECT_EQ(ShowMessage("tc_msg29", nullptr), IDCANCEL);
    EXPECT_EQ(text, g_UiText.tc_msg29);
    ui_test::OnNextModal([&](QDialog* d) { text = static_cast<CMsgDlg*>(d)->m_strText; });
    ShowMessageText("Create profile failed.", nullptr);
    EXPECT_EQ(text, "Create profile failed.");
}

TEST_F(MsgDlgTest, MessageAndConfirmationLayoutAndKeys) {
    CMsgDlg msg;
    msg.m_nMode = CMsgDlg::kMessage;
    msg.m_strText = "Hello";
    msg.open();
    EXPECT_EQ(msg.windowTitle().toStdString(), g_Config.Title);
    EXPECT_EQ(msg.windowRole(), "MivoraMsgTopWindow");
    const int W = msg.width(), H = msg.height();
    EXPECT_EQ(QSize(W, H), QSize(460, 200));  // msg_nr.png
    EXPECT_EQ(msg.OkButton()->pos(), QPoint(W - 116, H - 50));
    EXPECT_EQ(msg.CloseButton()->pos(), QPoint(W - 49, 10));
    EXPECT_EQ(msg.CancelButton(), nullptr);
    EXPECT_EQ(msg.OkButton()->Caption(), g_UiText.tc_ok);
    // A screen reader hears the painted text and the buttons' names.
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&msg);
    EXPECT_EQ(a->text(QAccessible::Name).toStdString(), g_UiText.tc_acc_msg);
    EXPECT_EQ(a->text(QAccessible::Description), "Hello");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(msg.CloseButton())
                  ->text(QAccessible::Name)
                  .toStdString(),
              g_UiText.tc_acc_close);
    EXPECT_EQ(msg.focusWidget(), msg.OkButton());
    for (int key : {Qt::Key_Space, Qt::Key_F1}) TapKey(&msg, key);
    ui_test::Pump();
    EXPECT_TRUE(msg.isVisible());
    TapKey(&msg, Qt::Key_Return);
    EXPECT_EQ(msg.result(), QDialog::Accepted);
    CMsgDlg esc;
    esc.m_nMode = CMsgDlg::kMessage;
    esc.m_strText = "Hello";
    esc.open();
    TapKey(&esc, Qt::Key_Escape);  // as the close button
    EXPECT_FALSE(esc.isVisible());
    EXPECT_EQ(esc.result(), QDialog::Rejected);

    // Every dialog that asks something has Cancel beside OK.
    for (int mode : {CMsgDlg::kConfirm, CMsgDlg::kText, CMsgDlg::kNumber, CMsgDlg::kKeyCapture}) {
        CMsgDlg ask;
        ask.m_nMode = mode;
        ask.m_nNumber = 5;
        ask.open();
        EXPECT_EQ(ask.OkButton()->pos(), QPoint(W - 222, H - 50)) << mode;
        ASSERT_NE(ask.CancelButton(), nullptr) << mode;
        EXPECT_EQ(ask.CancelButton()->pos(), QPoint(W - 116, H - 50)) << mode;
        EXPECT_EQ(ask.CancelButton()->Caption(), g_UiText.tc_cancel) << mode;
        ClickCentre(ask.CancelButton());
        EXPECT_EQ(ask.result(), QDialog::Rejected) << mode;
        EXPECT_EQ(ask.m_nNumber, 0) << mode;
    }
}

// A message (a failed write, a lost mouse) is read out as an alert with its text; dialogs that
// ask for input stay dialogs. The reader may ask before the dialog knows its mode.
TEST_F(MsgDlgTest, MessagesAreAlertsToAScreenReader) {
    const struct {
        int mode;
        QAccessible::Role role;
    } cases[] = {{CMsgDlg::kMessage, QAccessible::AlertMessage},
                 {CMsgDlg::kConfirm, QAccessible::AlertMessage},
                 {CMsgDlg::kText, QAccessible::Dialog},
                 {CMsgDlg::kKeyCapture, QAccessible::Dialog}};
    for (const auto& c : cases) {
        CMsgDlg dlg;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&dlg);
        ASSERT_NE(a, nullptr);
        dlg.m_nMode = c.mode;
        dlg.m_strText = g_UiText.tc_msg18;
        dlg.open();
        EXPECT_EQ(a->role(), c.role) << c.mode;
        EXPECT_EQ(a->text(QAccessible::Description).toStdString(), g_UiText.tc_msg18) << c.mode;
    }
}

TEST_F(MsgDlgTest, ShutdownClosesOpenDialogs) {
    QPointer<CMsgDlg> dlg = new CMsgDlg;
    dlg->m_nMode = CMsgDlg::kMessage;
    dlg->open();
    EXPECT_EQ(FindTopWindow("MivoraMsgTopWindow"), dlg.data());
    EXPECT_EQ(CloseMsgTopWindows(), 1);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
    EXPECT_EQ(FindTopWindow("MivoraMsgTopWindow"), nullptr);
    delete dlg;
}

TEST(MsgDlgSkinTest, MissingBackgroundEndsAsCancelled) {
    ui_test::SkinFolder skins;
    CMsgDlg dlg;
    dlg.m_nMode = CMsgDlg::kNumber;
    dlg.m_nNumber = 9;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(dlg.m_nNumber, 0);
}

}  // namespace

// A compositor ignores a window's mask when it draws (Wayland has no shaped windows): the
// shaped dialogs are see-through outside their shape, not painted in the key colour there.
TEST_F(MsgDlgTest, ShapedDialogsAreSeeThroughOutsideTheirShape) {
    CMsgDlg msg;
    CAboutDlg about;
    const std::pair<const char*, CTopDialog*> dialogs[] = {{"message", &msg}, {"about", &about}};
    ASSERT_TRUE(msg.Prepare());
    ASSERT_TRUE(about.Prepare());
    for (const auto& [name, dlg] : dialogs) {
        SCOPED_TRACE(name);
        const QRegion shape = dlg->mask();
        ASSERT_FALSE(shape.isEmpty());
        EXPECT_TRUE(dlg->testAttribute(Qt::WA_TranslucentBackground));
        const QImage shot = dlg->grab().toImage();
        int outside = 0, painted = 0, shown = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) {
                const int alpha = qAlpha(shot.pixel(x, y));
                if (!shape.contains(QPoint(x, y))) {
                    ++outside;
                    if (alpha != 0) ++painted;
                } else if (alpha == 255) {
                    ++shown;
                }
            }
        EXPECT_GT(outside, 0);
        EXPECT_EQ(0, painted) << "of " << outside << " pixels outside the shape";
        EXPECT_GT(shown, 0);
    }
}
