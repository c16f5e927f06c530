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
    if (!inert) {
        w.setGraphicsEffect(nullptr);
    } else if (!w.graphicsEffect()) {
        auto* fade = new QGraphicsOpacityEffect(&w);
        fade->setOpacity(0.4);
        w.setGraphicsEffect(fade);
    }
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
    RestPointerBlock();
    update();
}

void CMivoraDlg::RestPointerBlock() {
    // A setting rests when the desktop does not take it (the tip says why) or, like the other
    // controls of the profile, while no mouse is there to hold the profile.
    const std::string why = PointerNotice();
    const bool mouse = DeviceControlsActive();
    const struct {
        QWidget* w;
        unsigned setting;
    } parts[] = {{&m_barSpeed, platform::kPointerSpeed},
                 {&m_lblSpeed, platform::kPointerSpeed},
                 {&m_barScroll, platform::kPointerScrollLines},
                 {&m_lblScroll, platform::kPointerScrollLines},
                 {&m_barDbClick, platform::kPointerDoubleClick},
                 {&m_lblDbClick, platform::kPointerDoubleClick},
                 {&m_swEnhance, platform::kPointerPrecision}};
    for (const auto& part : parts) {
        const bool inert = (m_pointerInert & part.setting) != 0;
        Fade(*part.w, inert || !mouse);
        if (part.w != &m_swEnhance)
            part.w->setToolTip(inert ? QString::fromStdString(why) : QString());
    }
    m_swEnhance.SetToolTip((m_pointerInert & platform::kPointerPrecision) ? why : "");
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
