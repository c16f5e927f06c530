// wlroots compositors without an IPC of their own (labwc, Hyprland, river, ...): the
// zwlr_foreign_toplevel_manager_v1 global lists every toplevel with its app id, title and states;
// the one whose state holds "activated" is in front. The protocol gives no pid, so the exe stays
// empty and rules match by app id.
#include <poll.h>
#include <wayland-client.h>

#include <algorithm>
#include <cstring>
#include <list>
#include <thread>

#include "platform/focus_source.h"
#include "platform/stop_pipe.h"
#include "wlr-foreign-toplevel-client.h"

namespace platform {

namespace {

// The newest version whose events this source handles.
constexpr uint32_t kManagerVersion = 3;

class WlrFocusSource;

struct Toplevel {
    WlrFocusSource* owner = nullptr;
    zwlr_foreign_toplevel_handle_v1* handle = nullptr;
    // What the compositor has sent since the last done, and what the last done made current.
    std::string appId, title, pendingAppId, pendingTitle;
    bool activated = false, pendingActivated = false;
};

class WlrFocusSource : public FocusSource {
  public:
    explicit WlrFocusSource(std::string display) : m_displayName(std::move(display)) {}
    ~WlrFocusSource() override { Stop(); }
    const char* Name() const override { return "wlroots"; }

    bool Start(Callback onFocus) override {
        if (m_thread.joinable() || m_display) return false;
        // A new start reports the window in front, whatever the last run reported.
        m_reported = false;
        m_finished = false;
        m_display = wl_display_connect(m_displayName.empty() ? nullptr : m_displayName.c_str());
        if (!m_display) return false;
        m_registry = wl_display_get_registry(m_display);
        wl_registry_add_listener(m_registry, &kRegistryListener, this);
        // The first round binds the manager; the second brings every toplevel and its state.
        if (wl_display_roundtrip(m_display) < 0 || !m_manager ||
            wl_display_roundtrip(m_display) < 0 || !m_stop.Open()) {
            Release();
            return false;
        }
        m_onFocus = std::move(onFocus);
        m_thread = std::thread([this] { Run(); });
        return true;
    }

    void Stop() override {
        if (m_thread.joinable()) {
            m_stop.Raise();
            m_thread.join();
        }
        Release();
    }

  private:
    void Run() {
        Report();
        while (Wait()) {
            if (wl_display_dispatch_pending(m_display) < 0 || m_finished) return;
            Report();
        }
    }

    // Reads what the compositor sent; false when Stop asked or the compositor is gone.
    bool Wait() {
        while (wl_display_prepare_read(m_display) != 0)
            if (wl_display_dispatch_pending(m_display) < 0) return false;
        wl_display_flush(m_display);
        const int ready = m_stop.Wait(wl_display_get_fd(m_display), POLLIN, -1);
        if (ready < 0) {
            wl_display_cancel_read(m_display);
            return false;
        }
        if (ready & POLLIN) return wl_display_read_events(m_display) == 0;
        // Hang-up or error without data: the compositor ended.
        wl_display_cancel_read(m_display);
        return false;
    }

    // After each batch of events: one report when the window in front (or its app id) changed,
    // so a focus move seen as one window losing and another gaining gives a single report. A new
    // title alone is no new application (a browser's tabs, a terminal's commands).
    void Report() {
        const Toplevel* front = nullptr;
        for (const Toplevel& t : m_toplevels)
            if (t.activated) front = &t;
        const bool same =
            m_reported && front == m_front && (!front || front->appId == m_frontAppId);
        if (same) return;
        m_reported = true;
        m_front = front;
        FocusedWindow w;
        if (front) {
            w.appId = m_frontAppId = front->appId;
            w.title = front->title;
        } else {
            w.none = true;
        }
        m_onFocus(w);
    }

    void Release() {
        for (Toplevel& t : m_toplevels) zwlr_foreign_toplevel_handle_v1_destroy(t.handle);
        m_toplevels.clear();
        m_front = nullptr;
        if (m_manager) zwlr_foreign_toplevel_manager_v1_destroy(m_manager);
        m_manager = nullptr;
        if (m_registry) wl_registry_destroy(m_registry);
        m_registry = nullptr;
        if (m_display) wl_display_disconnect(m_display);
        m_display = nullptr;
        m_stop.Close();
    }

