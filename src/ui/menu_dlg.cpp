#include "ui/menu_dlg.h"

#include <QAccessible>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include <algorithm>
#include <memory>

#include "core/log.h"
#include "core/messages.h"
#include "core/notifier.h"
#include "core/utf.h"
#include "skin/caption_fit.h"
#include "skin/combo_btn.h"
#include "skin/image.h"
#include "skin/skin_settings.h"
#include "skin/win_message.h"
#include "ui/menu_dismiss.h"

namespace {

constexpr uint32_t kFrameColour = 0x646464;
constexpr uint32_t kBackColour = 0x050505;
constexpr uint32_t kHoverFill = 0xDCDCDC;
constexpr int kFontPixels = 16;
constexpr int kMarkRoom = 14;  // left of a row: the mark of the current choice

// A dot in the pen's colour at the row's left end.
void DrawMark(QPainter& p, const QRect& row) {
    const int d = std::max(4, std::min(8, row.height() / 3));
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(p.pen().color());
    p.drawEllipse(QRect(row.x() + (kMarkRoom - d) / 2 + 2, row.center().y() - d / 2, d, d));
    p.restore();
}

struct MenuImages {
    SkinImage normal, hover, subNormal, subHover;
};
MenuImages g_menuImages;

CMenuDlg* g_pPopupMenu = nullptr;
// Watches for clicks elsewhere, Escape and focus loss while a menu is open.
std::unique_ptr<MenuDismisser> g_pDismisser;
bool g_bMakingMenu = false;

std::string CutChars(const std::string& text, size_t maxChars) {
    std::u16string wide = Utf8ToUtf16(text);
    if (wide.size() > maxChars) {
        // Never cut a surrogate pair in half.
        size_t n = maxChars;
        if (n > 0 && wide[n - 1] >= 0xD800 && wide[n - 1] <= 0xDBFF) --n;
        wide.resize(n);
    }
    return Utf16ToUtf8(wide);
}

// Under Wayland a program never sees a click on another program's window, and a window cannot
// place itself: the first-level menu is a real popup there, which the compositor closes on a
// click outside. Elsewhere the menu watches clicks itself and takes no grab, so the click that
// closes it also reaches what it falls on (another key opens its menu at once).
bool MenuIsRealPopup() {
    return QGuiApplication::platformName().startsWith("wayland");
}

Qt::WindowFlags MenuWindowFlags(bool subMenu) {
    const Qt::WindowType type = !subMenu && MenuIsRealPopup() ? Qt::Popup : Qt::ToolTip;
    return type | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus;
}

bool IsSwallowedMenuKey(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape ||
           key == Qt::Key_F1;
}

}  // namespace

void SetMenuItem(MenuItem* list, int index, int parent, int code, const std::string& text) {
    if (!list || index < 0) return;
    list[index].parent = parent;
    list[index].code = code;
    list[index].text = CutChars(text, kMenuTextChars);
}

int LoadMenuImages() {
    g_menuImages.normal = LoadSkinImage("menu_nr.png");
    g_menuImages.hover = LoadSkinImage("menu_ov.png");
    g_menuImages.subNormal = LoadSkinImage("menusub_nr.png");
    g_menuImages.subHover = LoadSkinImage("menusub_ov.png");
    SetPopupMenuHandlers(
        [](QWidget* owner, const std::vector<PopupListItem>& list, int width, QPoint topLeft,
           uint32_t clrNormal, uint32_t clrHover, intptr_t ownerValue) {
            std::vector<MenuItem> items(list.size());
            for (size_t i = 0; i < list.size(); ++i) {
                SetMenuItem(items.data(), static_cast<int>(i), list[i].parent, list[i].code,
                            list[i].text);
                items[i].marked = list[i].marked;
            }
            return ShowPopupMenu(owner, static_cast<int>(items.size()), width, &topLeft, clrNormal,
                                 clrHover, ownerValue, items.data());
        },
        [] { ClosePopupMenu(); });
    return g_menuImages.normal.width() > 0 ? 1 : 0;
}

void FreeMenuImages() {
    ClosePopupMenu();
    g_menuImages = MenuImages{};
}

