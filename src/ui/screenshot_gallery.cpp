#include "ui/screenshot_gallery.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include <filesystem>
#include <functional>

#include "config/program_config.h"
#include "config/ui_text.h"
#include "core/log.h"
#include "core/paths.h"
#include "macro/macro_files.h"
#include "macro/macro_record.h"
#include "macro/macro_tree.h"
#include "profile/function_codes.h"
#include "profile/profile_defaults.h"
#include "profile/profile_list.h"
#include "sim/virtual_mouse.h"
#include "skin/png_btn.h"
#include "skin/skin_settings.h"
#include "ui/about_dlg.h"
#include "ui/app_rules_dlg.h"
#include "ui/dpi_grid_dlg.h"
#include "ui/firekey_dlg.h"
#include "ui/macro_dlg.h"
#include "ui/menu_dlg.h"
#include "ui/mivora_dlg.h"
#include "ui/msg_dlg.h"
#include "ui/osd_popup.h"
#include "ui/permission_dlg.h"
#include "ui/pick_macro_dlg.h"
#include "ui/progress_dlg.h"
#include "ui/screenshot.h"
#include "ui/std_dialogs.h"
#include "ui/tree_ctrl_ex.h"

namespace {

void Settle() {
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents();
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

// The main window with the open menu (and its sub-menu) drawn where they stand on the screen.
QImage GrabWithMenu(CMivoraDlg& window) {
    QImage shot = window.grab().toImage();
    CMenuDlg* menu = CurrentPopupMenu();
    if (!menu) return shot;
    const QPoint origin = window.mapToGlobal(QPoint(0, 0));
    QPainter p(&shot);
    for (QWidget* w : {static_cast<QWidget*>(menu), static_cast<QWidget*>(menu->SubMenu())}) {
        if (!w || !w->isVisible()) continue;
        p.drawPixmap(w->pos() - origin, w->grab());
    }
    return shot;
}

// Shows dlg as a window-modal dialog of parent, lets it paint, writes it (also as a screen scaled
// by 2 shows it, "_2x") and closes it.
int Shoot(QDialog& dlg, const std::string& path, const std::function<void()>& prepare = {}) {
    dlg.open();
    Settle();
    if (prepare) {
        prepare();
        Settle();
    }
    const int written = RenderWidgetToPng(&dlg, path) +
                        RenderWidgetToPng(&dlg, path.substr(0, path.size() - 4) + "_2x.png", 2);
    dlg.reject();
    Settle();
    return written;
}

// Waits (bounded) until the window shows this state of the link.
bool SettleInState(CMivoraDlg& window, LinkState state) {
    QElapsedTimer t;
    t.start();
    while (window.ShownLinkState() != state && t.elapsed() < 5000) Settle();
    Settle();
    return window.ShownLinkState() == state;
}

// The window with the dialog drawn where it stands in front of it.
QImage GrabWithDialog(CMivoraDlg& window, QWidget* dialog) {
    QImage shot = window.grab().toImage();
    if (!dialog) return shot;
    QPainter p(&shot);
    p.drawPixmap(dialog->pos() - window.mapToGlobal(QPoint(0, 0)), dialog->grab(), QRect());
    return shot;
}

StMacro SampleMacro(const std::string& name, uint32_t id, const std::string& keys) {
    StMacro m;
    m.dwMagicNumber = kMacroMagic;
    m.dwMacroID = id;
    m.wLoopCount = 1;
    SetMacroName(m, name);
    size_t at = 0;
    for (char c : keys) {
        const auto vk = static_cast<uint16_t>(c);
        m.stEvents[at++] = {vk, 1, 60};
        m.stEvents[at++] = {vk, 0, 45};
    }
    return m;
}

// The main window as a user finds the DPI stage and the keys: the current stage's value open for
// typing, and the pointer on a key row with its place lit on the mouse picture.
int ShootPanels(CMivoraDlg& window, const std::string& path) {
    CDpiGridDlg* grid = window.DpiGrid(g_nCurDpiLevel.load());
    if (grid && grid->isVisible()) grid->BeginEdit();
    CPngBtn* key = window.KeyButton(2);
    QEvent enter(QEvent::Enter), leave(QEvent::Leave);
    QApplication::sendEvent(key, &enter);
    Settle();
    const int written = RenderWidgetToPng(&window, path);
    QApplication::sendEvent(key, &leave);
    if (grid && grid->IsEditing()) {
        if (auto* edit = grid->findChild<QLineEdit*>()) {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(edit, &escape);
        }
    }
    Settle();
    return written;
}

// The rules editor with a few rules, as on an X11 desktop, over the window.
int ShootRules(CMivoraDlg& window, const std::string& path) {
    CAppRulesDlg::Setup setup;
    const AppRule samples[] = {{"steam_app_730", 1, 2}, {"org.mozilla.firefox", 2, -1}};
    for (const AppRule& r : samples) setup.rules.Put(r);
    setup.sourceName = "X11";
    if (auto snap = g_ProfileList.Snapshot())
        for (int s = 0; s < 4; ++s) setup.stageDpi.push_back(snap->stages[s].xDpi);
    setup.recent = [] {
        return std::vector<std::string>{"org.gnome.Nautilus", "steam_app_730", "code"};
    };
    CAppRulesDlg rules(&window, std::move(setup));
    rules.open();
    Settle();
    rules.RuleList()->setCurrentRow(0);
    Settle();
    const QImage shot = GrabWithDialog(window, &rules);
    rules.reject();
    Settle();
    return !shot.isNull() && shot.save(QString::fromStdString(path)) ? 1 : 0;
}

}  // namespace

void PrepareScreenshotLibrary() {
    const std::string root = MacroFolder();
    std::error_code ec;
    std::filesystem::create_directories(root + "/Shooter", ec);
    std::filesystem::create_directories(root + "/Office", ec);
    const struct {
        const char* file;
        StMacro macro;
    } samples[] = {
        {"/Shooter/Reload.zqm", SampleMacro("Reload", 0x101, "R")},
        {"/Shooter/Burst.zqm", SampleMacro("Burst", 0x102, "QWE")},
        {"/Office/Signature.zqm", SampleMacro("Signature", 0x103, "MIVORA")},
        {"/Jump.zqm", SampleMacro("Jump", 0x104, " ")},
    };
    // A sample that cannot be written only leaves the editor's pictures emptier.
    for (const auto& sample : samples)
        if (!WriteMacroFile(root + sample.file, sample.macro))
            g_pfnLog("Screenshots: cannot write %s", sample.file);
}

int WriteScreenshots(CMivoraDlg& window, const std::string& dir, const std::string& model,
                     bool dialogs) {
    int written = 0;
    const int saved = ReadLangIndex(g_szDataDir);
    const int count = g_Config.LangCount > 0 ? g_Config.LangCount : 1;
    for (int k = 0; k < count; ++k) {
        if (g_Config.LangCount > 0) window.SwitchLanguage(k);
        Settle();
        const std::string tag = g_Config.LangCount > 0 && !g_Config.Lang[k].folder.empty()
                                    ? g_Config.Lang[k].folder
                                    : std::to_string(k);
        const std::string suffix = "_" + tag + ".png";
        written += RenderWidgetToPng(&window, dir + "/main_" + model + suffix);
        // The first language also as screens scaled by 1 and 2 show it, whatever this one is.
        if (k == 0) {
            written +=
                RenderWidgetToPng(&window, dir + "/main_" + model + "_" + tag + "_1x.png", 1);
            written +=
                RenderWidgetToPng(&window, dir + "/main_" + model + "_" + tag + "_2x.png", 2);
        }
        if (dialogs) written += ShootPanels(window, dir + "/panels" + suffix);
        window.OnKeyButtonClicked(1);
        Settle();
        if (CMenuDlg* menu = CurrentPopupMenu()) {
            // Open the media submenu, the longest list.
            for (int row = 0; row < menu->RowCount(); ++row)
                if (menu->Items()[row].code == 0x04000000) menu->SetHover(row);
            Settle();
        }
        const QImage shot = GrabWithMenu(window);
        ClosePopupMenu();
        if (!shot.isNull() && shot.save(QString::fromStdString(dir + "/menu_" + model + suffix)))
            ++written;
        if (!dialogs) continue;

        // The library's folders show only with folders switched on; the pictures show them.
        const int macroDir = g_Config.MacroDir;
        g_Config.MacroDir = 1;
        LoadMacroLibrary(nullptr, true, true);
        {
            CMacroDlg editor(&window);
            written += Shoot(editor, dir + "/editor" + suffix, [&editor] {
                // The first recorded macro, with its events listed.
                CTreeCtrlEx* tree = editor.MacroTreeCtrl();
                CTreeItem* pick = nullptr;
                tree->WalkChildren(
                    nullptr,
                    [&](CTreeItem* item, TreeItemRecord*, const QString& t) {
                        if (t == "Burst") pick = item;
                        return pick ? 1 : 0;
                    },
                    true);
                if (!pick) return;
                tree->EnsureVisible(pick);
                const QPoint at = tree->ItemRect(pick).center();
                QMouseEvent press(QEvent::MouseButtonPress, QPointF(at),
                                  QPointF(tree->mapToGlobal(at)), Qt::LeftButton, Qt::LeftButton,
                                  Qt::NoModifier);
                QApplication::sendEvent(tree, &press);
            });
        }
        {
            CPickMacroDlg picker(&window);
            written += Shoot(picker, dir + "/picker" + suffix);
        }
        g_Config.MacroDir = macroDir;
        LoadMacroLibrary(nullptr, macroDir != 0, true);
        {
            CFirekeyDlg fire(&window);
            fire.m_nMax = 3;
            written += Shoot(fire, dir + "/firekey_fire" + suffix);
        }
        {
            CFirekeyDlg count255(&window);
            count255.m_nMax = 255;
            written += Shoot(count255, dir + "/firekey_macro" + suffix);
        }
        {
            // The colour dialog as the lighting picker and a DPI stage's colour open it.
            QColorDialog colour(QColor(0x3d, 0x8b, 0xd9), &window);
            colour.setOption(QColorDialog::DontUseNativeDialog, true);
            colour.setPalette(StandardDialogPalette());
            written += Shoot(colour, dir + "/colour" + suffix);
        }
        const struct {
            int mode;
            const char* name;
            std::string text;
        } forms[] = {{CMsgDlg::kMessage, "msg_message", g_UiText.tc_msg29},
                     {CMsgDlg::kConfirm, "msg_confirm", g_UiText.tc_msg5},
                     {CMsgDlg::kText, "msg_text", g_UiText.tc_macro_msg11},
                     {CMsgDlg::kNumber, "msg_number", g_UiText.tc_macro_msg12},
                     {CMsgDlg::kKeyCapture, "msg_capture", g_UiText.tc_combo_tips}};
        for (const auto& f : forms) {
            CMsgDlg msg(&window);
            msg.m_nMode = f.mode;
            msg.m_strText = f.text;
            msg.m_bModifierBoxes = f.mode == CMsgDlg::kKeyCapture ? 1 : 0;
            written += Shoot(msg, dir + "/" + f.name + suffix);
        }
        {
            CProgressDlg progress(&window);
            SetupDefaultProgress(progress);
            progress.m_nPos = 40;
            written += Shoot(progress, dir + "/progress" + suffix);
        }
        {
            CAboutDlg about(&window);
            written += Shoot(about, dir + "/about" + suffix);
        }
        written += ShootRules(window, dir + "/rules" + suffix);
        {
            COsdPopup osd;
            osd.ShowStage("DPI-2", "1600", "");
            Settle();
            written += RenderWidgetToPng(&osd, dir + "/osd" + suffix);
        }
    }
    if (g_Config.LangCount > 0) window.SwitchLanguage(saved);
    return written;
}

int WriteStateScreenshots(CMivoraDlg& window, sim::VirtualMouseBackend& mouse,
                          const std::string& dir) {
    int written = 0;
    const int saved = ReadLangIndex(g_szDataDir);
    const int count = g_Config.LangCount > 0 ? g_Config.LangCount : 1;
    auto tagOf = [](int k) {
        return g_Config.LangCount > 0 && !g_Config.Lang[k].folder.empty() ? g_Config.Lang[k].folder
                                                                          : std::to_string(k);
    };
    mouse.Unplug(0);
    window.Session().SearchAgain();
    if (SettleInState(window, LinkState::kNoMouse)) {
        for (int k = 0; k < count; ++k) {
            if (g_Config.LangCount > 0) window.SwitchLanguage(k);
            Settle();
            written += RenderWidgetToPng(&window, dir + "/nomouse_" + tagOf(k) + ".png");
        }
    }
    mouse.SetOpenDenied(0, true);
    mouse.Replug(0);
    window.Session().SearchAgain();
    if (SettleInState(window, LinkState::kNoPermission)) {
        for (int k = 0; k < count; ++k) {
            if (CPermissionDlg* open = window.PermissionDialog()) open->reject();
            Settle();
            if (g_Config.LangCount > 0) window.SwitchLanguage(k);
            window.ShowPermissionDialog();
            Settle();
            const QImage shot = GrabWithDialog(window, window.PermissionDialog());
            const std::string file = dir + "/permission_" + tagOf(k) + ".png";
            if (!shot.isNull() && shot.save(QString::fromStdString(file))) ++written;
        }
        if (CPermissionDlg* open = window.PermissionDialog()) open->reject();
    }
    mouse.SetOpenDenied(0, false);
    window.Session().SearchAgain();
    SettleInState(window, LinkState::kConnected);
    if (g_Config.LangCount > 0) window.SwitchLanguage(saved);
    return written;
}
