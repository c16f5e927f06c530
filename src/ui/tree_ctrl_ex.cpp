#include "ui/tree_ctrl_ex.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>

#include "config/program_config.h"
#include "macro/macro_tree.h"
#include "skin/caption_fit.h"
#include "skin/focus_ring.h"
#include "skin/image.h"
#include "skin/skin_settings.h"
#include "skin/win_message.h"

namespace {

// A file that fails to load gives no image at all.
SkinImage LoadOrNone(const std::string& path) {
    if (path.empty()) return SkinImage();
    SkinImage image = LoadSkinImageFile(path);
    return image.width() > 0 ? image : SkinImage();
}

uint32_t OpaqueArgb(uint32_t bgr) {
    // 0x00BBGGRR to an opaque 0xAARRGGBB
    return 0xFF000000u | ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
}

QFont TreeFont() {
    QFont font = ShellDlgFont(15);
    font.setWeight(QFont::DemiBold);  // weight 600
    return font;
}

}  // namespace

CTreeCtrlEx::CTreeCtrlEx(QWidget* parent) : QWidget(parent), m_pOwner(parent) {
    m_root.rec.type = kTreeItemFolder;
    m_root.rec.expanded = 1;
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setFont(TreeFont());
}

CTreeCtrlEx::~CTreeCtrlEx() = default;

int CTreeCtrlEx::Create(QWidget* parent, int id, const QImage* background,
                        const std::string& openMark, const std::string& closedMark,
                        const QRect& rect) {
    if (parent && parentWidget() != parent) setParent(parent);
    m_pOwner = parent;
    m_nId = id;
    setObjectName(QString::number(id));
    setGeometry(rect);
    if (background && background->width() > 0)
        m_imgBack = CloneArea(*background, rect.x(), rect.y(), rect.width(), rect.height());
    m_imgOpen = LoadOrNone(openMark);
    m_imgClosed = LoadOrNone(closedMark);
    Relayout();
    return 1;
}

bool CTreeCtrlEx::Owns(const CTreeItem* item) const {
    if (!item) return false;
    const CTreeItem* top = item;
    while (top->parent) top = top->parent;
    for (const auto& c : m_root.children)
        if (c.get() == top) return true;
    return false;
}

CTreeItem* CTreeCtrlEx::InsertLibraryItem(CTreeItem* parent, bool folder, bool select,
                                          const std::string& iconPath, const std::string& text,
                                          uint32_t value, int kind, int textIndent) {
    if (parent && (!Owns(parent) || parent->rec.type != kTreeItemFolder)) return nullptr;
    if (folder && parent && ItemDepth(parent) >= kMaxFolderDepth) return nullptr;
    CTreeItem* owner = parent ? parent : &m_root;
    auto node = std::make_unique<CTreeItem>();
    node->parent = parent;
    node->text = QString::fromStdString(text);
    node->rec.item = node.get();
    node->rec.icon = LoadOrNone(iconPath);
    node->rec.ownsIcon = node->rec.icon.isNull() ? 0 : 1;
    node->rec.value = value;
    node->rec.kind = kind;
    node->rec.type = folder ? kTreeItemFolder : kTreeItemLeaf;
    node->rec.textIndent = textIndent;
    CTreeItem* added = node.get();
    owner->children.push_back(std::move(node));
    if (select) {
        if (parent) parent->rec.expanded = 1;
        m_pSelected = added;
    }
    Relayout();
    return added;
}

CTreeItem* CTreeCtrlEx::InsertNextTo(CTreeItem* item, bool before, const QImage& icon,
                                     const std::string& text, uint32_t value, int kind) {
    if (!Owns(item)) return nullptr;
    CTreeItem* owner = item->parent ? item->parent : &m_root;
    auto it = std::find_if(owner->children.begin(), owner->children.end(),
                           [item](const auto& c) { return c.get() == item; });
    if (!before) ++it;
    auto node = std::make_unique<CTreeItem>();
    node->parent = item->parent;
    node->text = QString::fromStdString(text);
    node->rec.item = node.get();
    node->rec.icon = icon;
    node->rec.value = value;
    node->rec.kind = kind;
    node->rec.type = kTreeItemLeaf;
    CTreeItem* added = node.get();
    owner->children.insert(it, std::move(node));
    Relayout();
    return added;
}

