#include "skin/face_drag.h"

#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TEST(FaceDrag, DraggingTheFaceMovesTheWindowButNotFromAControl) {
    QWidget window;
    window.setWindowFlags(Qt::FramelessWindowHint);
    window.setGeometry(100, 100, 300, 200);
    auto* control = new QPushButton("x", &window);
    control->setGeometry(200, 150, 40, 20);
    int before = 0;
    EnableFaceDrag(&window, [&before] { ++before; });
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    const QPoint start = window.pos();
    QTest::mousePress(&window, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(&window, QPoint(60, 40));
    QTest::mouseRelease(&window, Qt::LeftButton, {}, QPoint(60, 40));
    EXPECT_EQ(before, 1);
    EXPECT_EQ(window.pos(), start + QPoint(50, 30));

    const QPoint moved = window.pos();
    QTest::mouseClick(control, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(before, 1);
    EXPECT_EQ(window.pos(), moved);
}

}  // namespace
