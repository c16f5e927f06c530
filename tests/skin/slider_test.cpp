#include <QAccessible>
#include <QTest>

#include <gtest/gtest.h>

#include "core/messages.h"
#include "skin/factories.h"
#include "skin/png_slider_bar.h"
#include "skin_test_util.h"

namespace {

using skin_test::Solid;

const QColor kTrack(60, 60, 60), kFill(0, 180, 255), kThumb(Qt::white), kBack(5, 5, 5);
constexpr int kCtrlId = 129;

class SliderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        skins.Add("track.png", Solid(100, 10, kTrack));
        skins.Add("fill.png", Solid(100, 10, kFill));
        owner.resize(200, 60);
        background = Solid(200, 60, kBack);
        bar = new CPngSliderBar(&owner);
    }
    // A bar of the given width over (20, 20) with range min..max.
    void Make(int width, int minimum, int maximum, const char* fill = "fill.png") {
        const QRect rect(20, 20, width, 10);
        ASSERT_EQ(NewSmallPngSliderBar(&background, bar, &owner, &thumb, minimum, maximum, kCtrlId,
                                       "track.png", fill, nullptr, rect, rect),
                  1);
        owner.show();
    }
    std::vector<PostedMessage> Sent(uint32_t msg) { return owner.Take(msg); }
    CPngSlider* Thumb() { return bar->Thumb(); }
    int ThumbCentre() { return Thumb()->x() + Thumb()->width() / 2; }

    skin_test::SkinFolder skins;
    skin_test::Recorder owner;
    QImage background;
    QImage thumb = Solid(10, 10, kThumb);
    CPngSliderBar* bar = nullptr;
};

TEST_F(SliderTest, NearestPositionWithStopsAndEvenSteps) {
    Make(100, 0, 3);
    // Even steps: step 100 / 3 = 33, so position 3 lies at 99, short of the end.
    const std::pair<int, int> even[] = {{0, 0},  {16, 0}, {17, 1},  {49, 1},
                                        {50, 2}, {99, 3}, {150, 3}, {-20, 0}};
    for (auto [x, pos] : even) EXPECT_EQ(Thumb()->NearestPos(x), pos) << "x=" << x;
    EXPECT_EQ(Thumb()->StopX(3), 99);

    const int stops[] = {10, 20, 40, 80};
    Thumb()->SetScalePos(stops, 4);
    const std::pair<int, int> stopped[] = {{0, 0}, {14, 0}, {15, 1}, {30, 2}, {60, 3}, {59, 2}};
    for (auto [x, pos] : stopped) EXPECT_EQ(Thumb()->NearestPos(x), pos) << "x=" << x;
}

TEST_F(SliderTest, ADegenerateRangeDoesNotDivideByZero) {
    Make(100, 5, 5);
    EXPECT_EQ(Thumb()->NearestPos(50), 5);
    EXPECT_EQ(Thumb()->StopX(5), 0);
}

TEST_F(SliderTest, SetValueWithTableMovesThumbAndFill) {
    Make(100, 1, 3);
    const int values[] = {900, 830, 760};
    const int stops[] = {5, 50, 95};
    bar->SetValueTable(values, 3);
    bar->SetScalePos(stops, 3);
    bar->SetValue(830);
    EXPECT_EQ(bar->GetValue(), 830);
    EXPECT_EQ(ThumbCentre(), 50);
    EXPECT_EQ(bar->FillWidth(), 51);
    bar->SetValue(123);  // not in the table: nothing at all changes
    EXPECT_EQ(bar->GetValue(), 830);
    EXPECT_EQ(ThumbCentre(), 50);
    EXPECT_TRUE(Sent(WM_SLIDER_CHANGED).empty());  // setting never notifies
    EXPECT_EQ(Thumb()->ValueOfPos(0), 0);          // outside the range reads 0
}

