// The setting panels of the main window: DPI stages, report rate, lighting and the pointer
// sliders, each checked in the profile and in the virtual mouse's memory.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QWheelEvent>

#include "config/sensor_dpi.h"
#include "config/ui_text.h"
#include "core/messages.h"
#include "main_window_fixture.h"
#include "ui/dpi_grid_dlg.h"
#include "ui/panels_logic.h"
#include "ui/pick_color_dlg.h"

namespace {

using main_window_test::MainWindowTest;
using main_window_test::WaitUntil;

TEST_F(MainWindowTest, DpiGridStepAndStageSelectionReachTheMouse) {
    const int stages = Model().DM;
    ASSERT_GE(stages, 3);
    // Every stage of the record has a grid, whatever model was selected when it was made.
    for (int i = 0; i < 8; ++i) {
        ASSERT_NE(m_window->DpiGrid(i), nullptr);
        EXPECT_EQ(m_window->DpiGrid(i)->isVisible(), i < stages) << i;
        if (i < stages) {
            EXPECT_EQ(m_window->DpiGrid(i)->m_nValue, Profile().stages[i].xDpi);
        }
    }
    // Picking stage 2 marks it alone and makes it the mouse's current stage.
    ui_test::ClickCentre(m_window->DpiGrid(2));
    ui_test::Pump();
    EXPECT_EQ(g_nCurDpiLevel.load(), 2);
    for (int i = 0; i < stages; ++i) EXPECT_EQ(m_window->DpiGrid(i)->m_bCurrent, i == 2) << i;
    EXPECT_EQ(Memory(sim::kAddrCurrentStage, 1)[0], 2);

    // A step down on the current grid stores the new value in the profile and the mouse.
    const int before = Profile().stages[2].xDpi;
    ui_test::Click(m_window->DpiGrid(2), QPoint(10, 10));
    ui_test::Pump();
    const ProfileRecord p = Profile();
    EXPECT_LT(p.stages[2].xDpi, before);
    EXPECT_EQ(p.stages[2].yDpi, p.stages[2].xDpi);
    EXPECT_GT(p.stages[2].xDpi, p.stages[1].xDpi);
    // Written once the user pauses.
    EXPECT_TRUE(WaitUntil([&] {
        return Memory(sim::kAddrStages + 2 * sim::kStageBytes, 1)[0] ==
               DpiToCode(Model().Sensor, p.stages[2].xDpi);
    }));

    // A value typed and left for another stage is kept, within its own neighbours.
    CDpiGridDlg* grid = m_window->DpiGrid(2);
    ui_test::Click(grid, QPoint(45, 10));
    ASSERT_TRUE(grid->IsEditing());
    const int typed = p.stages[1].xDpi + 400;
    ASSERT_LT(typed, p.stages[3].xDpi);
    grid->findChild<QLineEdit*>()->setText(QString::number(typed));
    ui_test::ClickCentre(m_window->DpiGrid(3));
    ui_test::Pump();
    EXPECT_FALSE(grid->IsEditing());
    EXPECT_EQ(g_nCurDpiLevel.load(), 3);
    EXPECT_EQ(Profile().stages[2].xDpi, typed);
}

// A mouse that cycles through three of its five stages shows three grids: a stage it skips
// cannot be made current in the window, where the mouse would not be.
TEST_F(MainWindowTest, OnlyTheStagesInUseHaveGrids) {
    ASSERT_EQ(Model().DM, 5);
    const uint8_t count[2] = {3, 0x52};
    ASSERT_TRUE(m_backend->WriteMemory(0, sim::kAddrStageCount, count, 2));
    m_backend->Unplug(0);
    ASSERT_TRUE(WaitUntil([&] { return !m_window->Link().IsConnected(); }));
    m_backend->Replug(0);
    ASSERT_TRUE(WaitUntil([&] { return Connected() && Profile().stages[3].disabled == 1; }));
    m_window->Session().WaitProfileRead();
    ui_test::Pump();
    for (int i = 0; i < 5; ++i) EXPECT_EQ(m_window->DpiGrid(i)->isVisible(), i < 3) << i;
}

TEST_F(MainWindowTest, ReportRateClickMarksOneButtonAndWritesTheRate) {
    struct Case {
        int button;
        uint32_t code;
        uint8_t mouseCode;
    };
    // The factory rate is lit at the start and can be chosen again after another.
    ASSERT_EQ(Profile().rate24, 0x1000u);
    ASSERT_NE(m_window->RateButton(3), nullptr);
    EXPECT_TRUE(m_window->RateButton(3)->IsChecked());
    EXPECT_TRUE(m_window->RateButton(3)->isVisible());
    const Case cases[] = {{0, 0x125, 8}, {1, 0x250, 4}, {2, 0x500, 2}, {3, 0x1000, 1}};
    for (const Case& c : cases) {
        ui_test::ClickCentre(m_window->RateButton(c.button));
        ui_test::Pump();
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(m_window->RateButton(i)->IsChecked(), i == c.button) << c.button;
        EXPECT_EQ(Profile().rate24, c.code);
        EXPECT_EQ(Memory(sim::kAddrReportRate, 1)[0] & 0x0F, c.mouseCode);
    }
    EXPECT_EQ(m_window->RateButton(0)->Caption(), "125 Hz");
    EXPECT_EQ(m_window->RateButton(3)->Caption(), "1000 Hz");
}

// Each mode shows the controls that act in it, a steady light has a colour, and a caption goes
// with its bar: what a hidden bar leaves is the bare background, as with the lighting off.
TEST_F(MainWindowTest, LightingModeShowsTheControlsThatAct) {
    ASSERT_NE(Model().ShowLED, 0);
    CPngSliderBar* bars[2] = {m_window->Bar(kIdBarLight1), m_window->Bar(kIdBarLight2)};
    // A bar with its caption to its left.
    auto captionAndBar = [&](int i) {
        const QRect bar = bars[i]->geometry();
        return m_window
            ->grab(QRect(bar.x() - 100, bar.y() - 4, bar.width() + 100, bar.height() + 8))
            .toImage();
    };
    ui_test::ClickCentre(m_window->LightButton(4));
    ui_test::Pump();
    const QImage off[2] = {captionAndBar(0), captionAndBar(1)};
    struct Case {
        int mode;
        bool bar1, bar2, picker;
    };
    const Case cases[] = {{0, true, false, true},
                          {1, true, false, true},
                          {2, true, true, false},
                          {3, true, true, true},
                          {4, false, false, false}};
    for (const Case& c : cases) {
        ui_test::ClickCentre(m_window->LightButton(c.mode));
        ui_test::Pump();
        EXPECT_EQ(Profile().lightMode, static_cast<uint32_t>(c.mode));
        for (int i = 0; i < 5; ++i) EXPECT_EQ(m_window->LightButton(i)->IsChecked(), i == c.mode);
        const bool shown[2] = {c.bar1, c.bar2};
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(bars[i]->isVisible() && !bars[i]->IsHidden(), shown[i])
                << "mode " << c.mode << " bar " << i + 1;
            EXPECT_EQ(captionAndBar(i) == off[i], !shown[i])
                << "mode " << c.mode << " caption of bar " << i + 1;
        }
        EXPECT_EQ(m_window->PickColor()->isVisible(), c.picker) << c.mode;
        EXPECT_EQ(Memory(sim::kAddrLighting, 1)[0], c.mode);
    }
}

