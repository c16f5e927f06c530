// The self-painted tree: item records, the folder depth limit, the three notifications, tool
// tips for long names and the refused keyboard.
#include <gtest/gtest.h>

#include <cstdlib>

#include "ui/tree_ctrl_ex.h"
#include "ui/ui_test_util.h"

namespace {

using ui_test::Recorder;
using ui_test::SendMouse;

class TreeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_tree = new CTreeCtrlEx(&m_owner);
        m_tree->Create(&m_owner, 261, nullptr, "", "", QRect(0, 0, 200, 200));
        m_owner.resize(300, 300);
    }
    QPoint At(CTreeItem* item, int x = 100) const {
        return QPoint(x, m_tree->ItemRect(item).center().y());
    }
    CTreeItem* Hit(const PostedMessage& m) const {
        return reinterpret_cast<CTreeItem*>(static_cast<uintptr_t>(m.lParam));
    }

    Recorder m_owner;
    CTreeCtrlEx* m_tree = nullptr;
};

TEST_F(TreeTest, FoldersNestToTheDepthLimitAndOnlyUnderFolders) {
    CTreeItem* parent = nullptr;
    for (int depth = 0; depth <= CTreeCtrlEx::kMaxFolderDepth; ++depth) {
        parent =
            m_tree->InsertLibraryItem(parent, true, false, "", "F" + std::to_string(depth), 0, 0);
        ASSERT_NE(parent, nullptr) << depth;
        EXPECT_EQ(m_tree->ItemDepth(parent), depth);
    }
    // The sixth level is the last: its parent already has five ancestors.
    EXPECT_EQ(m_tree->InsertLibraryItem(parent, true, false, "", "deeper", 0, 0), nullptr);
    CTreeItem* macro = m_tree->InsertLibraryItem(parent, false, true, "", "m", 7, 0);
    ASSERT_NE(macro, nullptr) << "a macro may sit in the deepest folder";
    EXPECT_EQ(m_tree->Selected(), macro);
    EXPECT_EQ(m_tree->InsertLibraryItem(macro, false, false, "", "x", 1, 0), nullptr)
        << "nothing goes under a macro";
    EXPECT_EQ(m_tree->FindRecord(macro)->value, 7u);
    EXPECT_EQ(m_tree->FindRecord(macro)->type, kTreeItemLeaf);
    EXPECT_EQ(m_tree->FindRecord(parent)->type, kTreeItemFolder);
    EXPECT_EQ(m_tree->FindRecord(nullptr), nullptr);
}

TEST_F(TreeTest, InsertNextToWalkAndRemove) {
    CTreeItem* b = m_tree->AppendLine({}, "b", 2, 1);
    m_tree->InsertNextTo(b, true, {}, "a", 1, 1);
    m_tree->InsertNextTo(b, false, {}, "c", 3, 0);
    EXPECT_EQ(m_tree->InsertNextTo(nullptr, true, {}, "x", 0, 0), nullptr);
    std::string order;
    m_tree->WalkChildren(
        nullptr,
        [&](CTreeItem*, TreeItemRecord* r, const QString& t) {
            order += t.toStdString() + std::to_string(r->value);
            return 0;
        },
        false);
    EXPECT_EQ(order, "a1b2c3");
    // A non-zero callback result stops the walk and makes it return 1.
    int visited = 0;
    EXPECT_EQ(
        m_tree->WalkChildren(
            nullptr,
            [&](CTreeItem*, TreeItemRecord*, const QString&) { return ++visited == 2 ? 1 : 0; },
            false),
        1);
    EXPECT_EQ(visited, 2);

    // Recursive walks visit children before their folder.
    m_tree->Clear();
    CTreeItem* f = m_tree->InsertLibraryItem(nullptr, true, false, "", "f", 0, 0);
    m_tree->InsertLibraryItem(f, false, false, "", "m", 0, 0);
    order.clear();
    m_tree->WalkChildren(
        nullptr,
        [&](CTreeItem*, TreeItemRecord*, const QString& t) {
            order += t.toStdString();
            return 0;
        },
        true);
    EXPECT_EQ(order, "mf");
    m_tree->Select(f->children[0].get());
    m_tree->RemoveItem(f);
    EXPECT_EQ(m_tree->Selected(), nullptr) << "the selection does not outlive its item";
    EXPECT_TRUE(m_tree->TopItems().empty());
}