TEST_F(SliderTest, TrackClickAsksTheOwnerThenReportsTheChange) {
    Make(100, 0, 4);
    const int stops[] = {5, 27, 50, 72, 95};
    bar->SetScalePos(stops, 5);
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(70, 5));
    const auto queries = Sent(WM_SLIDER_QUERY);
    ASSERT_EQ(queries.size(), 1u);
    EXPECT_EQ(queries[0].wParam, 3u);
    EXPECT_EQ(queries[0].lParam, kCtrlId);
    const auto changed = Sent(WM_SLIDER_CHANGED);
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0].wParam, 3u);
    EXPECT_EQ(bar->GetValue(), 3);
    EXPECT_EQ(bar->FillWidth(), 73);

    owner.messages.clear();
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(74, 5));  // same stop: no report
    EXPECT_TRUE(Sent(WM_SLIDER_CHANGED).empty());

    owner.answer = 0;
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(6, 5));
    EXPECT_EQ(bar->GetValue(), 3);
    EXPECT_TRUE(Sent(WM_SLIDER_CHANGED).empty());
}

TEST_F(SliderTest, DragReportsStopsWhileMovingAndStaysInsideTheBar) {
    Make(100, 0, 4);
    const int stops[] = {5, 27, 50, 72, 95};
    bar->SetScalePos(stops, 5);
    CPngSlider* t = Thumb();
    ASSERT_TRUE(t->isVisible());

    QTest::mousePress(t, Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_TRUE(t->IsDragging());
    const auto queries = Sent(WM_SLIDER_QUERY);
    ASSERT_EQ(queries.size(), 1u);
    EXPECT_EQ(queries[0].wParam, 0u);  // the current position
    for (int dx = 10; dx <= 200; dx += 10) QTest::mouseMove(t, QPoint(5 + dx - t->x(), 5));
    EXPECT_EQ(t->x(), 90);  // clamped: bar width - thumb width
    EXPECT_EQ(bar->FillWidth(), ThumbCentre());
    QTest::mouseRelease(t, Qt::LeftButton, {}, QPoint(5, 5));

    std::vector<uintptr_t> changing;
    for (const auto& m : Sent(WM_SLIDER_CHANGING)) changing.push_back(m.wParam);
    EXPECT_EQ(changing, (std::vector<uintptr_t>{1, 2, 3, 4}));
    const auto changed = Sent(WM_SLIDER_CHANGED);
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0].wParam, 4u);
    EXPECT_EQ(bar->GetValue(), 4);
    EXPECT_EQ(ThumbCentre(), 95);
}

