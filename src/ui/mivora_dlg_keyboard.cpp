// The main window for keyboard and screen-reader users: which controls Tab reaches and in
// what order, what each control is called, and the F1 key.
#include <QAccessible>
#include <QKeyEvent>

#include <string>

#include "config/ui_text.h"
#include "ui/dpi_grid_dlg.h"
#include "ui/key_mark_dlg.h"
#include "ui/mivora_dlg.h"
#include "ui/pick_color_dlg.h"
#include "ui/state_banner.h"

namespace {

// A text with one "%d" filled in (the texts come from the language files).
std::string WithNumber(const std::string& format, int n) {
    std::string text = format;
    const size_t at = text.find("%d");
    if (at != std::string::npos) text.replace(at, 2, std::to_string(n));
    return text;
}

void Name(QWidget* w, const std::string& text) {
    const QString name = QString::fromStdString(text);
    if (w->accessibleName() != name) w->setAccessibleName(name);
}

}  // namespace

std::vector<QWidget*> CMivoraDlg::FocusOrder() {
    // Title bar, the state banner's link while it shows, key list, DPI stages, rate, lighting,
    // pointer block, bottom row.
    std::vector<QWidget*> order = {&m_cbLang, &m_btnAbout, &m_btnMin, &m_btnExit};
    if (m_pBanner) order.push_back(m_pBanner->Link());
    for (CPngBtn& b : m_btnKeySet) order.push_back(&b);
    order.push_back(&m_btnRules);
    for (CPngBtn& b : m_btnKey) order.push_back(&b);
    for (CDpiGridDlg* g : m_pDpiGrid)
        if (g) order.push_back(g);
    for (CPngBtn& b : m_btnRate) order.push_back(&b);
    for (CPngBtn& b : m_btnLight) order.push_back(&b);
    if (m_pPickColor) order.push_back(m_pPickColor);
    order.insert(order.end(), {&m_barLight1, &m_barLight2, &m_swEnhance, &m_barSpeed, &m_barScroll,
                               &m_swPageScroll, &m_barDbClick, &m_btnExport, &m_btnImport,
                               &m_btnMacro, &m_btnRestore});
    if (m_bHasHome) order.push_back(&m_btnHome);
    return order;
}

void CMivoraDlg::SetUpKeyboard() {
    // Lamps and shown values are read, not used.
    for (CPngBtn* lamp : {&m_btnBt, &m_btn24g}) {
        lamp->setFocusPolicy(Qt::NoFocus);
        lamp->m_role = CPngBtn::Role::Indicator;
    }
    for (CPngBtn* label : {&m_lblSpeed, &m_lblScroll, &m_lblDbClick}) {
        label->setFocusPolicy(Qt::NoFocus);
        label->m_role = CPngBtn::Role::Label;
    }
    for (CPngBtn& b : m_btnRate) b.m_role = CPngBtn::Role::Radio;
    for (CPngBtn& b : m_btnLight) b.m_role = CPngBtn::Role::Radio;
    if (m_pMark) m_pMark->setFocusPolicy(Qt::NoFocus);

    const std::vector<QWidget*> order = FocusOrder();
    for (size_t i = 0; i + 1 < order.size(); ++i) setTabOrder(order[i], order[i + 1]);
    RefreshAccessibleNames();
}

void CMivoraDlg::RefreshAccessibleNames() {
    Name(&m_btnMin, g_UiText.tc_acc_min);
    Name(&m_btnExit, g_UiText.tc_acc_close);
    Name(&m_btnAbout, g_UiText.tc_acc_about);
    Name(&m_cbLang, g_UiText.tc_acc_lang);
    Name(&m_btnBt, g_UiText.tc_acc_bt);
    Name(&m_btn24g, g_UiText.tc_acc_24g);
    for (int i = 0; i < 16; ++i) {
        Name(&m_btnKey[i], WithNumber(g_UiText.tc_acc_key, i + 1));
        // The key's place on the mouse picture is a button too: a reader walking the window meets
        // it.
        if (CPngBtn* zone = m_pMark ? m_pMark->KeyButton(i) : nullptr)
            Name(zone, WithNumber(g_UiText.tc_acc_key, i + 1));
    }
    for (CDpiGridDlg* g : m_pDpiGrid)
        if (g) Name(g, WithNumber(g_UiText.tc_acc_dpi, g->m_nIndex + 1));
    if (m_pPickColor) Name(m_pPickColor, g_UiText.tc_acc_color);
    Name(&m_barLight1, g_UiText.tc_msg2);
    Name(&m_barLight2, g_UiText.tc_msg3);
    Name(&m_swEnhance, g_UiText.tc_adv_str5);
    Name(&m_barSpeed, g_UiText.tc_adv_str2);
    Name(&m_lblSpeed, g_UiText.tc_adv_str2);
    Name(&m_barScroll, g_UiText.tc_adv_str3);
    Name(&m_lblScroll, g_UiText.tc_adv_str3);
    Name(&m_swPageScroll, g_UiText.tc_acc_page);
    Name(&m_barDbClick, g_UiText.tc_adv_str1);
    Name(&m_lblDbClick, g_UiText.tc_adv_str1);
    Name(this, g_UiText.tc_appdata);
    AnnounceStatus();
}

void CMivoraDlg::AnnounceStatus() {
    // The line under the mouse picture is painted; a screen reader hears it from here.
    const QString status = QString::fromStdString(StatusText());
    if (accessibleDescription() == status) return;
    setAccessibleDescription(status);
    if (isVisible()) {
        QAccessibleEvent alert(this, QAccessible::Alert);
        QAccessible::updateAccessibility(&alert);
    }
}

bool CMivoraDlg::HandleWindowKey(QKeyEvent* e) {
    if (e->key() == Qt::Key_F1 && e->modifiers() == Qt::NoModifier) {
        if (!e->isAutoRepeat()) OnAbout();
        return true;
    }
    return false;
}
