// The self-painted tree of the macro editor and the macro picker: folders and macros of the
// library, or the lines of a macro's key list. Every item carries a record saying what it stands
// for; clicks and keys become numbered messages to the owner.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "skin/image.h"

// Notifications to the owner: first parameter the control id, second the CTreeItem* hit (or 0).
inline constexpr uint32_t kTreeMsgLeftClick = 0x594;    // after the selection moved to the item
inline constexpr uint32_t kTreeMsgDoubleClick = 0x591;  // after the item's folder state toggled
inline constexpr uint32_t kTreeMsgRightClick = 0x592;   // after the item was selected
// Keys: Delete asks to delete the selected item, F2 to rename it (second parameter the item).
inline constexpr uint32_t kTreeMsgDeleteKey = 0x595;
inline constexpr uint32_t kTreeMsgRenameKey = 0x596;

inline constexpr int kTreeItemLeaf = 1;
inline constexpr int kTreeItemFolder = 2;

struct CTreeItem;

// What an item stands for.
struct TreeItemRecord {
    CTreeItem* item = nullptr;
    SkinImage icon;      // drawn before the text; null when none
    int ownsIcon = 0;    // icons are value types here; kept for callers that ask
    uint32_t value = 0;  // macro tree: dwMacroID; key list: key code or pause in ms
    int kind = 0;        // key list: 0 released, 1 pressed, 2 pause
    int type = kTreeItemLeaf;
    int textIndent = 5;
    int expanded = 0;
};

struct CTreeItem {
    CTreeItem* parent = nullptr;  // nullptr: top level
    QString text;
    TreeItemRecord rec;
    std::vector<std::unique_ptr<CTreeItem>> children;
};

class CTreeCtrlEx : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kItemHeight = 20;
    static constexpr int kIconBox = 18;
    static constexpr int kGap = 2;
    static constexpr int kIndent = 19;
    static constexpr int kMaxFolderDepth = 5;
    static constexpr int kTipThreshold = 12;
    static constexpr uint32_t kSelectedRowArgb = 0x96FFFFFF;
    static constexpr uint32_t kBackgroundArgb = 0xFF000000;
    static constexpr uint32_t kFrameColour = 0x646464;

    explicit CTreeCtrlEx(QWidget* parent = nullptr);
    ~CTreeCtrlEx() override;

    // Places the control at rect in parent with control id id. background (may be null) is the
    // owner's picture: the part under rect becomes the control's own background. The expand
    // marks are read from the two paths; one that fails to load is not drawn. Returns 1.
    int Create(QWidget* parent, int id, const QImage* background, const std::string& openMark,
               const std::string& closedMark, const QRect& rect);
    int CtrlId() const { return m_nId; }
    // Receiver of the notifications (the parent after Create).
    void SetOwner(QObject* owner) { m_pOwner = owner; }

    // Appends a folder or leaf under parent (nullptr: top level). Refused (nullptr) when parent
    // is not a folder of this tree, or for a folder whose parent has kMaxFolderDepth ancestors.
    CTreeItem* InsertLibraryItem(CTreeItem* parent, bool folder, bool select,
                                 const std::string& iconPath, const std::string& text,
                                 uint32_t value, int kind, int textIndent = 5);
    // A leaf directly before or after item, under the same parent; nullptr for no item.
    CTreeItem* InsertNextTo(CTreeItem* item, bool before, const QImage& icon,
                            const std::string& text, uint32_t value, int kind);
    // A leaf last at the top level.
    CTreeItem* AppendLine(const QImage& icon, const std::string& text, uint32_t value, int kind);
    // Removes item with its children; nothing for an unknown item.
    void RemoveItem(CTreeItem* item);
    void Clear();
    void SetItemTextAndValue(CTreeItem* item, const std::string* text, const uint32_t* value);
    // The record of an item of this tree; nullptr for none or an unknown item.
    TreeItemRecord* FindRecord(CTreeItem* item) const;
    // Visits parent's children (nullptr: the top level's) in order, children first when
    // recursive. A non-zero result of fn stops the walk and makes it return 1; else 0.
    using WalkFn = std::function<int(CTreeItem*, TreeItemRecord*, const QString&)>;
    int WalkChildren(CTreeItem* parent, const WalkFn& fn, bool recursive);
    // Number of ancestors (0 for a top-level item, -1 for none).
    int ItemDepth(const CTreeItem* item) const;
    CTreeItem* Selected() const { return m_pSelected; }
    void Select(CTreeItem* item);
    void ToggleExpand(CTreeItem* item);
    // Scrolls so that item's row is inside the client area.
    void EnsureVisible(CTreeItem* item);
    // Top-level items, in order.
    const std::vector<std::unique_ptr<CTreeItem>>& TopItems() const { return m_root.children; }
    int VisibleRowCount() const { return static_cast<int>(m_rows.size()); }
    // Row rectangle of a visible item (client coordinates); empty when hidden.
    QRect ItemRect(const CTreeItem* item) const;
    CTreeItem* ItemAt(const QPoint& pos) const;
    CTreeItem* HoveredItem() const { return m_pHover; }

    // Owner-set settings.
    uint32_t m_clrTextNormal = 0xC8C8C8;
    uint32_t m_clrTextSelected = 0xFFFFFF;
    uint32_t m_argbSelectedRow = kSelectedRowArgb;
    uint32_t m_argbBackground = kBackgroundArgb;
    int m_bAcceptMouse = 1;
    int m_bNoNotifyOnSelected = 1;

    // The skinned list look of the macro windows: the configuration's list colours
    // ("LstBox_bkg_clr" and "LstBox_item_clr" made opaque, "LstBox_txt_clr_dn" and
    // "LstBox_txt_clr_nr" for the text).
    void UseListColours();

    QImage ComposePicture(qreal scale = 1) const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    // Up/Down/Home/End/Page keys move the selection as a click would (the owner hears a left
    // click), Left/Right close and open folders, Enter acts as a double click, Delete and F2
    // ask the owner, the menu key opens the item's menu. False for other keys.
    bool HandleKey(const QKeyEvent* event);
    void SelectByKey(CTreeItem* item);
    struct Row {
        CTreeItem* item;
        int depth;
    };
    bool Owns(const CTreeItem* item) const;
    void Relayout();
    void Notify(uint32_t msg, CTreeItem* item);
    int RowIndex(const CTreeItem* item) const;
    void ClampScroll();
    // Left edge of the item's text rectangle (the native tree's rule: one indent per level
    // plus one for the root lines).
    static int TextLeft(int depth) { return (depth + 1) * kIndent; }

    CTreeItem m_root;
    std::vector<Row> m_rows;  // visible items, top to bottom
    CTreeItem* m_pSelected = nullptr;
    CTreeItem* m_pHover = nullptr;
    QObject* m_pOwner = nullptr;
    int m_nId = 0;
    int m_nScroll = 0;              // first visible row
    bool m_bKeyboardFocus = false;  // the focus came by keyboard: the ring shows
    SkinImage m_imgBack;
    SkinImage m_imgOpen, m_imgClosed;
};

struct MacroTreeNode;
// Adds node's children (folders with their icons, macros with their ids, library text indent)
// under parent of tree, depth first; onItem hears every pair made. Children refused by the tree
// are left out with what is inside them.
void MirrorMacroTree(CTreeCtrlEx& tree, CTreeItem* parent, const MacroTreeNode* node,
                     const std::function<void(CTreeItem*, const MacroTreeNode*)>& onItem = {});