int ShowPopupMenu(QWidget* owner, int count, int width, const QPoint* topLeft, uint32_t clrNormal,
                  uint32_t clrHover, intptr_t ownerValue, const MenuItem* items) {
    if (!owner || !topLeft || !items || count <= 0) return 0;
    ClosePopupMenu();
    g_bMakingMenu = true;
    const int h = g_menuImages.normal.width() > 0 ? g_menuImages.normal.height() : 0;
    if (h == 0) NotifyUser("Menu item height is 0", "Warring");
    auto* menu = new CMenuDlg(owner, false);
    menu->Setup(items, count, width, h, *topLeft, clrNormal, clrHover, ownerValue);
    g_pPopupMenu = menu;
    // The menu goes with its owner.
    QObject::connect(owner, &QObject::destroyed, menu, [menu] {
        if (g_pPopupMenu == menu) ClosePopupMenu();
    });
    // Window systems that place pop-ups relative to a parent window need to know it.
    menu->winId();
    if (QWindow* parent = owner->window()->windowHandle())
        menu->windowHandle()->setTransientParent(parent);
    menu->show();
    g_pfnLog("Popup menu shown");
    g_bMakingMenu = false;
    if (menu->isVisible() && !g_pDismisser)
        g_pDismisser = std::make_unique<MenuDismisser>(&ClosePopupMenu);
    return menu->isVisible() ? 1 : 0;
}

void ClosePopupMenu() {
    if (g_bMakingMenu || !g_pPopupMenu) return;
    CMenuDlg* menu = g_pPopupMenu;
    g_pPopupMenu = nullptr;
    // Deleted later: the dismisser may be the one calling from inside its event filter.
    if (g_pDismisser) {
        g_pDismisser->Stop();
        g_pDismisser.release()->deleteLater();
    }
    delete menu;
    g_pfnLog("Popup menu closed");
}

CMenuDlg* CurrentPopupMenu() {
    return g_pPopupMenu;
}

CMenuDlg::CMenuDlg(QObject* owner, bool subMenu)
    : QWidget(nullptr, MenuWindowFlags(subMenu)), m_pOwner(owner), m_bSubMenu(subMenu) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setMouseTracking(true);
    setObjectName(subMenu ? "MivoraSubMenu" : "MivoraPopupMenu");
    setWindowTitle(objectName());  // how tools that drive the program find it
}

CMenuDlg::~CMenuDlg() {
    CloseSubMenu();
    if (g_pPopupMenu == this) g_pPopupMenu = nullptr;
}

void CMenuDlg::Setup(const MenuItem* items, int count, int width, int rowHeight,
                     const QPoint& topLeft, uint32_t clrNormal, uint32_t clrHover,
                     intptr_t ownerValue) {
    m_items.clear();
    if (items && count > 0 && count <= kMenuMaxItems) m_items.assign(items, items + count);
    m_nRows =
        static_cast<int>(std::count_if(m_items.begin(), m_items.end(), [](const MenuItem& it) {
            return it.parent == kMenuTopLevel;
        }));
    // First-level rows come first in the list; never index past it.
    m_nRows = std::min<int>(m_nRows, static_cast<int>(m_items.size()));
    // The row that opens the sub-menu with the current choice is marked too.
    for (const MenuItem& it : m_items)
        if (it.marked && it.parent >= 0 && it.parent < m_nRows)
            m_items[static_cast<size_t>(it.parent)].marked = true;
    m_nRowHeight = std::max(0, rowHeight);
    m_nWidth = std::max(1, width);
    m_ownerValue = ownerValue;
    m_clrNormal = clrNormal;
    m_clrHover = clrHover;
    m_nHover = -1;
    setGeometry(topLeft.x(), topLeft.y(), m_nWidth, m_nRowHeight * m_nRows + 2);
}

QRect CMenuDlg::RowRect(int row) const {
    if (row < 0 || row >= m_nRows) return QRect();
    return QRect(0, 1 + row * m_nRowHeight, m_nWidth, m_nRowHeight);
}

int CMenuDlg::RowAt(const QPoint& pos) const {
    for (int r = 0; r < m_nRows; ++r)
        if (RowRect(r).contains(pos)) return r;
    return -1;
}

bool CMenuDlg::RowHasSubItems(int row) const {
    if (m_bSubMenu || row < 0) return false;
    return std::any_of(m_items.begin(), m_items.end(),
                       [row](const MenuItem& it) { return it.parent == row; });
}

void CMenuDlg::CloseSubMenu() {
    if (m_bMakingSub || !m_pSubMenu) return;
    CMenuDlg* sub = m_pSubMenu;
    m_pSubMenu = nullptr;
    delete sub;
}

