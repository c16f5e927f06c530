// The DPI grid: stepping through the sensor's values between the neighbouring stages, stage
// picks and the stage colour, each told to the parent with WM_DPI_GRID.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QHelpEvent>
#include <QLineEdit>
#include <QWheelEvent>

#include <functional>

#include "config/sensor_dpi.h"
#include "config/ui_text.h"
#include "core/messages.h"
#include "profile/profile_defaults.h"
#include "profile/profile_list.h"
#include "ui/dpi_grid_dlg.h"
#include "ui/pick_color_dlg.h"
#include "ui/ui_test_util.h"

namespace {

using ui_test::Click;

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

class DpiGridTest : public ::testing::Test {
  protected:
    void SetUp() override {
        BuildSensorDpiTable(0);
        m_model.Sensor = 0x3050;
        m_model.DM = 3;
        m_previousModel = pSensorCfg.exchange(&m_model);
        ProfileRecord rec;
        rec.stages[0].xDpi = 1000;
        rec.stages[1].xDpi = 2000;
        rec.stages[2].xDpi = 3000;
        g_ProfileList.Replace(rec);
        g_nCurDpiLevel = 0;
        m_savedShowColor = g_Config.ShowDpiColor;
        m_grid = new CDpiGridDlg(&m_parent);
        m_grid->m_nIndex = 0;
        m_grid->m_nValue = 1000;
        m_grid->m_bCurrent = true;
    }
    void TearDown() override {
        pSensorCfg = m_previousModel;
        g_ProfileList.Clear();
        g_Config.ShowDpiColor = m_savedShowColor;
        SetColorChooser({});
    }
    std::vector<int> Values(const std::vector<PostedMessage>& msgs, uintptr_t action) {
        std::vector<int> out;
        for (const PostedMessage& m : msgs)
            if (m.wParam == action) out.push_back(static_cast<int>(m.lParam));
        return out;
    }

    ui_test::ProgramFolder m_program;
    DeviceModel m_model;
    DeviceModel* m_previousModel = nullptr;
    uint16_t m_savedShowColor = 0;
    ui_test::Recorder m_parent;
    CDpiGridDlg* m_grid = nullptr;
    const QPoint kUp{80, 10};
    const QPoint kDown{10, 10};
    const QPoint kStrip{40, 24};
    const QPoint kValue{45, 10};
};

TEST_F(DpiGridTest, StepsUpToBelowTheNextStage) {
    std::vector<int> seen;
    for (int i = 0; i < 5; ++i) {
        Click(m_grid, kUp);
        seen.push_back(m_grid->m_nValue);
    }
    EXPECT_EQ(seen, (std::vector<int>{1250, 1500, 1750, 1750, 1750}));
    const auto msgs = m_parent.Take(WM_DPI_GRID);
    ASSERT_EQ(msgs.size(), 3u);
    for (const PostedMessage& m : msgs) {
        EXPECT_EQ(m.wParam, 2u);
        EXPECT_EQ(m.lParam, 0);
    }
}

TEST_F(DpiGridTest, StepDownStopsAtTheListAndThePreviousStage) {
    m_grid->m_nValue = 500;  // first value of the sensor list
    EXPECT_EQ(m_grid->StepDown(), 0);
    EXPECT_EQ(m_grid->m_nValue, 500);

    g_nCurDpiLevel = 1;
    m_grid->m_nIndex = 1;
    m_grid->m_nValue = 1500;
    EXPECT_EQ(m_grid->StepDown(), 1);
    EXPECT_EQ(m_grid->m_nValue, 1250);
    EXPECT_EQ(m_grid->StepDown(), 0) << "1000 would not be above stage 0";
    const auto msgs = m_parent.Take(WM_DPI_GRID);
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].lParam, 1);
}

TEST_F(DpiGridTest, LastStageStepsToTheEndOfTheList) {
    g_nCurDpiLevel = 2;
    m_grid->m_nValue = 3000;
    while (m_grid->StepUp()) {
    }
    EXPECT_EQ(m_grid->m_nValue, 4000);

    // The last stage in use, whatever the stage after it (not in use) holds.
    g_ProfileList.Edit([](ProfileRecord& r) { r.stages[2].disabled = 1; });
    g_nCurDpiLevel = 1;
    m_grid->m_nIndex = 1;
    m_grid->m_nValue = 2000;
    while (m_grid->StepUp()) {
    }
    EXPECT_EQ(m_grid->m_nValue, 4000);
}