CTreeItem* CTreeCtrlEx::AppendLine(const QImage& icon, const std::string& text, uint32_t value,
                                   int kind) {
    auto node = std::make_unique<CTreeItem>();
    node->text = QString::fromStdString(text);
    node->rec.item = node.get();
    node->rec.icon = icon;
    node->rec.value = value;
    node->rec.kind = kind;
    CTreeItem* added = node.get();
    m_root.children.push_back(std::move(node));
    Relayout();
    return added;
}

void CTreeCtrlEx::RemoveItem(CTreeItem* item) {
    if (!Owns(item)) return;
    // Selection and hover must not point into the removed branch.
    for (CTreeItem** p : {&m_pSelected, &m_pHover}) {
        for (CTreeItem* a = *p; a; a = a->parent)
            if (a == item) {
                *p = nullptr;
                break;
            }
    }
    CTreeItem* owner = item->parent ? item->parent : &m_root;
    auto& list = owner->children;
    list.erase(
        std::remove_if(list.begin(), list.end(), [item](const auto& c) { return c.get() == item; }),
        list.end());
    Relayout();
}

void CTreeCtrlEx::Clear() {
    m_root.children.clear();
    m_pSelected = nullptr;
    m_pHover = nullptr;
    m_nScroll = 0;
    setToolTip(QString());
    Relayout();
}

void CTreeCtrlEx::SetItemTextAndValue(CTreeItem* item, const std::string* text,
                                      const uint32_t* value) {
    if (!Owns(item)) return;
    if (text) item->text = QString::fromStdString(*text);
    if (value) item->rec.value = *value;
    update();
}

TreeItemRecord* CTreeCtrlEx::FindRecord(CTreeItem* item) const {
    return Owns(item) ? &item->rec : nullptr;
}

int CTreeCtrlEx::WalkChildren(CTreeItem* parent, const WalkFn& fn, bool recursive) {
    CTreeItem* owner = parent ? (Owns(parent) ? parent : nullptr) : &m_root;
    if (!owner) return 0;
    // Copy the list first: a callback may remove items of other branches.
    std::vector<CTreeItem*> items;
    for (const auto& c : owner->children) items.push_back(c.get());
    for (CTreeItem* c : items) {
        if (recursive && WalkChildren(c, fn, true)) return 1;
        if (fn(c, &c->rec, c->text)) return 1;
    }
    return 0;
}

int CTreeCtrlEx::ItemDepth(const CTreeItem* item) const {
    if (!item) return -1;
    int depth = 0;
    for (const CTreeItem* a = item->parent; a; a = a->parent) ++depth;
    return depth;
}

void CTreeCtrlEx::Select(CTreeItem* item) {
    m_pSelected = Owns(item) ? item : nullptr;
    update();
}

void CTreeCtrlEx::ToggleExpand(CTreeItem* item) {
    if (!Owns(item)) return;
    // Drawing stays off while the rows change.
    setUpdatesEnabled(false);
    item->rec.expanded = item->rec.expanded ? 0 : 1;
    Relayout();
    setUpdatesEnabled(true);
}

void CTreeCtrlEx::Relayout() {
    m_rows.clear();
    std::function<void(CTreeItem*, int)> add = [&](CTreeItem* owner, int depth) {
        for (const auto& c : owner->children) {
            m_rows.push_back({c.get(), depth});
            if (c->rec.type == kTreeItemFolder && c->rec.expanded) add(c.get(), depth + 1);
        }
    };
    add(&m_root, 0);
    ClampScroll();
    update();
}

void CTreeCtrlEx::ClampScroll() {
    const int page = std::max(1, height() / kItemHeight);
    m_nScroll = std::clamp(m_nScroll, 0, std::max(0, static_cast<int>(m_rows.size()) - page));
}

