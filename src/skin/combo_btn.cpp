#include "skin/combo_btn.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>

#include <algorithm>

#include "core/messages.h"
#include "skin/skin_settings.h"
#include "skin/win_message.h"

namespace {
ShowPopupMenuFn g_showPopup;
ClosePopupMenuFn g_closePopup;
}  // namespace

void SetPopupMenuHandlers(ShowPopupMenuFn show, ClosePopupMenuFn close) {
    g_showPopup = std::move(show);
    g_closePopup = std::move(close);
}

CComboBtn::CComboBtn(QWidget* parent) : CPngBtn(parent) {}

void CComboBtn::AddItem(int value, const std::string& name) {
    std::u16string wide = QString::fromStdString(name).toStdU16String();
    if (wide.size() > static_cast<size_t>(kMaxNameChars)) {
        wide.resize(kMaxNameChars);
        // Never keep half of a surrogate pair.
        if (QChar::isHighSurrogate(wide.back())) wide.pop_back();
    }
    m_items.push_back({value, QString::fromStdU16String(wide).toStdString()});
}

void CComboBtn::ClearItems() {
    m_items.clear();
    SelectIndex(-1);
}

void CComboBtn::SelectIndex(int index) {
    if (index < 0) {
        SetCaption("", m_nLeftOffset);
        m_nSelIndex = -1;
        m_nSelValue = -1;
        return;
    }
    if (index >= static_cast<int>(m_items.size())) return;
    SetCaption(m_items[index].name, m_nLeftOffset);
    m_nSelIndex = index;
    m_nSelValue = m_items[index].value;
}

int CComboBtn::OpenList() {
    const int count = std::min(static_cast<int>(m_items.size()), kMaxListed);
    if (count == 0 || !g_showPopup) return 0;
    std::vector<PopupListItem> rows;
    for (int i = 0; i < count; ++i)
        rows.push_back({255, m_items[i].value, m_items[i].name, i == m_nSelIndex});

    const QPoint topLeft = mapToGlobal(QPoint(0, 0));
    const int bottom = topLeft.y() + height();
    QPoint at(topLeft.x() + 2, bottom);
    const QScreen* scr = screen();
    const QRect avail = scr ? scr->availableGeometry() : QRect();
    if (scr && avail.bottom() + 1 < bottom + kRowHeight * count)
        at.setY(topLeft.y() - kRowHeight * count);
    const int w = m_nDropWidth >= 1 ? m_nDropWidth : width() - 4;
    return g_showPopup(this, rows, w, at, g_SkinSettings.clrMenuNr, g_SkinSettings.clrMenuOv,
                       m_nSelIndex);
}

void CComboBtn::TakePick(int code) {
    if (g_closePopup) g_closePopup();
    if (m_pfnValidate && m_pfnValidate(m_validateArg) == 0) return;
    const int count = std::min(static_cast<int>(m_items.size()), kMaxListed);
    for (int i = 0; i < count; ++i) {
        if (m_items[i].value == code) {
            SelectIndex(i);
            emit selectionPicked(i);
            return;
        }
    }
}

bool CComboBtn::event(QEvent* event) {
    if (event->type() == CWinMessageEvent::EventType()) {
        auto* msg = static_cast<CWinMessageEvent*>(event);
        if (msg->msg() == WM_CHILD_CLICK) {
            TakePick(static_cast<int>(msg->wParam()));
            msg->setResult(1);
            return true;
        }
    }
    return CPngBtn::event(event);
}

// The list replaces the click: presses are swallowed and the release opens the list.
void CComboBtn::mousePressEvent(QMouseEvent* event) {
    event->accept();
}
void CComboBtn::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
}

void CComboBtn::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton && isEnabled()) OpenList();
}

namespace {

bool OpensList(const QKeyEvent* event) {
    const int key = event->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space ||
           key == Qt::Key_F4 || (key == Qt::Key_Down && (event->modifiers() & Qt::AltModifier));
}

}  // namespace

void CComboBtn::keyPressEvent(QKeyEvent* event) {
    if (OpensList(event)) {
        event->accept();
        if (isEnabled() && !event->isAutoRepeat()) OpenList();
        return;
    }
    CPngBtn::keyPressEvent(event);
}

void CComboBtn::keyReleaseEvent(QKeyEvent* event) {
    if (OpensList(event)) return event->accept();
    CPngBtn::keyReleaseEvent(event);
}
