// The program's skinned popup menu: one first-level list with at most one second-level list
// beside it. A pick is reported to the owner with WM_CHILD_CLICK (code, owner value); the
// owner closes the menu.
#pragma once

#include <QImage>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <cstdint>
#include <string>
#include <vector>

inline constexpr int kMenuMaxItems = 50;
inline constexpr int kMenuTextChars = 39;
inline constexpr int kMenuTopLevel = 255;  // parent of a first-level row

struct MenuItem {
    int parent = kMenuTopLevel;  // 255, or the index of the first-level row that holds it
    int code = 0;                // reported when chosen
    std::string text;            // at most 39 characters
    bool marked = false;         // the current choice (or, for a sub-menu's row, holds it)
};

// Fills list[index]; the text is cut to 39 characters. Does nothing for a null list or a
// negative index.
void SetMenuItem(MenuItem* list, int index, int parent, int code, const std::string& text);

// Loads the four row images for all menus and registers the menu with the combo buttons;
// returns 1, or 0 when "menu_nr.png" is missing (menus then get rows of height 0).
int LoadMenuImages();
void FreeMenuImages();

class CMenuDlg;

// Closes any open menu and opens a new one at topLeft (screen) with the given width. Returns
// 1 when shown; 0 without doing anything for a null owner, position or list or a count of 0.
// More than 50 items give an empty menu.
int ShowPopupMenu(QWidget* owner, int count, int width, const QPoint* topLeft, uint32_t clrNormal,
                  uint32_t clrHover, intptr_t ownerValue, const MenuItem* items);
// Destroys the open menu and its sub-menu, unless a menu is being made.
void ClosePopupMenu();
// The open first-level menu; nullptr when none.
CMenuDlg* CurrentPopupMenu();

class CMenuDlg : public QWidget {
    Q_OBJECT
  public:
    // owner receives WM_CHILD_CLICK; a second-level menu's owner is its first-level menu.
    CMenuDlg(QObject* owner, bool subMenu);
    ~CMenuDlg() override;

    // Copies the items (an empty list when more than 50), counts the rows and lays out the
    // rows for width and row height h; the window gets (x, y, width, h * rows + 2).
    void Setup(const MenuItem* items, int count, int width, int rowHeight, const QPoint& topLeft,
               uint32_t clrNormal, uint32_t clrHover, intptr_t ownerValue);

    const std::vector<MenuItem>& Items() const { return m_items; }
    int RowCount() const { return m_nRows; }
    QRect RowRect(int row) const;        // client coordinates; empty outside the rows
    int RowAt(const QPoint& pos) const;  // -1 when none
    int HoverIndex() const { return m_nHover; }
    CMenuDlg* SubMenu() const { return m_pSubMenu; }
    bool IsSubMenu() const { return m_bSubMenu; }
    intptr_t OwnerValue() const { return m_ownerValue; }
    // Moves the hover to row (opening or closing the sub-menu as the pointer would).
    void SetHover(int row);

    // The menu's picture as painted.
    QImage ComposePicture(qreal scale = 1) const;

    // Keys while the menu is open (the menu never takes the focus; the application hands them
    // over): Up/Down/Home/End move, Right or Enter opens a sub-menu, Left or Esc leaves it,
    // Enter or Space picks, a letter jumps to the next row starting with it. False for a key
    // the menu does not use (Esc on the first level: the menu closes).
    bool HandleKey(const QKeyEvent* event);
    // The menu the keys act in: the sub-menu once Right entered it, else this one.
    CMenuDlg* KeyTarget() const;
    // Reports row as picked to the owner; rows that open a sub-menu are not picks.
    void PickRow(int row);

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

  private:
    bool RowHasSubItems(int row) const;
    // The open sub-menu when globalPos is over it; nullptr otherwise.
    CMenuDlg* SubMenuAt(const QPointF& globalPos) const;
    void CloseSubMenu();
    void OpenSubMenu(int row);
    void MoveHover(int delta);
    bool JumpToLetter(const QString& text);
    bool EnterSubMenu();

    QPointer<QObject> m_pOwner;  // may close before the menu
    bool m_bSubMenu;
    std::vector<MenuItem> m_items;
    int m_nRows = 0;
    int m_nRowHeight = 0;
    int m_nWidth = 0;
    intptr_t m_ownerValue = 0;
    uint32_t m_clrNormal = 0;
    uint32_t m_clrHover = 0;
    int m_nHover = -1;
    CMenuDlg* m_pSubMenu = nullptr;
    bool m_bMakingSub = false;
    bool m_bKeysInSub = false;
};