int CTreeCtrlEx::RowIndex(const CTreeItem* item) const {
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].item == item) return static_cast<int>(i);
    return -1;
}

void CTreeCtrlEx::EnsureVisible(CTreeItem* item) {
    for (CTreeItem* a = item ? item->parent : nullptr; a; a = a->parent) a->rec.expanded = 1;
    Relayout();
    const int row = RowIndex(item);
    if (row < 0) return;
    const int page = std::max(1, height() / kItemHeight);
    if (row < m_nScroll) m_nScroll = row;
    if (row >= m_nScroll + page) m_nScroll = row - page + 1;
    ClampScroll();
    update();
}

QRect CTreeCtrlEx::ItemRect(const CTreeItem* item) const {
    const int row = RowIndex(item);
    if (row < 0) return {};
    return QRect(0, (row - m_nScroll) * kItemHeight, width(), kItemHeight);
}

CTreeItem* CTreeCtrlEx::ItemAt(const QPoint& pos) const {
    if (pos.y() < 0 || pos.x() < 0 || pos.x() >= width()) return nullptr;
    const int row = pos.y() / kItemHeight + m_nScroll;
    return row < static_cast<int>(m_rows.size()) ? m_rows[row].item : nullptr;
}

void CTreeCtrlEx::Notify(uint32_t msg, CTreeItem* item) {
    PostWinMessage(m_pOwner, msg, static_cast<uintptr_t>(m_nId),
                   static_cast<intptr_t>(reinterpret_cast<uintptr_t>(item)));
}

void CTreeCtrlEx::mousePressEvent(QMouseEvent* event) {
    if (!m_bAcceptMouse) return;
    if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton) return;
    m_bKeyboardFocus = false;
    CTreeItem* hit = ItemAt(event->position().toPoint());
    CTreeItem* previous = m_pSelected;
    m_pSelected = hit;
    if (event->button() == Qt::LeftButton) {
        if (hit) {
            setFocus(Qt::MouseFocusReason);
            const int row = RowIndex(hit);
            if (hit->rec.type == kTreeItemFolder &&
                event->position().x() < TextLeft(m_rows[row].depth))
                ToggleExpand(hit);
        }
        update();
        if (hit == previous && hit && m_bNoNotifyOnSelected) return;
        Notify(kTreeMsgLeftClick, hit);
    } else {
        update();
        Notify(kTreeMsgRightClick, hit);
    }
}

void CTreeCtrlEx::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!m_bAcceptMouse || event->button() != Qt::LeftButton) return;
    CTreeItem* hit = ItemAt(event->position().toPoint());
    m_pSelected = hit;
    update();
    if (!hit) return;
    ToggleExpand(hit);
    Notify(kTreeMsgDoubleClick, hit);
}

void CTreeCtrlEx::mouseReleaseEvent(QMouseEvent*) {}  // swallowed

void CTreeCtrlEx::mouseMoveEvent(QMouseEvent* event) {
    CTreeItem* hit = ItemAt(event->position().toPoint());
    if (hit == m_pHover) return;
    m_pHover = hit;
    QToolTip::hideText();
    setToolTip(QString());
    if (hit && hit->text.size() > kTipThreshold) {
        setFocus(Qt::MouseFocusReason);
        setToolTip(hit->text);
    }
}

void CTreeCtrlEx::leaveEvent(QEvent*) {
    m_pHover = nullptr;
}

void CTreeCtrlEx::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y() / 120;
    m_nScroll -= steps * 3;
    ClampScroll();
    update();
}

void CTreeCtrlEx::keyPressEvent(QKeyEvent* event) {
    // Tab leaves the tree; other keys never reach the dialog (a stray Enter must not close it).
    if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) return event->ignore();
    if (HandleKey(event) && !m_bKeyboardFocus) {
        m_bKeyboardFocus = true;
        update();
    }
    event->accept();
}