    static void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
                         uint32_t version) {
        auto* self = static_cast<WlrFocusSource*>(data);
        if (self->m_manager ||
            std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name))
            return;
        self->m_manager = static_cast<zwlr_foreign_toplevel_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_foreign_toplevel_manager_v1_interface,
                             std::min(version, kManagerVersion)));
        zwlr_foreign_toplevel_manager_v1_add_listener(self->m_manager, &kManagerListener, self);
    }
    static void OnGlobalRemove(void*, wl_registry*, uint32_t) {}

    static void OnToplevel(void* data, zwlr_foreign_toplevel_manager_v1*,
                           zwlr_foreign_toplevel_handle_v1* handle) {
        auto* self = static_cast<WlrFocusSource*>(data);
        Toplevel& t = self->m_toplevels.emplace_back();
        t.owner = self;
        t.handle = handle;
        zwlr_foreign_toplevel_handle_v1_add_listener(handle, &kHandleListener, &t);
    }
    static void OnFinished(void* data, zwlr_foreign_toplevel_manager_v1* manager) {
        auto* self = static_cast<WlrFocusSource*>(data);
        zwlr_foreign_toplevel_manager_v1_destroy(manager);
        self->m_manager = nullptr;
        self->m_finished = true;
    }

    static void OnTitle(void* data, zwlr_foreign_toplevel_handle_v1*, const char* title) {
        static_cast<Toplevel*>(data)->pendingTitle = BoundFocusText(title ? title : "");
    }
    static void OnAppId(void* data, zwlr_foreign_toplevel_handle_v1*, const char* appId) {
        static_cast<Toplevel*>(data)->pendingAppId = BoundFocusText(appId ? appId : "");
    }
    static void OnOutput(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
    static void OnState(void* data, zwlr_foreign_toplevel_handle_v1*, wl_array* states) {
        bool activated = false;
        // The array holds whole uint32 entries; a ragged tail is ignored.
        const size_t count = states ? states->size / sizeof(uint32_t) : 0;
        const auto* items = states ? static_cast<const uint32_t*>(states->data) : nullptr;
        for (size_t i = 0; i < count; ++i)
            if (items[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED) activated = true;
        static_cast<Toplevel*>(data)->pendingActivated = activated;
    }
    static void OnDone(void* data, zwlr_foreign_toplevel_handle_v1*) {
        auto* t = static_cast<Toplevel*>(data);
        t->appId = t->pendingAppId;
        t->title = t->pendingTitle;
        t->activated = t->pendingActivated;
    }
    static void OnClosed(void* data, zwlr_foreign_toplevel_handle_v1* handle) {
        auto* t = static_cast<Toplevel*>(data);
        WlrFocusSource* self = t->owner;
        // A later toplevel may get the same address: the next batch reports afresh.
        if (self->m_front == t) {
            self->m_front = nullptr;
            self->m_reported = false;
        }
        zwlr_foreign_toplevel_handle_v1_destroy(handle);
        self->m_toplevels.remove_if([t](const Toplevel& x) { return &x == t; });
    }
    static void OnParent(void*, zwlr_foreign_toplevel_handle_v1*,
                         zwlr_foreign_toplevel_handle_v1*) {}

    static const wl_registry_listener kRegistryListener;
    static const zwlr_foreign_toplevel_manager_v1_listener kManagerListener;
    static const zwlr_foreign_toplevel_handle_v1_listener kHandleListener;

    std::string m_displayName;
    wl_display* m_display = nullptr;
    wl_registry* m_registry = nullptr;
    zwlr_foreign_toplevel_manager_v1* m_manager = nullptr;
    bool m_finished = false;
    // A list: the handles' listeners hold pointers to its entries.
    std::list<Toplevel> m_toplevels;
    // The last report: which toplevel (compared by address, never dereferenced after a close)
    // and what it was.
    bool m_reported = false;
    const Toplevel* m_front = nullptr;
    std::string m_frontAppId;
    StopPipe m_stop;
    Callback m_onFocus;
    std::thread m_thread;
};

const wl_registry_listener WlrFocusSource::kRegistryListener = {&OnGlobal, &OnGlobalRemove};
const zwlr_foreign_toplevel_manager_v1_listener WlrFocusSource::kManagerListener = {&OnToplevel,
                                                                                    &OnFinished};
const zwlr_foreign_toplevel_handle_v1_listener WlrFocusSource::kHandleListener = {
    &OnTitle, &OnAppId, &OnOutput, &OnOutput, &OnState, &OnDone, &OnClosed, &OnParent};

}  // namespace

bool WaylandOffersToplevelList(const std::string& display) {
    wl_display* d = wl_display_connect(display.empty() ? nullptr : display.c_str());
    if (!d) return false;
    bool found = false;
    static const wl_registry_listener listener = {
        [](void* data, wl_registry*, uint32_t, const char* interface, uint32_t) {
            if (std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name) == 0)
                *static_cast<bool*>(data) = true;
        },
        [](void*, wl_registry*, uint32_t) {}};
    wl_registry* registry = wl_display_get_registry(d);
    wl_registry_add_listener(registry, &listener, &found);
    const bool answered = wl_display_roundtrip(d) >= 0;
    wl_registry_destroy(registry);
    wl_display_disconnect(d);
    return answered && found;
}

std::unique_ptr<FocusSource> MakeWlrFocusSource(const std::string& display) {
    return std::make_unique<WlrFocusSource>(display);
}

}  // namespace platform
