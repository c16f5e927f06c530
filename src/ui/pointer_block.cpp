// The pointer block and the desktop: which settings this desktop takes, and its current values
// shown at start (the desktop is the truth; the profile follows it).
#include <QGraphicsOpacityEffect>

#include "config/ui_text.h"
#include "profile/profile_list.h"
#include "ui/mivora_dlg.h"

namespace {

constexpr unsigned kBlockSettings = platform::kPointerDoubleClick | platform::kPointerScrollLines |
                                    platform::kPointerPrecision | platform::kPointerSpeed;

void Fade(QWidget& w, bool inert) {
    w.setEnabled(!inert);
    // Disabled skinned controls look as before, so they fade; the tip says why.
    if (inert) {
        auto* fade = new QGraphicsOpacityEffect(&w);
        fade->setOpacity(0.4);
        w.setGraphicsEffect(fade);
    } else {
        w.setGraphicsEffect(nullptr);
    }
}

void SetInert(CPngSliderBar& bar, bool inert, const std::string& why) {
    Fade(bar, inert);
    bar.setToolTip(inert ? QString::fromStdString(why) : QString());
}

void SetInert(CPngBtn& button, bool inert, const std::string& why) {
    Fade(button, inert);
    button.SetToolTip(inert ? why : "");
}

}  // namespace

std::string CMivoraDlg::PointerNotice() const {
    if (m_pointerInert == 0) return "";
    return m_pointerInert == kBlockSettings ? g_UiText.tc_ptr_none : g_UiText.tc_ptr_part;
}

void CMivoraDlg::ShowDesktopPointerState(const DesktopPointerState& state) {
    m_pointerState = state;
    // Settings turned off on purpose stay editable: they are kept in the profile for later.
    m_pointerInert = state.turnedOff ? 0 : kBlockSettings & ~state.supported;
    const std::string why = PointerNotice();
    auto inert = [&](unsigned setting) { return (m_pointerInert & setting) != 0; };
    SetInert(m_barSpeed, inert(platform::kPointerSpeed), why);
    SetInert(m_lblSpeed, inert(platform::kPointerSpeed), why);
    SetInert(m_barScroll, inert(platform::kPointerScrollLines), why);
    SetInert(m_lblScroll, inert(platform::kPointerScrollLines), why);
    SetInert(m_barDbClick, inert(platform::kPointerDoubleClick), why);
    SetInert(m_lblDbClick, inert(platform::kPointerDoubleClick), why);
    SetInert(m_swEnhance, inert(platform::kPointerPrecision), why);
    update();
}

void CMivoraDlg::ReadDesktopPointerOnce() {
    if (m_bDesktopPointerRead || !m_pointerState.available) return;
    auto snap = g_ProfileList.Snapshot();
    if (!snap) return;
    m_bDesktopPointerRead = true;
    PointerSettings desktop = snap->pointer;
    if (ReadPointerSettings(desktop) != 0)
        g_ProfileList.Edit([&](ProfileRecord& p) { p.pointer = desktop; });
}
