// The main window's way to the rules by application: a button right of the key sets that names
// the focus source, and the rules editor it opens.
#include <QFontMetrics>

#include <algorithm>

#include "config/device_model.h"
#include "config/program_config.h"
#include "config/ui_text.h"
#include "core/paths.h"
#include "profile/app_rules.h"
#include "profile/focus_watch.h"
#include "profile/profile_list.h"
#include "skin/factories.h"
#include "skin/png_btn.h"
#include "ui/app_rules_dlg.h"
#include "ui/app_tray.h"
#include "ui/mivora_dlg.h"

namespace {
constexpr int kRulesButtonH = 20;
constexpr int kRulesButtonMinW = 60;
constexpr int kRulesGap = 8;

std::string RulesCaption() {
    return g_UiText.tc_rules_button.empty() ? std::string("Rules…") : g_UiText.tc_rules_button;
}
}  // namespace

void CMivoraDlg::CreateRulesButton() {
    NewSmallPngButton(&m_imgBg, this, "dpi_nr.png", "dpi_nr.png", "dpi_ov.png", &m_btnRules, 0, 0,
                      RulesCaption().c_str(), 0, 0, kRulesButtonMinW, kRulesButtonH);
    m_btnRules.setFocusPolicy(Qt::StrongFocus);
    connect(&m_btnRules, &QAbstractButton::clicked, this, [this] {
        ClosePopupMenu();
        OpenRulesDialog();
    });
    RefreshRulesButton();
}

void CMivoraDlg::PlaceRulesButton() {
    // In the key sets' row, after the third; as wide as its caption within the key list.
    const QRect last = m_btnKeySet[kKeySets - 1].geometry();
    const QRect first = m_btnKey[0].geometry();
    const int left = last.right() + 1 + kRulesGap;
    const int need = QFontMetrics(m_btnRules.CaptionFont())
                         .horizontalAdvance(QString::fromStdString(m_btnRules.Caption())) +
                     16;
    const int room = std::max(kRulesButtonMinW, first.right() + 1 - left);
    PlaceButton(&m_btnRules,
                QRect(left, last.y(), std::clamp(need, kRulesButtonMinW, room), last.height()));
}

void CMivoraDlg::RefreshRulesButton() {
    const std::string caption = RulesCaption();
    m_btnRules.SetCaption(caption);
    const QString name =
        QString::fromStdString(g_UiText.tc_rules_title.empty() ? caption : g_UiText.tc_rules_title);
    if (m_btnRules.accessibleName() != name) m_btnRules.setAccessibleName(name);
    // Which source tells the application in front, or that none does on this desktop.
    const QString source = QString::fromStdString(
        CAppRulesDlg::SourceLine(m_focusWatch ? m_focusWatch->SourceName() : nullptr));
    if (m_btnRules.accessibleDescription() != source) m_btnRules.setAccessibleDescription(source);
    m_btnRules.SetToolTip(source.toStdString());
    if (m_btnKeySet[0].parentWidget()) PlaceRulesButton();
}

int CMivoraDlg::OpenRulesDialog() {
    CAppRulesDlg::Setup setup;
    FocusWatch* focus = m_focusWatch.get();
    const std::string path = g_szDataDir + kAppRulesFile;
    setup.rules = focus ? focus->Rules() : LoadAppRules(path);
    setup.sourceName = focus ? focus->SourceName() : nullptr;
    if (auto snap = g_ProfileList.Snapshot()) {
        const DeviceModel* model = pSensorCfg.load();
        const int stages = model ? std::clamp(model->DM, 0, kMaxRuleStages) : 0;
        for (int s = 0; s < stages; ++s) setup.stageDpi.push_back(snap->stages[s].xDpi);
    }
    if (focus) {
        setup.recent = [focus] { return focus->RecentApps(); };
        setup.store = [focus](const AppRules& rules) { return focus->SetRules(rules); };
    } else {
        setup.store = [path](const AppRules& rules) { return SaveAppRules(rules, path); };
    }
    // The applications the user brings to the front while choosing are offered.
    if (focus) focus->SetPicking(true);
    CAppRulesDlg dlg(this, std::move(setup));
    const int result = dlg.DoModal();
    if (focus) focus->SetPicking(false);
    if (m_pTray) m_pTray->UpdateFocusItem();
    return result;
}
