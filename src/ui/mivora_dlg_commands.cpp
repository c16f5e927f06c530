// Window commands of the main window: minimise, exit, about, language, home page, export,
// import, macro editor and restoring the defaults.
#include <QApplication>

#include <cstdio>

#include "config/program_config.h"
#include "config/ui_text.h"
#include "core/log.h"
#include "core/paths.h"
#include "device/session_state.h"
#include "macro/macro_files.h"
#include "macro/macro_library.h"
#include "profile/apply_thread.h"
#include "profile/profile_defaults.h"
#include "profile/profile_export.h"
#include "profile/profile_list.h"
#include "profile/profile_restore.h"
#include "profile/profile_store.h"
#include "skin/skin_config.h"
#include "skin/skin_settings.h"
#include "ui/app_tray.h"
#include "ui/macro_dlg.h"
#include "ui/mivora_dlg.h"
#include "ui/mivora_dlg_children.h"
#include "ui/mivora_dlg_files.h"
#include "ui/std_dialogs.h"
#include "ui/url_opener.h"

void CMivoraDlg::ClosePopupMenu() {
    CloseOpenPopupMenu();
}

void CMivoraDlg::OnMinimise() {
    ClosePopupMenu();
    if (g_Config.ExitType == 0) {
        g_pfnLog("Min window");
        if (g_Config.TrayIcon == 1 || g_Config.TrayIcon == 3) {
            // Hidden only when the tray icon can bring it back.
            if (HasTray())
                hide();
            else
                showMinimized();
        }
        return;
    }
    showMinimized();
}

void CMivoraDlg::OnExitButton() {
    if (g_Config.ExitType == 0) {
        hide();
        OnExit();
        return;
    }
    if ((g_Config.TrayIcon == 1 || g_Config.TrayIcon == 3) && HasTray()) hide();
}

void CMivoraDlg::OnExit() {
    if (m_bExiting) return;
    g_pfnLog("OnExit");
    m_bExiting = true;
    // A stage value still held back is written before the apply thread stops with the window.
    if (m_dpiApply.Flush()) g_ApplyThread.WaitIdle(kExitApplyWaitMs);
    // Save first: a dialog or menu that is still open must not keep the profile from the disk.
    SaveProfileOnce();
    CloseMessageWindows();
    ClosePopupMenu();
    hide();
    QMetaObject::invokeMethod(
        this, [this] { close(); }, Qt::QueuedConnection);
    // Ends every running event loop, the modal ones included.
    if (m_bQuitAppOnExit) QCoreApplication::exit(0);
}

void CMivoraDlg::OnAbout() {
    RunAboutDialog(this);
}

void CMivoraDlg::OnHomePage() {
    OpenWebAddress(g_UiText.tc_mainweb);
}

void CMivoraDlg::RefreshHomeLink() {
    if (!m_bHasHome) return;
    // The area is drawn as a link: its text, or the address itself when a language has none.
    std::string caption = g_UiText.tc_homepage;
    if (caption.empty()) {
        caption = g_UiText.tc_mainweb;
        const size_t scheme = caption.find("://");
        if (scheme != std::string::npos) caption.erase(0, scheme + 3);
    }
    m_btnHome.SetCaption(caption);
    m_btnHome.SetToolTip(g_UiText.tc_mainweb);
}

void CMivoraDlg::OnMacroEditor() {
    // The library and the editor need no mouse; a mouse that is there is checked first.
    if (m_link->IsConnected() && !Gate()) return;
    CMacroDlg editor(this);
    editor.DoModal();
    if (m_bExiting) return;
    // Keys that played a macro deleted in the editor go back to their default function (and to
    // the mouse with ApplyNow); saved macros may be played by keys: show their new names.
    if (SyncMacroKeys())
        OnMacrosChanged();
    else if (auto snap = g_ProfileList.Snapshot())
        RefreshKeyButtons(snap->KeySetIndex());
}