TEST_F(TreeTest, ClicksPostTheirNotifications) {
    CTreeItem* folder = m_tree->InsertLibraryItem(nullptr, true, false, "", "folder", 0, 0);
    CTreeItem* macro = m_tree->InsertLibraryItem(nullptr, false, false, "", "macro", 5, 0);

    SendMouse(m_tree, QEvent::MouseButtonPress, At(macro));
    auto left = m_owner.Take(kTreeMsgLeftClick);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].wParam, 261u);
    EXPECT_EQ(Hit(left[0]), macro);
    EXPECT_EQ(m_tree->Selected(), macro);

    // The item already selected posts nothing, so the editor does not reload it.
    SendMouse(m_tree, QEvent::MouseButtonPress, At(macro));
    EXPECT_TRUE(m_owner.Take(kTreeMsgLeftClick).empty());

    SendMouse(m_tree, QEvent::MouseButtonPress, At(folder), Qt::RightButton);
    auto right = m_owner.Take(kTreeMsgRightClick);
    ASSERT_EQ(right.size(), 1u);
    EXPECT_EQ(Hit(right[0]), folder);
    EXPECT_EQ(m_tree->Selected(), folder);

    // Empty space clears the selection and says so with no item.
    SendMouse(m_tree, QEvent::MouseButtonPress, QPoint(100, 150));
    left = m_owner.Take(kTreeMsgLeftClick);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(Hit(left[0]), nullptr);
    EXPECT_EQ(m_tree->Selected(), nullptr);

    // A double click toggles a folder and says so; on empty space nothing happens.
    SendMouse(m_tree, QEvent::MouseButtonDblClick, At(folder));
    EXPECT_EQ(folder->rec.expanded, 1);
    EXPECT_EQ(m_owner.Take(kTreeMsgDoubleClick).size(), 1u);
    SendMouse(m_tree, QEvent::MouseButtonDblClick, QPoint(100, 150));
    EXPECT_TRUE(m_owner.Take(kTreeMsgDoubleClick).empty());
    EXPECT_EQ(folder->rec.expanded, 1);

    // A click on the folder's button (left of its text) opens or closes it.
    SendMouse(m_tree, QEvent::MouseButtonPress, At(folder, 5));
    EXPECT_EQ(folder->rec.expanded, 0);
    EXPECT_EQ(m_owner.Take(kTreeMsgLeftClick).size(), 1u);

    // An owner that refuses the mouse hears nothing.
    m_tree->m_bAcceptMouse = 0;
    SendMouse(m_tree, QEvent::MouseButtonPress, At(macro));
    SendMouse(m_tree, QEvent::MouseButtonPress, At(macro), Qt::RightButton);
    EXPECT_TRUE(m_owner.Take(kTreeMsgLeftClick).empty());
    EXPECT_TRUE(m_owner.Take(kTreeMsgRightClick).empty());
    EXPECT_EQ(m_tree->Selected(), folder);
}

TEST_F(TreeTest, FoldersHideTheirChildrenUntilOpened) {
    CTreeItem* f = m_tree->InsertLibraryItem(nullptr, true, false, "", "f", 0, 0);
    CTreeItem* m = m_tree->InsertLibraryItem(f, false, false, "", "m", 0, 0);
    EXPECT_EQ(m_tree->VisibleRowCount(), 1);
    EXPECT_TRUE(m_tree->ItemRect(m).isEmpty());
    m_tree->ToggleExpand(f);
    EXPECT_EQ(m_tree->VisibleRowCount(), 2);
    EXPECT_EQ(m_tree->ItemAt(At(m)), m);
}

