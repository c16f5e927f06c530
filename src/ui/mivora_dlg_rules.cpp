// The main window's way to the rules by application: a button right of the key sets that names
// the focus source, and the rules editor it opens.
#include <QFontMetrics>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

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
#include "ui/mivora_dlg_children.h"

namespace {
constexpr int kRulesButtonH = 20;
constexpr int kRulesButtonMinW = 60;
constexpr int kRulesGap = 8;

// A text of the language files with its "%d" marks filled in order and its "%s" with name; the
// marks are found in the text as translated, so values never become marks themselves.
std::string FillNumbers(const std::string& format, const std::vector<std::string>& numbers,
                        const std::string& name) {
    std::string out;
    size_t next = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 'd' &&
            next < numbers.size()) {
            out += numbers[next++];
            ++i;
        } else if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 's') {
            out += name;
            ++i;
        } else {
            out += format[i];
        }
    }
    return out;
}

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
    // In the key sets' row, after the third; as wide as its caption, up to the first panel
    // beside the row (the row's caption leaves the key list's width too narrow for some words).
    const QRect last = m_btnKeySet[kKeySets - 1].geometry();
    const int left = last.right() + 1 + kRulesGap;
    int right = m_imgBg.width() - 20;
    for (const QRect& a : PanelAreas(true))
        if (a.x() > left && a.bottom() >= last.y() && a.top() <= last.bottom())
            right = std::min(right, a.x() - kRulesGap);
    const int need = QFontMetrics(m_btnRules.CaptionFont())
                         .horizontalAdvance(QString::fromStdString(m_btnRules.Caption())) +
                     16;
    const int room = std::max(kRulesButtonMinW, right + 1 - left);
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

RulesStore CMivoraDlg::WindowRulesStore() {
    // The switcher keeps the rules while the window runs; without one, the file is all there is.
    if (FocusWatch* focus = m_focusWatch.get())
        return {[focus] { return focus->Rules(); },
                [focus](const AppRules& rules) { return focus->SetRules(rules); }};
    return RulesFileStore(g_szDataDir + kAppRulesFile);
}

void CMivoraDlg::OnRulesChanged() {
    // As after the rules editor's OK: the switcher already holds them; the button and the tray
    // show them.
    RefreshRulesButton();
    if (m_pTray) m_pTray->UpdateFocusItem();
}

void CMivoraDlg::TakeImportedRules(const std::string& profilePath) {
    const RulesImport r =
        TakeRulesBeside(profilePath, WindowRulesStore(), [this](int userRules, int fileRules) {
            const std::string text = FillNumbers(
                g_UiText.tc_rules_import_ask.empty()
                    ? std::string("You have %d rules by application. Replace them with the %d "
                                  "rules exported with this profile?")
                    : g_UiText.tc_rules_import_ask,
                {std::to_string(userRules), std::to_string(fileRules)}, "");
            return AskQuestionText(this, text) == 1;
        });
    if (r.Changed()) OnRulesChanged();
    if (m_bExiting) return;
    using Outcome = RulesImport::Outcome;
    if (r.outcome == Outcome::kTaken || r.outcome == Outcome::kReplaced) {
        const std::string text = FillNumbers(g_UiText.tc_rules_import_taken.empty()
                                                 ? std::string("%d rules by application taken "
                                                               "from %s")
                                                 : g_UiText.tc_rules_import_taken,
                                             {std::to_string(r.fileRules)}, r.file);
        ShowNoticeText(this, text);
    } else if (r.outcome == Outcome::kDamaged || r.outcome == Outcome::kNotSaved) {
        // The user said nothing to the rules: a refused file is news.
        std::string text = r.message;
        if (!text.empty())
            text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
        ShowNoticeText(this, text + ".");
    }
}