TEST_F(DpiGridTest, ValueOutsideTheListOrNoModelDoesNotStep) {
    m_grid->m_nValue = 1100;
    EXPECT_EQ(m_grid->StepUp(), 0);
    EXPECT_EQ(m_grid->StepDown(), 0);
    m_grid->m_nValue = 1000;
    pSensorCfg = nullptr;
    EXPECT_EQ(m_grid->StepUp(), 0);
    EXPECT_TRUE(m_parent.Take(WM_DPI_GRID).empty());
}

// A value of the list that has no code (here from a replaced list) is never offered.
TEST_F(DpiGridTest, StepsOverAValueWithoutACode) {
    m_model.Sensor = 0x3330;
    SensorDpiEntry* e = FindSensorEntry(0x3330);
    ASSERT_TRUE(e);
    e->values[20] = 30000;  // after 1000: beyond any one-byte code
    ASSERT_FALSE(DpiCode(0x3330, 30000));
    m_grid->m_nValue = 1000;  // stage 0, below stage 1's 2000
    EXPECT_EQ(m_grid->StepUp(), 1);
    EXPECT_EQ(m_grid->m_nValue, 1100);
    EXPECT_EQ(m_grid->StepDown(), 1);
    EXPECT_EQ(m_grid->m_nValue, 1000);
}

TEST_F(DpiGridTest, PicksAndColour) {
    int asked = 0;
    SetColorChooser([&](QWidget*, uint32_t initial, uint32_t* chosen) {
        ++asked;
        EXPECT_EQ(initial, 0x0000FFu);
        *chosen = 0x00FF8000;
        return true;
    });
    // A grid that is not current only asks to be picked, wherever it is clicked.
    m_grid->m_bCurrent = false;
    m_grid->m_nIndex = 4;
    Click(m_grid, kUp);
    EXPECT_EQ(m_grid->m_nValue, 1000);
    auto msgs = m_parent.Take(WM_DPI_GRID);
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].wParam, 1u);
    EXPECT_EQ(msgs[0].lParam, 4);

    m_grid->m_bCurrent = true;
    g_Config.ShowDpiColor = 0;
    Click(m_grid, kStrip);
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(Values(m_parent.Take(WM_DPI_GRID), 1), std::vector<int>{4});

    g_Config.ShowDpiColor = 1;
    Click(m_grid, kStrip);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(m_grid->m_clr, 0x00FF8000u);
    EXPECT_EQ(Values(m_parent.Take(WM_DPI_GRID), 3), std::vector<int>{4});
    // The strip shows the colour (0x00BBGGRR).
    EXPECT_EQ(m_grid->ComposePicture().pixelColor(kStrip), QColor(0x00, 0x80, 0xFF));
}

// Every click on an arrow counts, also the second one of a fast pair (delivered as a double
// click), and an arrow held down repeats until it is let go.
TEST_F(DpiGridTest, NoClickIsLostAndAHeldArrowRepeats) {
    ui_test::SendMouse(m_grid, QEvent::MouseButtonPress, kUp);
    ui_test::SendMouse(m_grid, QEvent::MouseButtonRelease, kUp);
    ui_test::SendMouse(m_grid, QEvent::MouseButtonDblClick, kUp);
    ui_test::SendMouse(m_grid, QEvent::MouseButtonRelease, kUp);
    EXPECT_EQ(m_grid->m_nValue, 1500);

    g_nCurDpiLevel = 2;
    m_grid->m_nIndex = 2;
    m_grid->m_nValue = 500;
    ui_test::SendMouse(m_grid, QEvent::MouseButtonPress, kUp);
    ASSERT_TRUE(WaitFor([&] { return m_grid->m_nValue >= 1000; }, 3000)) << m_grid->m_nValue;
    ui_test::SendMouse(m_grid, QEvent::MouseButtonRelease, kUp);
    const int released = m_grid->m_nValue;
    WaitFor([] { return false; }, 300);
    EXPECT_EQ(m_grid->m_nValue, released) << "the repeat ends with the release";
}

