// Prints where the controls of the program's windows are, as "name x y" lines in the
// coordinates of their own top-level window, for the test that drives the real program with
// synthetic input. It lays the windows out offscreen with the same code, model and skin, so
// the script never hard-codes a position.
#include <QApplication>
#include <QColorDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <string>

#include "config/program_config.h"
#include "config/ui_text.h"
#include "core/paths.h"
#include "device/session_state.h"
#include "macro/macro_files.h"
#include "profile/function_codes.h"
#include "profile/profile_list.h"
#include "sim/virtual_mouse.h"
#include "skin/png_btn.h"
#include "skin/png_slider.h"
#include "skin/png_slider_bar.h"
#include "skin/skin_config.h"
#include "skin/skin_settings.h"
#include "ui/dpi_grid_dlg.h"
#include "ui/firekey_dlg.h"
#include "ui/macro_dlg.h"
#include "ui/menu_dlg.h"
#include "ui/mivora_dlg.h"
#include "ui/msg_dlg.h"
#include "ui/permission_dlg.h"
#include "ui/pick_color_dlg.h"
#include "ui/pick_macro_dlg.h"
#include "ui/std_dialogs.h"
#include "ui/tree_ctrl_ex.h"

namespace {

void Print(const char* name, QWidget* w, QPoint at) {
    const QPoint p = w->mapTo(w->window(), at);
    std::printf("%s %d %d\n", name, p.x(), p.y());
}
void PrintCentre(const std::string& name, QWidget* w) {
    Print(name.c_str(), w, w->rect().center());
}

bool WaitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

void ProbeMain(CMivoraDlg& w) {
    std::printf("size %d %d\n", w.width(), w.height());
    if (QScreen* s = QGuiApplication::primaryScreen())
        std::printf("screen %d %d\n", s->availableGeometry().width(),
                    s->availableGeometry().height());
    for (int k = 0; k < 8; ++k) PrintCentre("key" + std::to_string(k), w.KeyButton(k));
    for (int i = 0; i < 8; ++i)
        if (CDpiGridDlg* g = w.DpiGrid(i); g && g->isVisible()) {
            PrintCentre("dpi" + std::to_string(i), g);
            Print(("dpidown" + std::to_string(i)).c_str(), g, CDpiGridDlg::kDecreaseArea.center());
            Print(("dpiup" + std::to_string(i)).c_str(), g, CDpiGridDlg::kIncreaseArea.center());
        }
    for (int i = 0; i < kRateButtons; ++i) PrintCentre("rate" + std::to_string(i), w.RateButton(i));
    for (int i = 0; i < 5; ++i) PrintCentre("light" + std::to_string(i), w.LightButton(i));
    for (int id : {kIdBarLight1, kIdBarLight2}) {
        CPngSliderBar* bar = w.Bar(id);
        for (int v = 0; v <= 4; ++v)
            Print(("bar" + std::to_string(id) + "_" + std::to_string(v)).c_str(), bar,
                  QPoint(bar->Thumb()->StopX(v), bar->height() / 2));
    }
    CPickColorDlg* picker = w.PickColor();
    Print("picker", picker, picker->HotRegion().boundingRect().center());
    PrintCentre("restore", w.RestoreButton());
    PrintCentre("macro", w.MacroButton());

    // The function menu: its rows by function code.
    w.OnKeyButtonClicked(1);
    QApplication::processEvents();
    if (CMenuDlg* menu = CurrentPopupMenu()) {
        for (int r = 0; r < menu->RowCount(); ++r)
            std::printf("menurow_%x %d %d\n", static_cast<unsigned>(menu->Items()[r].code),
                        menu->RowRect(r).center().x(), menu->RowRect(r).center().y());
    }
    ClosePopupMenu();
}

void ProbeEditor(CMivoraDlg& w) {
    CMacroDlg editor(&w);
    if (!editor.Prepare()) return;
    std::printf("ed_size %d %d\n", editor.width(), editor.height());
    PrintCentre("ed_new", editor.NewButton());
    PrintCentre("ed_record", editor.RecordButton());
    PrintCentre("ed_save", editor.SaveButton());
    PrintCentre("ed_close", editor.CloseButton());
}

void ProbePicker(CMivoraDlg& w) {
    CPickMacroDlg picker(&w);
    if (!picker.Prepare()) return;
    PrintCentre("pk_ok", picker.OkButton());
    CTreeItem* first = nullptr;
    picker.Tree()->WalkChildren(
        nullptr,
        [&](CTreeItem* item, TreeItemRecord*, const QString&) {
            first = item;
            return 1;
        },
        true);
    if (first) Print("pk_first", picker.Tree(), picker.Tree()->ItemRect(first).center());
}

// The OK buttons of the small dialogs, in each form used by the test.
void ProbeSmallDialogs(CMivoraDlg& w) {
    {
        CFirekeyDlg dlg(&w);
        dlg.m_nMax = 255;
        dlg.open();
        QApplication::processEvents();
        if (dlg.OkButton()) PrintCentre("fk_ok", dlg.OkButton());
        dlg.reject();
    }
    for (const auto& [mode, name] :
         {std::pair{CMsgDlg::kConfirm, "msgconfirm_ok"}, std::pair{CMsgDlg::kText, "msgtext_ok"},
          std::pair{CMsgDlg::kKeyCapture, "msgcapture_ok"}}) {
        CMsgDlg dlg(&w);
        dlg.m_nMode = mode;
        dlg.m_strText = mode == CMsgDlg::kKeyCapture ? g_UiText.tc_combo_tips : "?";
        dlg.m_bModifierBoxes = mode == CMsgDlg::kKeyCapture ? 1 : 0;  // as a key's combination
        dlg.open();
        QApplication::processEvents();
        if (dlg.OkButton()) PrintCentre(name, dlg.OkButton());
        dlg.reject();
    }
}

// The permission help: its field and its buttons.
void ProbePermission(CMivoraDlg& w) {
    CPermissionDlg dlg(&w);
    dlg.show();
    QApplication::processEvents();
    PrintCentre("perm_field", dlg.Commands());
    if (dlg.CopyButton()) PrintCentre("perm_copy", dlg.CopyButton());
    if (dlg.OkButton()) PrintCentre("perm_ok", dlg.OkButton());
    dlg.reject();
}

void ProbeColourDialog() {
    // The dialog as AskColor shows it: its colour field and its OK button.
    QTimer::singleShot(0, [] {
        auto* dlg = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        if (!dlg) return;
        for (QLineEdit* e : dlg->findChildren<QLineEdit*>())
            if (e->text().startsWith('#')) PrintCentre("cd_html", e);
        for (QPushButton* b : dlg->findChildren<QPushButton*>())
            if (b->isDefault()) PrintCentre("cd_ok", b);
        dlg->reject();
    });
    AskColor(nullptr, QColor(0x33, 0x66, 0x99));
}

}  // namespace

