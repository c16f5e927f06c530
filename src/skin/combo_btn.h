// The drop-down selector: a CPngBtn with an item list whose click opens the popup menu and
// whose caption is the selected item's name.
#pragma once

#include <QPoint>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "skin/png_btn.h"

// One row handed to the popup menu: parent 255 for a first-level row.
struct PopupListItem {
    int parent = 255;
    int code = 0;
    std::string text;
    bool marked = false;  // the selected item
};

// The popup menu lives with the windows; it registers itself here so that combos can open it.
// Show returns non-zero when the menu was shown.
using ShowPopupMenuFn =
    std::function<int(QWidget* owner, const std::vector<PopupListItem>& items, int width,
                      QPoint topLeft, uint32_t clrNormal, uint32_t clrHover, intptr_t ownerValue)>;
using ClosePopupMenuFn = std::function<void()>;
void SetPopupMenuHandlers(ShowPopupMenuFn show, ClosePopupMenuFn close);

class CComboBtn : public CPngBtn {
    Q_OBJECT
  public:
    static constexpr int kMaxListed = 20;     // items offered in the list
    static constexpr int kMaxNameChars = 19;  // name length kept per item
    static constexpr int kRowHeight = 20;     // assumed row height when placing the list

    struct Item {
        int value = 0;
        std::string name;
    };

    explicit CComboBtn(QWidget* parent = nullptr);

    void AddItem(int value, const std::string& name);
    void ClearItems();
    const std::vector<Item>& Items() const { return m_items; }
    // Negative: no selection and an empty caption; past the end: nothing changes.
    void SelectIndex(int index);
    int SelectedIndex() const { return m_nSelIndex; }
    int SelectedValue() const { return m_nSelValue; }

    // Opens the list below (or, near the bottom of the screen, above) the combo; returns the
    // popup's result, 0 when there is nothing to show or no popup menu is registered.
    int OpenList();

    int m_nDropWidth = 0;  // 0: the combo's width - 4
    int m_nCtrlId = 0;
    // Asked before a pick is taken; a 0 answer refuses it.
    std::function<int(intptr_t)> m_pfnValidate;
    intptr_t m_validateArg = 0;

  signals:
    // The user picked an item and the selection changed to it.
    void selectionPicked(int index);

  protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // Enter, Space and Alt+Down open the list as a click does.
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

  private:
    void TakePick(int code);

    std::vector<Item> m_items;
    int m_nSelIndex = -1;
    int m_nSelValue = -1;
};