// Steps in a burst (a held arrow, the wheel) reach the mouse once, with the last value, after the
// user pauses; a value still held back at exit is written before the window goes.
TEST_F(MainWindowTest, DpiStepsInABurstAreWrittenOnceThePauseEnds) {
    const int last = Model().DM - 1;
    ASSERT_GE(last, 1);
    CDpiGridDlg* grid = m_window->DpiGrid(last);
    ui_test::ClickCentre(grid);  // picks the last stage, bounded by the sensor's list only
    ui_test::Pump();
    ASSERT_TRUE(grid->m_bCurrent);
    const int start = Profile().stages[last].xDpi;
    auto stageCode = [&] { return Memory(sim::kAddrStages + last * sim::kStageBytes, 1)[0]; };
    const uint8_t before = stageCode();
    const int applied = g_ApplyThread.Completed();

    auto wheel = [&](int delta) {
        QWheelEvent e(QPointF(45, 10), grid->mapToGlobal(QPointF(45, 10)), QPoint(),
                      QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(grid, &e);
    };
    wheel(-360);
    ui_test::Pump();
    const int chosen = Profile().stages[last].xDpi;
    ASSERT_LT(chosen, start);
    EXPECT_EQ(stageCode(), before) << "written while the user is still turning";
    ASSERT_TRUE(WaitUntil(
        [&] { return g_ApplyThread.Completed() > applied && g_ApplyThread.Pending().empty(); }));
    EXPECT_EQ(stageCode(), DpiToCode(Model().Sensor, chosen));
    WaitUntil([] { return false; }, 2 * kDpiQuietMs);
    EXPECT_EQ(g_ApplyThread.Completed(), applied + 1) << "one write for the burst";

    wheel(120);
    ui_test::Pump();
    const int atExit = Profile().stages[last].xDpi;
    ASSERT_GT(atExit, chosen);
    m_window->OnExit();
    m_backend->Drain();
    EXPECT_EQ(m_backend->ReadMemory(0, sim::kAddrStages + last * sim::kStageBytes, 1)[0],
              DpiToCode(Model().Sensor, atExit));
}

TEST_F(MainWindowTest, ColourFromThePickerStoresOnlyTheColour) {
    const ProfileRecord before = Profile();
    m_window->RateButton(0)->SetChecked(true);  // a panel state the colour must not store
    m_window->RateButton(2)->SetChecked(false);
    SendWinMessage(m_window.get(), WM_PICK_COLOR, 0x00336699, 0);
    const ProfileRecord after = Profile();
    EXPECT_EQ(after.lightColor, 0x00336699u);
    EXPECT_EQ(after.rate24, before.rate24);
    const auto mem = Memory(sim::kAddrLighting, 4);
    EXPECT_EQ(mem[1], 0x99);
    EXPECT_EQ(mem[2], 0x66);
    EXPECT_EQ(mem[3], 0x33);
}

TEST_F(MainWindowTest, LightingBarsWriteTheLevelTheirCaptionsName) {
    // Bar 1 carries the brightness caption, bar 2 the speed caption.
    ASSERT_EQ(g_UiText.tc_msg2, "Brightness");
    ASSERT_EQ(g_UiText.tc_msg3, "Speed");
    ui_test::ClickCentre(m_window->LightButton(3));  // mode 3 shows both bars
    ui_test::Pump();
    struct Case {
        int id;
        int value;
        int offset;  // within the mouse's lighting bytes: 4 speed, 5 brightness
    };
    const Case cases[] = {{kIdBarLight1, 3, 5}, {kIdBarLight2, 1, 4}};
    for (const Case& c : cases) {
        m_window->Bar(c.id)->SetValue(c.value);
        SendWinMessage(m_window.get(), WM_SLIDER_CHANGED, c.value, c.id);
        EXPECT_EQ(Memory(sim::kAddrLighting, 6)[c.offset], c.value) << c.id;
    }
    EXPECT_EQ(Profile().lightBrightness, 3u);
    EXPECT_EQ(Profile().lightSpeed, 1u);
    // Showing the profile again puts each level back on the bar that names it.
    m_window->Bar(kIdBarLight1)->SetValue(0);
    m_window->Bar(kIdBarLight2)->SetValue(0);
    m_window->UpdateControlsFromProfile();
    EXPECT_EQ(m_window->Bar(kIdBarLight1)->GetValue(), 3);
    EXPECT_EQ(m_window->Bar(kIdBarLight2)->GetValue(), 1);
}

TEST_F(MainWindowTest, ColourDialogStartsFromTheProfileColourShownAsASwatch) {
    g_ProfileList.Edit([](ProfileRecord& p) { p.lightColor = 0x00336699; });
    m_window->UpdateControlsFromProfile();
    CPickColorDlg* picker = m_window->PickColor();
    ASSERT_FALSE(picker->HotRegion().isEmpty());
    // The picture shows the current colour.
    const QImage picture = picker->ComposePicture();
    bool swatch = false;
    for (int y = 0; y < picture.height() && !swatch; ++y)
        for (int x = 0; x < picture.width() && !swatch; ++x)
            swatch = picture.pixel(x, y) == qRgb(0x99, 0x66, 0x33);
    EXPECT_TRUE(swatch);
    // The dialog opens on that colour; OK without a change keeps the light as it was.
    uint32_t offered = 0;
    SetColorChooser([&](QWidget*, uint32_t initial, uint32_t* chosen) {
        offered = initial;
        *chosen = initial;
        return true;
    });
    ui_test::Click(picker, picker->HotRegion().boundingRect().center());
    ui_test::Pump();
    SetColorChooser({});
    EXPECT_EQ(offered, 0x00336699u);
    EXPECT_EQ(Profile().lightColor, 0x00336699u);
    EXPECT_EQ(Memory(sim::kAddrLighting, 2)[1], 0x99);
}

// Closes the gate's message whenever it opens: the refusal arrives as a posted message.
// The timer goes with owner: one outliving its test would answer the next test's questions.
void RejectModalsFor(QObject* owner, int ms) {
    auto* timer = new QTimer(owner);
    QObject::connect(timer, &QTimer::timeout, [] {
        if (auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dlg->reject();
    });
    QTimer::singleShot(ms, timer, &QObject::deleteLater);
    timer->start(20);
}

TEST_F(MainWindowTest, RefusedDpiStepAndColourShowTheProfileAgain) {
    const int stage = g_nCurDpiLevel.load();
    CDpiGridDlg* grid = m_window->DpiGrid(stage);
    CPickColorDlg* picker = m_window->PickColor();
    const ProfileRecord before = Profile();
    m_backend->Unplug(0);
    ASSERT_TRUE(WaitUntil([&] { return !m_window->Link().IsConnected(); }));

    RejectModalsFor(m_window.get(), 3000);  // the gate's messages
    ui_test::Click(grid, QPoint(10, 10));   // a step down
    ui_test::Pump();
    EXPECT_EQ(grid->m_nValue, before.stages[stage].xDpi);

    SetColorChooser([](QWidget*, uint32_t, uint32_t* chosen) {
        *chosen = 0x00102030;
        return true;
    });
    ui_test::Click(picker, picker->HotRegion().boundingRect().center());
    ui_test::Pump();
    SetColorChooser({});
    EXPECT_EQ(picker->Color(), before.lightColor);

    // The next accepted change stores only what it changes.
    m_window->UpdateProfileFromControls();
    EXPECT_EQ(Profile().stages[stage].xDpi, before.stages[stage].xDpi);
    EXPECT_EQ(Profile().lightColor, before.lightColor);
}

TEST_F(MainWindowTest, SliderDragAsksTheGateAndStoresTheValue) {
    CPngSliderBar* bar = m_window->Bar(kIdBarSpeed);
    CPngSlider* thumb = bar->Thumb();
    auto drag = [&](int stopPos) {
        const QPoint start = thumb->mapToGlobal(thumb->rect().center());
        const QPoint end(bar->mapToGlobal(QPoint(thumb->StopX(stopPos), 0)).x(), start.y());
        auto send = [&](QEvent::Type type, QPoint global, Qt::MouseButton b, Qt::MouseButtons bs) {
            QMouseEvent e(type, QPointF(thumb->mapFromGlobal(global)), QPointF(global), b, bs,
                          Qt::NoModifier);
            QApplication::sendEvent(thumb, &e);
        };
        send(QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
        send(QEvent::MouseMove, end, Qt::NoButton, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, end, Qt::LeftButton, Qt::NoButton);
        ui_test::Pump();
    };
    drag(9);  // position 9: speed 16
    EXPECT_EQ(Profile().pointer.speed, 16);
    EXPECT_EQ(m_window->ValueLabel(kIdBarSpeed)->Caption(), "9");

    // Without a usable mouse the gate refuses the drag before it starts, with its message.
    m_backend->Unplug(0);
    ASSERT_TRUE(WaitUntil([&] { return !m_window->Link().IsConnected(); }));
    ui_test::OnNextModal([](QDialog*) {});
    drag(3);
    EXPECT_EQ(Profile().pointer.speed, 16);
    EXPECT_EQ(bar->GetValue(), 16);
}

TEST_F(MainWindowTest, PageScrollShowsMinusOneAndADragLeavesIt) {
    g_ProfileList.Edit([](ProfileRecord& p) { p.pointer.scrollLines = -1; });
    m_window->UpdateControlsFromProfile();
    EXPECT_EQ(m_window->Bar(kIdBarScroll)->GetValue(), 3);
    EXPECT_EQ(m_window->ValueLabel(kIdBarScroll)->Caption(), "-1");
    m_window->UpdateProfileFromControls();
    EXPECT_EQ(Profile().pointer.scrollLines, -1);
    // The user moving the scroll bar asks for lines again.
    m_window->Bar(kIdBarScroll)->SetValue(5);
    SendWinMessage(m_window.get(), WM_SLIDER_CHANGED, 5, kIdBarScroll);
    EXPECT_EQ(Profile().pointer.scrollLines, 5);
    EXPECT_EQ(m_window->ValueLabel(kIdBarScroll)->Caption(), "5");
}

TEST(PanelRules, ValueTableIndexAndLightingVisibility) {
    const int table[3] = {900, 830, 760};
    EXPECT_EQ(TableIndex(table, 3, 830), 1);
    EXPECT_EQ(TableIndex(table, 3, 831), -1);
    bool a = true, b = true, c = true;
    EXPECT_FALSE(LightingVisibility(5, &a, &b, &c));
    EXPECT_FALSE(LightingVisibility(-1, &a, &b, &c));
}

TEST(PanelRects, DefaultsDependOnLightingAndAPointWithYZeroIsAbsent) {
    const CfgPoint savedRate = g_Config.ptRate;
    const CfgPoint savedDpi = g_Config.ptDPI;
    g_Config.ptRate = {700, 0};  // y 0: not set, x ignored
    g_Config.ptDPI = {0, 400};   // set: x 0 is used
    DeviceModel plain, led;
    led.ShowLED = 1;
    const PanelRects a = ComputePanelRects(&plain);
    const PanelRects b = ComputePanelRects(&led);
    g_Config.ptRate = savedRate;
    g_Config.ptDPI = savedDpi;
    EXPECT_EQ(a.rate[0], QRect(520, 410, 66, 27));
    EXPECT_EQ(b.rate[0], QRect(520, 330, 66, 27));
    EXPECT_EQ(a.rate[2].x(), 520 + 2 * (66 + 13));
    // Four rates end where three wider buttons did.
    EXPECT_EQ(a.rate[3].right(), 520 + 3 * 91 + 2 * 15 - 1);
    EXPECT_EQ(a.dpi[0], QRect(0, 400, 91, 27));
    EXPECT_EQ(a.dpi[7].x(), 7 * (91 + 12));
    EXPECT_EQ(b.pickColor, QRect(b.light[4].right() + 1 + 15, b.light[4].y() - 25, 73, 73));
}

}  // namespace