// probe PROGRAM_FOLDER DATA_FOLDER CID MID
int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s PROGRAM_FOLDER DATA_FOLDER CID MID\n", argv[0]);
        return 2;
    }
    // Offscreen, on a screen the caller may describe (offscreen:configfile=...).
    if (!qEnvironmentVariable("QT_QPA_PLATFORM").startsWith("offscreen"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    g_szAppDir = std::string(argv[1]) + "/";
    g_szDataDir = std::string(argv[2]) + "/";
    if (!LoadConfig(g_szAppDir)) return 1;
    LoadUiTexts(LanguageTextPath(g_szAppDir, g_Config.Lang[0].folder));
    // The program's own font, as the program loads it: texts that wrap place what follows them.
    const int fontLoaded = LoadAppFont();
    ApplySkinConfig();
    if (!g_Config.FontName.empty() && fontLoaded) app.setFont(*SkinAppFont());
    LoadMenuImages();

    sim::VirtualMouseBackend backend;
    backend.SetLatency(std::chrono::microseconds(0));
    sim::VirtualMouseSetup setup;
    setup.cid = std::stoi(argv[3], nullptr, 0);
    setup.mid = std::stoi(argv[4], nullptr, 0);
    std::string error;
    if (backend.AddMouse(setup, error) != 0) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    auto notifications = backend.MakeNotifications();
    int rc = 0;
    {
        CMivoraDlg w(backend, notifications.get());
        w.m_bQuitAppOnExit = false;
        w.Session().m_nFindFirstDelayMs = 0;
        if (!w.InitDialog()) return 1;
        w.show();
        if (!WaitFor([&] { return w.Link().IsConnected() && g_bProfileReady.load() != 0; }, 5000)) {
            std::fprintf(stderr, "no mouse\n");
            rc = 1;
        } else {
            w.Session().WaitProfileRead();
            QApplication::processEvents();
            ProbeMain(w);
            ProbeEditor(w);
            ProbePicker(w);
            ProbeSmallDialogs(w);
            ProbePermission(w);
            ProbeColourDialog();
        }
        w.OnExit();
    }
    FreeMenuImages();
    if (fontLoaded) UnloadAppFont();
    return rc;
}