void CTreeCtrlEx::keyReleaseEvent(QKeyEvent* event) {
    event->accept();
}

void CTreeCtrlEx::resizeEvent(QResizeEvent*) {
    ClampScroll();
}

void CTreeCtrlEx::UseListColours() {
    m_argbBackground = OpaqueArgb(g_Config.LstBox_bkg_clr);
    m_argbSelectedRow = OpaqueArgb(g_Config.LstBox_item_clr);
    m_clrTextSelected = g_Config.LstBox_txt_clr_dn;
    m_clrTextNormal = g_Config.LstBox_txt_clr_nr;
    update();
}

QImage CTreeCtrlEx::ComposePicture(qreal scale) const {
    QImage canvas = NewCanvas(size(), scale);
    QPainter p(&canvas);
    if (!m_imgBack.isNull())
        DrawImage(p, m_imgBack, rect(), m_imgBack.rect());
    else
        FillArgb(p, rect(), m_argbBackground);
    p.setFont(font());
    const int clientBottom = height();
    for (size_t i = static_cast<size_t>(m_nScroll); i < m_rows.size(); ++i) {
        const int top = (static_cast<int>(i) - m_nScroll) * kItemHeight;
        if (top >= clientBottom) break;
        const CTreeItem* item = m_rows[i].item;
        const TreeItemRecord& rec = item->rec;
        const int L = TextLeft(m_rows[i].depth);
        const QRect row(0, top, width(), kItemHeight);
        if (item == m_pSelected) FillArgb(p, row, m_argbSelectedRow);
        QRect iconBox;
        int textLeft;
        const bool folder = rec.type == kTreeItemFolder;
        if (folder) {
            const QRect button(L - kIndent, top, kIndent, kItemHeight);
            const SkinImage& mark = rec.expanded ? m_imgOpen : m_imgClosed;
            if (!mark.isNull()) {
                const QSize s = mark.size().boundedTo(button.size());
                QRect r(QPoint(0, 0), s);
                r.moveCenter(button.center());
                DrawImage(p, mark, r, mark.rect());
            }
        }
        if (folder || m_rows[i].depth > 0) {
            // Inside a folder an item lines up with the folders beside it (mark column, icon
            // box, text), so a child always starts right of its folder's name.
            iconBox = QRect(L + kGap, top, kIconBox, kItemHeight);
            textLeft = L + rec.textIndent + 2 * kGap + kIconBox;
        } else {
            iconBox = QRect(L - kIndent, top, kIndent, kItemHeight);
            textLeft = L + rec.textIndent;
        }
        if (!rec.icon.isNull()) {
            QRect r(0, 0, kIconBox, kIconBox);
            r.moveCenter(iconBox.center());
            DrawImage(p, rec.icon, r, rec.icon.rect());
        }
        const QRect textRect(textLeft, top, width() - 5 - textLeft, kItemHeight);
        if (textRect.width() > 0) {
            p.setPen(ColorFromRef(item == m_pSelected ? m_clrTextSelected : m_clrTextNormal));
            DrawFittedCaption(p, textRect, item->text, Qt::AlignLeft | Qt::AlignVCenter);
        }
    }
    p.setPen(ColorFromRef(kFrameColour));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    return canvas;
}

void CTreeCtrlEx::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, ComposePicture(PaintScale(this, p)));
    if (m_bKeyboardFocus && hasFocus()) DrawFocusRing(p, rect(), m_clrTextSelected);
}

void MirrorMacroTree(CTreeCtrlEx& tree, CTreeItem* parent, const MacroTreeNode* node,
                     const std::function<void(CTreeItem*, const MacroTreeNode*)>& onItem) {
    if (!node) return;
    for (const auto& child : node->children) {
        CTreeItem* item = tree.InsertLibraryItem(parent, child->isFolder, false, child->iconPath,
                                                 child->name, child->macroId, 0, 5);
        if (!item) continue;
        if (onItem) onItem(item, child.get());
        if (child->isFolder) MirrorMacroTree(tree, item, child.get(), onItem);
    }
}