// The current stage's tip says how it is changed; another stage has none.
TEST_F(DpiGridTest, CurrentStageTellsHowToChangeIt) {
    ASSERT_FALSE(g_UiText.tc_dpi_tip.empty());
    for (bool current : {true, false}) {
        m_grid->m_bCurrent = current;
        QHelpEvent ask(QEvent::ToolTip, QPoint(45, 10), m_grid->mapToGlobal(QPoint(45, 10)));
        QApplication::sendEvent(m_grid, &ask);
        EXPECT_EQ(m_grid->toolTip().toStdString(), current ? g_UiText.tc_dpi_tip : "") << current;
    }
}

TEST_F(DpiGridTest, WheelStepsTheCurrentStageOnly) {
    struct Case {
        int delta;
        bool current;
        int expected;
    };
    const Case cases[] = {
        {120, true, 1250}, {-240, true, 500}, {60, true, 1000}, {120, false, 1000}};
    for (const Case& c : cases) {
        m_grid->m_nValue = 1000;
        m_grid->m_bCurrent = c.current;
        QWheelEvent e(QPointF(45, 10), m_grid->mapToGlobal(QPointF(45, 10)), QPoint(),
                      QPoint(0, c.delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(m_grid, &e);
        EXPECT_EQ(m_grid->m_nValue, c.expected) << c.delta << " current " << c.current;
    }
}

// A click on the current stage's number opens a field; what is typed becomes the nearest value
// the sensor takes, kept strictly between the neighbouring stages.
TEST_F(DpiGridTest, TypedValueSnapsToTheSensorBetweenTheNeighbours) {
    struct Case {
        int level;
        const char* typed;
        int expected;
        bool posted;
    };
    const Case cases[] = {
        {0, "1400", 1500, true},   // between 1250 and 1500, nearer 1500
        {0, "1100", 1000, false},  // nearest is 1000, unchanged
        {0, "9000", 1750, true},   // below stage 1 (2000)
        {0, "100", 500, true},     // the first value of the list
        {1, "900", 1250, true},    // above stage 0 (1000)
        {2, "99999", 4000, true},  // last stage: the end of the list
        {0, "", 1000, false},      // nothing typed: nothing changes
    };
    for (const Case& c : cases) {
        g_nCurDpiLevel = c.level;
        m_grid->m_nIndex = c.level;
        m_grid->m_nValue = c.level == 0 ? 1000 : c.level == 1 ? 1500 : 3000;
        ui_test::Click(m_grid, kValue);
        auto* edit = m_grid->findChild<QLineEdit*>();
        ASSERT_NE(edit, nullptr) << c.typed;
        ASSERT_TRUE(m_grid->IsEditing()) << c.typed;
        EXPECT_EQ(edit->text().toInt(), m_grid->m_nValue) << "starts from the value shown";
        const char* range[] = {"500 – 1750", "1250 – 2500", "2500 – 4000"};
        EXPECT_EQ(edit->toolTip().toStdString(), range[c.level]) << "the values it can take";
        edit->setText(QString::fromLatin1(c.typed));
        ui_test::TapKey(edit, Qt::Key_Return);
        EXPECT_FALSE(m_grid->IsEditing()) << c.typed;
        EXPECT_EQ(m_grid->m_nValue, c.expected) << c.typed;
        const auto msgs = m_parent.Take(WM_DPI_GRID);
        EXPECT_EQ(Values(msgs, 2).size(), c.posted ? 1u : 0u) << c.typed;
        EXPECT_TRUE(Values(msgs, 1).empty()) << "a click on the current value does not re-pick";
    }
    // Escape leaves the value as it was.
    ui_test::Click(m_grid, kValue);
    auto* edit = m_grid->findChild<QLineEdit*>();
    edit->setText("1750");
    ui_test::TapKey(edit, Qt::Key_Escape);
    EXPECT_FALSE(m_grid->IsEditing());
    EXPECT_EQ(m_grid->m_nValue, 1000);
    EXPECT_TRUE(m_parent.Take(WM_DPI_GRID).empty());
}

TEST_F(DpiGridTest, ASecondQuickClickOnTheValueOpensTheField) {
    // The first click picks the stage; the second comes as a double click.
    m_grid->m_bCurrent = true;
    ui_test::SendMouse(m_grid, QEvent::MouseButtonDblClick, kValue);
    ui_test::SendMouse(m_grid, QEvent::MouseButtonRelease, kValue);
    EXPECT_TRUE(m_grid->IsEditing());
}

}  // namespace
