// The main window against the virtual mouse: the built program folder, a temporary data folder,
// a virtual mouse of a lighting model (or another) without latency, and the window after the
// first identification and profile read.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/session_state.h"
#include "platform/pointer_settings.h"
#include "profile/apply_thread.h"
#include "profile/pointer_apply.h"
#include "profile/profile_defaults.h"
#include "profile/profile_list.h"
#include "sim/mouse_memory.h"
#include "sim/virtual_mouse.h"
#include "ui/macro_dlg.h"
#include "ui/menu_dlg.h"
#include "ui/mivora_dlg.h"
#include "ui/msg_dlg.h"
#include "ui/ui_test_util.h"

namespace main_window_test {

inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Accepts (OK) the next modal dialog that opens, after handing it to inspect.
inline void AcceptNextModal(std::function<void(QDialog*)> inspect = {}) {
    QTimer::singleShot(0, [inspect] {
        if (auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            if (inspect) inspect(dlg);
            dlg->accept();
        }
    });
}

// Closes every modal dialog that opens (they run event loops of their own) and keeps their
// class names, the message dialogs' texts and the number of macro editors.
class ModalCatcher {
  public:
    ModalCatcher() {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dlg || !dlg->isVisible()) return;
            classes.push_back(dlg->metaObject()->className());
            if (auto* msg = qobject_cast<CMsgDlg*>(dlg)) texts.push_back(msg->m_strText);
            if (qobject_cast<CMacroDlg*>(dlg)) ++editors;
            dlg->reject();
        });
        m_timer.start(5);
    }
    std::vector<std::string> classes;
    std::vector<std::string> texts;
    int editors = 0;

  private:
    QTimer m_timer;
};

class MainWindowTest : public ::testing::Test {
  protected:
    // Lighting model with Bluetooth (DEV_2 of the shipped cfg.ini).
    static constexpr int kCid = 0x4D;
    static constexpr int kMid = 0x02;

    void SetUp() override { Start(kCid, kMid); }

    void Start(int cid, int mid) {
        g_szDataDir = m_data.path() + "/";
        g_bProfileReady = 0;
        g_bSearchDevice = 0;
        g_nCurDpiLevel = 0;
        m_savedApplyNow = g_Config.ApplyNow;
        g_Config.ApplyNow = 1;
        // Test runs never touch the desktop: its settings are turned off unless a test hands in
        // a stand-in.
        m_previousPointer =
            SetPointerSettingsBackend(m_pointerAtStart ? std::move(m_pointerAtStart)
                                                       : platform::MakeNullPointerSettings(true));
        LoadMenuImages();
        m_backend = std::make_unique<sim::VirtualMouseBackend>();
        m_backend->SetLatency(std::chrono::microseconds(0));
        sim::VirtualMouseSetup setup;
        setup.cid = cid;
        setup.mid = mid;
        std::string error;
        setup.link = m_link;
        ASSERT_EQ(m_backend->AddMouse(setup, error), 0) << error;
        if (!m_bStartPlugged) m_backend->Unplug(0);
        if (m_bStartDenied) m_backend->SetOpenDenied(0, true);
        m_notifications = m_backend->MakeNotifications();
        m_window = std::make_unique<CMivoraDlg>(*m_backend, m_notifications.get());
        m_window->m_bQuitAppOnExit = false;
        if (m_trayProbe) m_window->SetTrayProbe(m_trayProbe);
        m_window->Session().m_nFindFirstDelayMs = 0;
        m_window->Session().m_nFindIntervalMs = 50;
        m_window->Session().m_nRemovalSettleMs = 0;
        ASSERT_TRUE(m_window->InitDialog());
        m_window->show();
        if (!m_bStartPlugged || m_bStartDenied) {
            // A few searches have found nothing.
            QElapsedTimer t;
            t.start();
            while (t.elapsed() < 200) QApplication::processEvents(QEventLoop::AllEvents, 10);
            return;
        }
        ASSERT_TRUE(WaitUntil([this] { return Connected(); })) << "no mouse identified";
        m_window->Session().WaitProfileRead();
        ui_test::Pump();
    }

    void TearDown() override {
        ClosePopupMenu();
        if (m_window) g_ApplyThread.WaitIdle(3000);
        m_window.reset();
        m_notifications.reset();
        m_backend.reset();
        SetPointerSettingsBackend(std::move(m_previousPointer));
        g_Config.ApplyNow = m_savedApplyNow;
        g_ProfileList.Clear();
        FreeMenuImages();
    }

    bool Connected() { return m_window->Link().IsConnected() && g_bProfileReady.load() != 0; }
    ProfileRecord Profile() { return *g_ProfileList.Snapshot(); }
    // Waits for the apply thread and returns the mouse's memory bytes.
    std::vector<uint8_t> Memory(int address, int count) {
        EXPECT_TRUE(g_ApplyThread.WaitIdle(5000));
        m_backend->Drain();
        return m_backend->ReadMemory(0, address, count);
    }
    const DeviceModel& Model() { return *pSensorCfg.load(); }

    // Opens the function menu of key k and picks the row with code, opening the sub-menu of
    // parentCode first when given.
    void PickFunction(int key, int code, int parentCode = 0) {
        ui_test::ClickCentre(m_window->KeyButton(key));
        CMenuDlg* menu = CurrentPopupMenu();
        ASSERT_NE(menu, nullptr);
        CMenuDlg* target = menu;
        if (parentCode) {
            menu->SetHover(RowOf(menu, parentCode));
            target = menu->SubMenu();
            ASSERT_NE(target, nullptr);
        }
        const int row = RowOf(target, code);
        ASSERT_GE(row, 0);
        const QPoint at = target->RowRect(row).center();
        ui_test::SendMouse(target, QEvent::MouseMove, at);
        ui_test::Click(target, at);
        ui_test::Pump();
    }
    static int RowOf(CMenuDlg* menu, int code) {
        int row = 0;
        for (const MenuItem& item : menu->Items()) {
            if (item.parent != kMenuTopLevel && !menu->IsSubMenu()) continue;
            if (item.code == code) return row;
            ++row;
        }
        return -1;
    }

    ui_test::ProgramFolder m_program;
    testing_support::TempDir m_data;
    testing_support::RecordingNotifier m_notifier;
    std::unique_ptr<sim::VirtualMouseBackend> m_backend;
    std::unique_ptr<platform::DeviceNotifications> m_notifications;
    std::unique_ptr<CMivoraDlg> m_window;
    std::unique_ptr<platform::PointerSettingsBackend> m_previousPointer;
    std::unique_ptr<platform::PointerSettingsBackend> m_pointerAtStart;  // set before Start
    int m_savedApplyNow = 0;
    // Set before Start: the mouse starts unplugged, or may not be opened, or on another link.
    bool m_bStartPlugged = true;
    bool m_bStartDenied = false;
    std::function<bool()> m_trayProbe;  // the tray's presence, when not the system's
    sim::LinkKind m_link = sim::LinkKind::kReceiver;
};

}  // namespace main_window_test