void CMivoraDlg::OnExport() {
    // Without a mouse the profile stored for the model is exported; the dialog names it.
    const bool stored = !m_link->IsConnected();
    if (!stored && !Gate()) return;
    const DeviceModel* model = pSensorCfg.load();
    const std::string name = model ? ModelDisplayName(*model) : std::string();
    ProfileFileRequest request;
    request.save = true;
    request.suggestedName = name;
    if (stored) {
        request.title = g_UiText.tc_export_stored;
        const size_t at = request.title.find("%s");
        if (at != std::string::npos) request.title.replace(at, 2, name);
    }
    std::string path = ChooseProfileFile(this, request);
    if (path.empty() || m_bExiting) return;
    if (ExportProfile(path) != 1) g_pfnLog("OnExport: not exported");  // the user was told
}

void CMivoraDlg::OnImport() {
    if (!Gate()) return;
    ProfileFileRequest request;
    const std::string path = ChooseProfileFile(this, request);
    if (path.empty() || m_bExiting) return;
    if (ImportProfile(path, g_bProfileReady.load() != 0) == 1) {
        UpdateControlsFromProfile();
        if (!SavePro()) g_pfnLog("OnImport: profile kept in memory, saved at exit");
        TakeImportedRules(path);
    }
}

void CMivoraDlg::RestoreDefaults() {
    if (!Gate()) return;
    if (!AskQuestionText(this, g_UiText.tc_msg5) || m_bExiting) return;
    if (!m_link->IsConnected() && g_Config.GoWithNoDev == 0) {
        ShowNoticeText(this, g_UiText.tc_msg15);
        return;
    }
    if (g_bProfileReady.load() == 0) {
        ShowNoticeText(this, g_UiText.tc_adv_str15);
        return;
    }
    if (!Gate()) return;
    const int stage = ResetProfileToDefaults();
    if (stage < 0) return;
    UpdateControlsFromProfile();
    SelectDpiStage(stage);
    // The defaults reach the disk at once, so a crash during the reset cannot undo them.
    if (!SavePro()) g_pfnLog("RestoreDefaults: profile kept in memory, saved at exit");
    PostApplyWithProgress(kRestoreApplyFlags);
    RunRestoreProgress(this);
}

void CMivoraDlg::SwitchLanguage(int index) {
    if (index < 0 || index >= g_Config.LangCount || index >= kMaxLanguages) return;
    LoadUiTexts(LanguageTextPath(g_szAppDir, g_Config.Lang[index].folder));
    UseStandardDialogLanguage(LocaleOfLanguageFolder(g_Config.Lang[index].folder));
    ApplySkinConfig();
    for (size_t i = 0; i < m_cbLang.Items().size(); ++i)
        if (m_cbLang.Items()[i].value == index && m_cbLang.SelectedIndex() != static_cast<int>(i))
            m_cbLang.SelectIndex(static_cast<int>(i));
    RefreshTexts();
    // The new language is in use either way; it is only not remembered for the next start.
    if (!WriteLangIndex(g_szDataDir, index)) g_pfnLog("OnLanguage: lang.ini not written");
}

void CMivoraDlg::RefreshTexts() {
    struct Caption {
        CPngBtn* btn;
        const std::string* text;
    };
    const Caption captions[] = {{&m_btnMacro, &g_UiText.tc_mac_def},
                                {&m_btnRestore, &g_UiText.tc_restore},
                                {&m_btnImport, &g_UiText.tc_msg33},
                                {&m_btnExport, &g_UiText.tc_msg32}};
    for (const Caption& c : captions) {
        c.btn->SetCaption(*c.text);
        if (g_Config.BtnTips) c.btn->SetToolTip(*c.text);
    }
    for (int i = 0; i < 5; ++i) {
        m_btnLight[i].SetCaption(g_UiText.LedMode(i + 1));
        if (g_Config.BtnTips) m_btnLight[i].SetToolTip(g_UiText.LedMode(i + 1));
    }
    m_swEnhance.SetWords(g_UiText.tc_msg25, g_UiText.tc_msg26);
    ShowDesktopPointerState(m_pointerState);  // its line and tips in the new language
    RefreshHomeLink();
    RefreshLinkState(true);
    PlaceLightButtons();
    PlaceKeyButtons();
    PlaceBottomButtons();
    if (m_pTray) m_pTray->RefreshTexts();
    if (auto snap = g_ProfileList.Snapshot()) RefreshKeyButtons(snap->KeySetIndex());
    RefreshAccessibleNames();
    RefreshRulesButton();
    update();
}
