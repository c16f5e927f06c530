// The self-painted tree by keyboard.
#include <QKeyEvent>

#include <algorithm>

#include "ui/tree_ctrl_ex.h"

void CTreeCtrlEx::SelectByKey(CTreeItem* item) {
    if (!item || item == m_pSelected) return;
    m_pSelected = item;
    EnsureVisible(item);
    update();
    Notify(kTreeMsgLeftClick, item);
}

bool CTreeCtrlEx::HandleKey(const QKeyEvent* event) {
    if (!m_bAcceptMouse) return false;  // the owner has the tree resting (recording)
    const int rows = static_cast<int>(m_rows.size());
    const int at = RowIndex(m_pSelected);
    const int page = std::max(1, height() / kItemHeight - 1);
    auto rowItem = [&](int row) {
        return rows > 0 ? m_rows[static_cast<size_t>(std::clamp(row, 0, rows - 1))].item : nullptr;
    };
    CTreeItem* sel = m_pSelected;
    const bool folder = sel && sel->rec.type == kTreeItemFolder;
    switch (event->key()) {
        case Qt::Key_Up:
            SelectByKey(rowItem(at < 0 ? rows - 1 : at - 1));
            return true;
        case Qt::Key_Down:
            SelectByKey(rowItem(at < 0 ? 0 : at + 1));
            return true;
        case Qt::Key_PageUp:
            SelectByKey(rowItem(at - page));
            return true;
        case Qt::Key_PageDown:
            SelectByKey(rowItem(at < 0 ? page : at + page));
            return true;
        case Qt::Key_Home:
            SelectByKey(rowItem(0));
            return true;
        case Qt::Key_End:
            SelectByKey(rowItem(rows - 1));
            return true;
        case Qt::Key_Left:
            if (folder && sel->rec.expanded)
                ToggleExpand(sel);
            else if (sel && sel->parent)
                SelectByKey(sel->parent);
            return true;
        case Qt::Key_Right:
            if (folder && !sel->rec.expanded)
                ToggleExpand(sel);
            else if (folder && !sel->children.empty())
                SelectByKey(sel->children.front().get());
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (!sel || event->isAutoRepeat()) return true;
            ToggleExpand(sel);
            Notify(kTreeMsgDoubleClick, sel);
            return true;
        case Qt::Key_Delete:
            if (sel && !event->isAutoRepeat()) Notify(kTreeMsgDeleteKey, sel);
            return true;
        case Qt::Key_F2:
            if (sel && !event->isAutoRepeat()) Notify(kTreeMsgRenameKey, sel);
            return true;
        case Qt::Key_Menu:
            Notify(kTreeMsgRightClick, sel);
            return true;
        case Qt::Key_F10:
            if (!(event->modifiers() & Qt::ShiftModifier)) return false;
            Notify(kTreeMsgRightClick, sel);
            return true;
        default:
            return false;
    }
}

void CTreeCtrlEx::focusInEvent(QFocusEvent* event) {
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason)
        m_bKeyboardFocus = true;
    QWidget::focusInEvent(event);
    update();
}

void CTreeCtrlEx::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}