void CMenuDlg::OpenSubMenu(int row) {
    std::vector<MenuItem> subItems;
    for (const MenuItem& it : m_items) {
        if (it.parent != row) continue;
        if (subItems.size() >= static_cast<size_t>(kMenuMaxItems)) break;
        MenuItem copy = it;
        copy.parent = kMenuTopLevel;  // every item is a row of the sub-menu
        subItems.push_back(copy);
    }
    if (subItems.empty()) return;
    m_bMakingSub = true;
    const int n = static_cast<int>(subItems.size());
    const QPoint rowTop = mapToGlobal(RowRect(row).topLeft());
    const QPoint topLeft(mapToGlobal(QPoint(width(), 0)).x(), rowTop.y() - m_nRowHeight * (n - 1));
    auto* sub = new CMenuDlg(this, true);
    sub->Setup(subItems.data(), n, m_nWidth, m_nRowHeight, topLeft, m_clrNormal, m_clrHover, row);
    m_pSubMenu = sub;
    sub->winId();
    if (QWindow* parent = windowHandle()) sub->windowHandle()->setTransientParent(parent);
    sub->show();
    m_bMakingSub = false;
}

void CMenuDlg::SetHover(int row) {
    if (row == m_nHover) return;
    m_nHover = row;
    update();
    if (row >= 0 && row < m_nRows && QAccessible::isActive()) {
        QAccessibleEvent moved(this, QAccessible::Focus);
        moved.setChild(row);
        QAccessible::updateAccessibility(&moved);
    }
    m_bKeysInSub = false;
    CloseSubMenu();
    if (!m_bSubMenu && RowHasSubItems(row)) OpenSubMenu(row);
}

bool CMenuDlg::event(QEvent* event) {
    if (event->type() == CWinMessageEvent::EventType()) {
        auto* msg = static_cast<CWinMessageEvent*>(event);
        // A pick in the sub-menu goes on to this menu's owner with this menu's owner value.
        if (msg->msg() == WM_CHILD_CLICK && !m_bSubMenu)
            PostWinMessage(m_pOwner, WM_CHILD_CLICK, msg->wParam(), m_ownerValue);
        return true;
    }
    // The window system closed the menu (a real popup's click outside): forget it once the
    // close has been delivered.
    if (event->type() == QEvent::Close && !m_bSubMenu && g_pPopupMenu == this) {
        QMetaObject::invokeMethod(
            qApp,
            [menu = QPointer<CMenuDlg>(this)] {
                if (menu && g_pPopupMenu == menu) ClosePopupMenu();
            },
            Qt::QueuedConnection);
    }
    return QWidget::event(event);
}

QImage CMenuDlg::ComposePicture(qreal scale) const {
    QImage canvas = NewCanvas(size(), scale);
    QPainter p(&canvas);
    const MenuImages& img = g_menuImages;
    if (img.normal.width() > 0) {
        for (int r = 0; r < m_nRows; ++r) {
            const bool hover = r == m_nHover;
            const SkinImage* row = hover ? &img.hover : &img.normal;
            if (RowHasSubItems(r)) row = hover ? &img.subHover : &img.subNormal;
            if (row->width() > 0) DrawImage(p, *row, RowRect(r), row->rect());
        }
    } else {
        p.fillRect(rect(), ColorFromRef(kBackColour));
        if (m_nHover >= 0) p.fillRect(RowRect(m_nHover), ColorFromRef(kHoverFill));
    }
    p.setFont(ShellDlgFont(kFontPixels));
    for (int r = 0; r < m_nRows; ++r) {
        const QRect rect = RowRect(r);
        p.setPen(ColorFromRef(r == m_nHover ? m_clrHover : m_clrNormal));
        const MenuItem& item = m_items[static_cast<size_t>(r)];
        DrawFittedCaption(p, rect.adjusted(kMarkRoom, 0, -kMarkRoom, 0),
                          QString::fromStdString(item.text), Qt::AlignCenter);
        if (item.marked) DrawMark(p, rect);
    }
    p.setPen(ColorFromRef(kFrameColour));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    return canvas;
}

void CMenuDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, ComposePicture(PaintScale(this, painter)));
}

CMenuDlg* CMenuDlg::SubMenuAt(const QPointF& globalPos) const {
    if (!m_pSubMenu || !m_pSubMenu->isVisible()) return nullptr;
    const QPoint p = m_pSubMenu->mapFromGlobal(globalPos.toPoint());
    return m_pSubMenu->rect().contains(p) ? m_pSubMenu : nullptr;
}