TEST_F(SliderTest, DragBackToTheStartSendsNoChange) {
    Make(100, 0, 4);
    const int stops[] = {5, 27, 50, 72, 95};
    bar->SetScalePos(stops, 5);
    CPngSlider* t = Thumb();
    QTest::mousePress(t, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(t, QPoint(35, 5));
    QTest::mouseMove(t, QPoint(-25, 5));
    QTest::mouseRelease(t, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(Sent(WM_SLIDER_CHANGING).empty());
    EXPECT_TRUE(Sent(WM_SLIDER_CHANGED).empty());
    EXPECT_EQ(bar->GetValue(), 0);
}

TEST_F(SliderTest, AnOwnerSayingNoBlocksTheDrag) {
    Make(100, 0, 4);
    owner.answer = 0;
    CPngSlider* t = Thumb();
    QTest::mousePress(t, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(t, QPoint(60, 5));
    QTest::mouseRelease(t, Qt::LeftButton, {}, QPoint(60, 5));
    EXPECT_FALSE(t->IsDragging());
    EXPECT_EQ(t->x(), -5);  // still centred on stop 0
    EXPECT_TRUE(Sent(WM_SLIDER_CHANGING).empty());
    EXPECT_TRUE(Sent(WM_SLIDER_CHANGED).empty());
}

TEST_F(SliderTest, HiddenBarShowsOnlyItsTrackAndIgnoresClicks) {
    Make(100, 0, 4);
    bar->SetValue(4);
    ASSERT_GT(bar->FillWidth(), 50);
    EXPECT_EQ(bar->ComposePicture().pixelColor(10, 5), kFill);
    bar->SetHidden(true);
    EXPECT_FALSE(Thumb()->isVisible());
    EXPECT_EQ(bar->ComposePicture().pixelColor(10, 5), kTrack);
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(3, 5));
    EXPECT_EQ(bar->GetValue(), 4);
    EXPECT_TRUE(Sent(WM_SLIDER_QUERY).empty());
    bar->SetHidden(false);
    EXPECT_TRUE(Thumb()->isVisible());
}

TEST_F(SliderTest, MismatchedStopsWarnAndAreKept) {
    Make(100, 0, 4);
    testing_support::RecordingNotifier notes;
    const int stops[] = {1, 2, 3};
    bar->SetScalePos(stops, 3);
    ASSERT_EQ(notes.messages.size(), 1u);
    EXPECT_EQ(notes.messages[0].first, "CPngSlider::SetScalePos  dwScale and Range unmatch!");
    EXPECT_EQ(notes.messages[0].second, "Warning");
    EXPECT_EQ(Thumb()->Stops().size(), 3u);
    EXPECT_EQ(Thumb()->StopX(4), -1);  // a position beyond the stops has none
}

TEST_F(SliderTest, ANarrowBarCutsItsTrackAtTheEdgeAndThumbShowsTrackBelow) {
    Make(60, 0, 4, nullptr);
    EXPECT_FALSE(bar->HasFill());
    const QImage picture = bar->ComposePicture();
    EXPECT_EQ(picture.width(), 60);
    EXPECT_EQ(picture.pixelColor(59, 5), kTrack);

    QImage ring = Solid(10, 10, Qt::transparent);
    ring.setPixelColor(5, 5, kThumb);
    Thumb()->SetThumbImage(ring);
    bar->SetValue(2);
    const QImage knob = Thumb()->ComposePicture();
    EXPECT_EQ(knob.pixelColor(5, 5), kThumb);
    EXPECT_EQ(knob.pixelColor(0, 0), kTrack);
}

TEST_F(SliderTest, KeysStepThroughTheOwnerLikeAClick) {
    Make(100, 0, 20);
    bar->SetValue(5);
    EXPECT_TRUE(bar->focusPolicy() & Qt::TabFocus);
    struct Step {
        int key;
        int value;  // after the key
        bool reported;
    };
    const Step steps[] = {
        {Qt::Key_Right, 6, true},   {Qt::Key_Up, 7, true},      {Qt::Key_Left, 6, true},
        {Qt::Key_Down, 5, true},    {Qt::Key_PageUp, 15, true}, {Qt::Key_PageUp, 20, true},
        {Qt::Key_End, 20, false},   {Qt::Key_Home, 0, true},    {Qt::Key_PageDown, 0, false},
        {Qt::Key_PageUp, 10, true},
    };
    for (const Step& s : steps) {
        owner.messages.clear();
        QTest::keyClick(bar, static_cast<Qt::Key>(s.key));
        EXPECT_EQ(bar->GetValue(), s.value) << s.key;
        const auto changed = Sent(WM_SLIDER_CHANGED);
        ASSERT_EQ(changed.size(), s.reported ? 1u : 0u) << s.key;
        if (s.reported) {
            EXPECT_EQ(changed[0].wParam, static_cast<uintptr_t>(s.value));
        }
    }
    owner.answer = 0;  // the owner refuses: the key changes nothing
    QTest::keyClick(bar, Qt::Key_Right);
    EXPECT_EQ(bar->GetValue(), 10);
}

TEST_F(SliderTest, AScreenReaderReadsAndSetsTheValue) {
    Make(100, 1, 4);
    const int values[] = {900, 830, 690, 620};  // a table: uneven, falling
    bar->SetValueTable(values, 4);
    bar->SetValue(830);
    bar->setAccessibleName("Double-click speed");
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(bar);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->role(), QAccessible::Slider);
    EXPECT_EQ(a->text(QAccessible::Name), "Double-click speed");
    EXPECT_EQ(a->text(QAccessible::Value), "830");
    QAccessibleValueInterface* v = a->valueInterface();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->currentValue().toInt(), 830);
    EXPECT_EQ(v->minimumValue().toInt(), 620);
    EXPECT_EQ(v->maximumValue().toInt(), 900);
    EXPECT_EQ(v->minimumStepSize().toInt(), 70);
    v->setCurrentValue(690);  // asks the owner and reports, as a click would
    EXPECT_EQ(bar->GetValue(), 690);
    ASSERT_EQ(Sent(WM_SLIDER_CHANGED).size(), 1u);
    v->setCurrentValue(700);  // no such value: nothing happens
    EXPECT_EQ(bar->GetValue(), 690);
}

}  // namespace
