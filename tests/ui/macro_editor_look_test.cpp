// The macro windows' look with the shipped configuration: the editor's lists are skinned as the
// picker's, a selected row stays readable, and the editor's controls sit inside its card.
#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "config/program_config.h"
#include "skin/face_layout.h"
#include "skin/image.h"
#include "skin/png_btn.h"
#include "ui/macro_dlg.h"
#include "ui/macro_ui_fixture.h"
#include "ui/pick_macro_dlg.h"
#include "ui/tree_ctrl_ex.h"

namespace {

// WCAG relative luminance and contrast ratio.
double Luminance(QColor c) {
    auto channel = [](int v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
}
double Contrast(QColor a, QColor b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

struct ListLook {
    QColor background, selection, selectedText, text;
};

// What a list shows: the colours of its picture beside the text of an unselected and the
// selected row (its right end), and the text colours it draws with.
ListLook LookOf(CTreeCtrlEx& tree, CTreeItem* selected, CTreeItem* other) {
    tree.Select(selected);
    const QImage picture = tree.ComposePicture();
    const int x = picture.width() - 3;
    ListLook look;
    look.selection = picture.pixelColor(x, tree.ItemRect(selected).center().y());
    look.background = picture.pixelColor(x, tree.ItemRect(other).center().y());
    look.selectedText = ColorFromRef(tree.m_clrTextSelected);
    look.text = ColorFromRef(tree.m_clrTextNormal);
    return look;
}

class MacroLookTest : public MacroUiTest {
  protected:
    void SetUp() override {
        MacroUiTest::SetUp();
        m_savedDir = g_Config.MacroDir;
        g_Config.MacroDir = 1;
        PutFile("Reload.zqm", Macro("Reload", 0x10));
        PutFile("Jump.zqm", Macro("Jump", 0x11));
        LoadMacroLibrary(nullptr, true, true);
    }
    void TearDown() override {
        g_Config.MacroDir = m_savedDir;
        MacroUiTest::TearDown();
    }
    int m_savedDir = 0;
};

TEST_F(MacroLookTest, EditorListsAreSkinnedAsThePickersWithAReadableSelection) {
    CPickMacroDlg picker;
    picker.open();
    ui_test::Pump();
    CTreeCtrlEx* pickerTree = picker.Tree();
    ASSERT_EQ(pickerTree->TopItems().size(), 2u);
    const ListLook pickerLook =
        LookOf(*pickerTree, pickerTree->TopItems()[0].get(), pickerTree->TopItems()[1].get());

    CMacroDlg editor;
    editor.open();
    ui_test::Pump();
    CTreeCtrlEx* tree = editor.MacroTreeCtrl();
    ASSERT_EQ(tree->TopItems().size(), 2u);
    const ListLook editorLook = LookOf(*tree, tree->TopItems()[0].get(), tree->TopItems()[1].get());
    // The key list shares the look: a line selected among others.
    CTreeCtrlEx* keys = editor.KeyList();
    CTreeItem* a = keys->AppendLine(QImage(), "A", 0x41, 1);
    CTreeItem* b = keys->AppendLine(QImage(), "A", 0x41, 0);
    const ListLook keyLook = LookOf(*keys, a, b);

    for (const ListLook& look : {pickerLook, editorLook, keyLook}) {
        EXPECT_GE(Contrast(look.selectedText, look.selection), 4.5)
            << look.selectedText.name().toStdString() << " on "
            << look.selection.name().toStdString();
        EXPECT_GE(Contrast(look.text, look.background), 4.5);
        EXPECT_EQ(look.background, pickerLook.background);
        EXPECT_EQ(look.selection, pickerLook.selection);
        EXPECT_EQ(look.selectedText, pickerLook.selectedText);
    }
}

// The child's rectangle grown by margin lies inside box.
::testing::AssertionResult InsideWithMargin(const QWidget* child, const QRect& box, int margin) {
    const QRect need = child->geometry().adjusted(-margin, -margin, margin, margin);
    if (box.contains(need)) return ::testing::AssertionSuccess();
    const QRect g = child->geometry();
    return ::testing::AssertionFailure()
           << "control at (" << g.x() << "," << g.y() << " " << g.width() << "x" << g.height()
           << ") is not " << margin << " pixels inside (" << box.x() << "," << box.y() << " "
           << box.width() << "x" << box.height() << ")";
}

TEST_F(MacroLookTest, EditorControlsSitInsideTheirCardsWithAMargin) {
    CMacroDlg editor;
    editor.open();
    ui_test::Pump();
    const QRect window = editor.rect();
    ASSERT_EQ(window.size(), QSize(760, 460));
    const FaceBox card = MacroOptionCard(
        g_Config.Macro_Opt_X, g_Config.rcKeyList.top,
        std::max(g_Config.rcMacroList.bottom, g_Config.rcKeyList.bottom), window.width());
    const QRect cardRect(QPoint(card.left, card.top), QPoint(card.right - 1, card.bottom - 1));
    EXPECT_TRUE(
        window.adjusted(kFaceMargin, kFaceMargin, -kFaceMargin, -kFaceMargin).contains(cardRect));
    // The face draws the card there: its border stands out from the face beside it.
    const QImage face = LoadSkinImage("macro_nr.png");
    ASSERT_EQ(face.size(), window.size());
    const QPoint mid = cardRect.center();
    const std::pair<QPoint, QPoint> sides[4] = {
        {QPoint(mid.x(), cardRect.top()), QPoint(mid.x(), cardRect.top() - 3)},
        {QPoint(mid.x(), cardRect.bottom()), QPoint(mid.x(), cardRect.bottom() + 3)},
        {QPoint(cardRect.left(), mid.y()), QPoint(cardRect.left() - 3, mid.y())},
        {QPoint(cardRect.right(), mid.y()), QPoint(cardRect.right() + 3, mid.y())}};
    for (const auto& [border, outside] : sides) {
        const QColor a = face.pixelColor(border), b = face.pixelColor(outside);
        EXPECT_GT(std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                      std::abs(a.blue() - b.blue()),
                  12)
            << "no card border at " << border.x() << "," << border.y();
    }

    // The option column: its card holds the record, insert and save buttons.
    for (const QWidget* w : {static_cast<QWidget*>(editor.RecordButton()),
                             static_cast<QWidget*>(editor.InsertButton()),
                             static_cast<QWidget*>(editor.SaveButton())}) {
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(InsideWithMargin(w, cardRect, kCardPadding));
    }
    // Every other control keeps the window's margin; the close button sits in the title band.
    const QRect content = window.adjusted(kFaceMargin, kFaceMargin, -kFaceMargin, -kFaceMargin);
    for (const QWidget* w : editor.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (w == editor.CloseButton()) {
            EXPECT_TRUE(InsideWithMargin(w, window, 10));
            continue;
        }
        EXPECT_TRUE(InsideWithMargin(w, content, 0));
    }
    // No empty band on one side: the lists start as far from the left edge as the card ends
    // from the right one.
    const int left = editor.MacroTreeCtrl()->geometry().left();
    EXPECT_LE(std::abs((left - 4) - (window.width() - card.right)), 4)
        << "list at " << left << ", card ends at " << card.right;
}

}  // namespace