// A child's name starts right of its folder's name, as in a tree, whether it is a macro or a
// folder; siblings start at the same place.
TEST_F(TreeTest, ChildrenAreIndentedRightOfTheirFolder) {
    CTreeItem* f = m_tree->InsertLibraryItem(nullptr, true, false, "", "Folder", 0, 0);
    CTreeItem* m = m_tree->InsertLibraryItem(f, false, false, "", "Macro", 0, 0);
    CTreeItem* g = m_tree->InsertLibraryItem(f, true, false, "", "Inner", 0, 0);
    m_tree->ToggleExpand(f);
    const QImage picture = m_tree->ComposePicture();
    // Leftmost column of the row (frame and expand mark aside) that is not the background.
    auto inkLeft = [&](CTreeItem* item) {
        const QRect row = m_tree->ItemRect(item);
        const QColor back = picture.pixelColor(picture.width() - 3, row.center().y());
        for (int x = CTreeCtrlEx::kIndent * 2; x < picture.width() - 6; ++x)
            for (int y = row.top() + 1; y < row.bottom(); ++y)
                if (picture.pixelColor(x, y) != back) return x;
        return -1;
    };
    ASSERT_GT(inkLeft(f), 0);
    EXPECT_GT(inkLeft(m), inkLeft(f) + CTreeCtrlEx::kIndent / 2);
    EXPECT_NEAR(inkLeft(g) - inkLeft(f), CTreeCtrlEx::kIndent, 2) << "one level, one indent";
    EXPECT_LE(std::abs(inkLeft(m) - inkLeft(g)), 3) << "siblings line up";
}

TEST_F(TreeTest, LongNamesGetATooltipAndKeysMoveTheSelectionUnlessResting) {
    CTreeItem* twelve = m_tree->AppendLine({}, "abcdefghijkl", 1, 0);
    CTreeItem* thirteen = m_tree->AppendLine({}, "abcdefghijklm", 2, 0);
    SendMouse(m_tree, QEvent::MouseMove, At(twelve));
    EXPECT_EQ(m_tree->HoveredItem(), twelve);
    EXPECT_TRUE(m_tree->toolTip().isEmpty());
    SendMouse(m_tree, QEvent::MouseMove, At(thirteen));
    EXPECT_EQ(m_tree->toolTip(), "abcdefghijklm");
    SendMouse(m_tree, QEvent::MouseMove, At(twelve));
    EXPECT_TRUE(m_tree->toolTip().isEmpty());

    m_tree->Select(twelve);
    const std::pair<int, CTreeItem*> moves[] = {{Qt::Key_Down, thirteen}, {Qt::Key_Down, thirteen},
                                                {Qt::Key_Up, twelve},     {Qt::Key_End, thirteen},
                                                {Qt::Key_Home, twelve},   {Qt::Key_Right, twelve}};
    for (auto [key, expected] : moves) {
        ui_test::TapKey(m_tree, key);
        EXPECT_EQ(m_tree->Selected(), expected) << key;
    }
    m_tree->m_bAcceptMouse = 0;  // resting (the editor records): keys change nothing
    ui_test::TapKey(m_tree, Qt::Key_Down);
    EXPECT_EQ(m_tree->Selected(), twelve);
}

TEST_F(TreeTest, PaintsSelectionMarksAndFrame) {
    ui_test::ProgramFolder program;
    CTreeCtrlEx tree;
    const std::string dir = g_szAppDir + "skins/macro/";
    tree.Create(nullptr, 17, nullptr, dir + "open.png", dir + "nothing.png", QRect(0, 0, 120, 60));
    CTreeItem* f = tree.InsertLibraryItem(nullptr, true, true, "", "f", 0, 0);
    tree.Select(f);
    QImage pic = tree.ComposePicture();
    EXPECT_EQ(pic.pixelColor(0, 0), QColor(0x64, 0x64, 0x64)) << "frame";
    EXPECT_EQ(pic.pixelColor(60, 45), QColor(0, 0, 0)) << "background without an image";
    const QColor selected = pic.pixelColor(100, 10);
    EXPECT_GT(selected.red(), 100) << "the selected row is lighter";
    // A missing closed mark is simply not drawn; the open one is.
    const QImage closed = pic.copy(0, 0, 19, 20);
    tree.ToggleExpand(f);
    EXPECT_NE(tree.ComposePicture().copy(0, 0, 19, 20), closed);
}

}  // namespace