// A real popup gets the pointer's events for the whole screen, those over its sub-menu too:
// they go on to the sub-menu.
void CMenuDlg::mousePressEvent(QMouseEvent* event) {
    if (rect().contains(event->position().toPoint()) || SubMenuAt(event->globalPosition())) {
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);  // a real popup closes on a press outside
}

void CMenuDlg::mouseMoveEvent(QMouseEvent* event) {
    if (CMenuDlg* sub = SubMenuAt(event->globalPosition())) {
        sub->SetHover(sub->RowAt(sub->mapFromGlobal(event->globalPosition().toPoint())));
        return;
    }
    SetHover(RowAt(event->position().toPoint()));
}

void CMenuDlg::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    if (CMenuDlg* sub = SubMenuAt(event->globalPosition())) {
        sub->PickRow(sub->RowAt(sub->mapFromGlobal(event->globalPosition().toPoint())));
        return;
    }
    PickRow(m_nHover);
}

void CMenuDlg::PickRow(int row) {
    if (row < 0 || row >= m_nRows || RowHasSubItems(row)) return;
    PostWinMessage(
        m_pOwner, WM_CHILD_CLICK,
        static_cast<uintptr_t>(static_cast<uint32_t>(m_items[static_cast<size_t>(row)].code)),
        m_ownerValue);
}

CMenuDlg* CMenuDlg::KeyTarget() const {
    return m_bKeysInSub && m_pSubMenu ? m_pSubMenu : const_cast<CMenuDlg*>(this);
}

void CMenuDlg::MoveHover(int delta) {
    if (m_nRows <= 0) return;
    int row = m_nHover;
    if (row < 0)
        row = delta > 0 ? 0 : m_nRows - 1;
    else
        row = ((row + delta) % m_nRows + m_nRows) % m_nRows;
    SetHover(row);
}

bool CMenuDlg::JumpToLetter(const QString& text) {
    if (text.isEmpty() || !text.at(0).isPrint() || text.at(0).isSpace()) return false;
    const QString letter = text.left(1).toCaseFolded();
    for (int i = 1; i <= m_nRows; ++i) {
        const int row = ((m_nHover < 0 ? -1 : m_nHover) + i) % m_nRows;
        const QString caption =
            QString::fromStdString(m_items[static_cast<size_t>(row)].text).trimmed();
        if (caption.left(1).toCaseFolded() == letter) {
            SetHover(row);
            return true;
        }
    }
    return false;
}

bool CMenuDlg::EnterSubMenu() {
    if (m_bSubMenu || !RowHasSubItems(m_nHover)) return false;
    if (!m_pSubMenu) OpenSubMenu(m_nHover);
    if (!m_pSubMenu) return false;
    m_bKeysInSub = true;
    m_pSubMenu->SetHover(0);
    return true;
}

bool CMenuDlg::HandleKey(const QKeyEvent* event) {
    CMenuDlg* target = KeyTarget();
    const bool inSub = target != this;
    switch (event->key()) {
        case Qt::Key_Up:
            target->MoveHover(-1);
            return true;
        case Qt::Key_Down:
            target->MoveHover(1);
            return true;
        case Qt::Key_Home:
            target->SetHover(target->m_nRows > 0 ? 0 : -1);
            return true;
        case Qt::Key_End:
            target->SetHover(target->m_nRows - 1);
            return true;
        case Qt::Key_Right:
            if (!inSub) EnterSubMenu();
            return true;
        case Qt::Key_Left:
        case Qt::Key_Escape:
            if (!inSub) return event->key() == Qt::Key_Left;
            m_bKeysInSub = false;
            m_pSubMenu->SetHover(-1);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            if (event->isAutoRepeat()) return true;
            if (!inSub && EnterSubMenu()) return true;
            target->PickRow(target->m_nHover);
            return true;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return true;  // the focus stays where the menu was opened from
        default:
            if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return false;
            return target->JumpToLetter(event->text());
    }
}

void CMenuDlg::keyPressEvent(QKeyEvent* event) {
    if (IsSwallowedMenuKey(event->key())) return event->accept();
    QWidget::keyPressEvent(event);
}

void CMenuDlg::keyReleaseEvent(QKeyEvent* event) {
    if (IsSwallowedMenuKey(event->key())) return event->accept();
    QWidget::keyReleaseEvent(event);
}
