#include "skin/key_event_vk.h"

#include <QKeyEvent>

#include <gtest/gtest.h>

namespace {

QKeyEvent Key(int qtKey, quint32 scanCode, Qt::KeyboardModifiers mods = {}) {
    return QKeyEvent(QEvent::KeyPress, qtKey, mods, scanCode, 0, 0);
}

TEST(VkFromKeyEvent, NativeScanCodeTellsTheSidesApart) {
    // X keycodes: evdev code + 8.
    struct Case {
        int qtKey;
        quint32 scan;
        int vk;
    };
    const Case cases[] = {
        {Qt::Key_Control, 37, 17}, {Qt::Key_Control, 105, 163}, {Qt::Key_Shift, 50, 16},
        {Qt::Key_Shift, 62, 161},  {Qt::Key_Alt, 64, 18},       {Qt::Key_AltGr, 108, 165},
        {Qt::Key_Meta, 133, 91},   {Qt::Key_Meta, 134, 92},     {Qt::Key_A, 38, 'A'},
    };
    for (const Case& c : cases) {
        const QKeyEvent event = Key(c.qtKey, c.scan);
        EXPECT_EQ(VkFromKeyEvent(&event), c.vk) << "scan " << c.scan;
    }
}

TEST(VkFromKeyEvent, WithoutScanCodeTheQtKeyIsUsed) {
    struct Case {
        int qtKey;
        bool keypad;
        int vk;
    };
    const Case cases[] = {
        {Qt::Key_Control, false, 17}, {Qt::Key_Shift, false, 16},  {Qt::Key_Alt, false, 18},
        {Qt::Key_Q, false, 'Q'},      {Qt::Key_7, false, '7'},     {Qt::Key_7, true, 103},
        {Qt::Key_F5, false, 116},     {Qt::Key_Escape, false, 27}, {Qt::Key_Enter, true, 13},
        {Qt::Key_Minus, true, 109},   {Qt::Key_Minus, false, 189}, {Qt::Key_unknown, false, 0},
    };
    for (const Case& c : cases) {
        const QKeyEvent event = Key(c.qtKey, 0, c.keypad ? Qt::KeypadModifier : Qt::NoModifier);
        EXPECT_EQ(VkFromKeyEvent(&event), c.vk) << std::hex << c.qtKey;
    }
    EXPECT_EQ(VkFromKeyEvent(nullptr), 0);
}

}  // namespace
