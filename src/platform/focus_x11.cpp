// X11 and Xwayland: the window manager names the window in front in the root window's
// _NET_ACTIVE_WINDOW (EWMH, "Root Window Properties"); a PropertyNotify tells of each change, so
// nothing is polled. The window's WM_CLASS (ICCCM 4.1.2.5), _NET_WM_PID and _NET_WM_NAME (EWMH,
// "Application Window Properties") say which application it is. The source has its own X
// connection, used only by its own thread.
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/focus_source.h"
#include "platform/stop_pipe.h"

namespace platform {

namespace {

constexpr const char* kActiveWindow = "_NET_ACTIVE_WINDOW";
constexpr const char* kWmPid = "_NET_WM_PID";
constexpr const char* kWmName = "_NET_WM_NAME";
constexpr const char* kUtf8String = "UTF8_STRING";

// Bytes asked for per text property; longer ones are cut (BoundFocusText).
constexpr uint32_t kTextWords = (kMaxFocusText * 2 + 3) / 4;
// WM_CLASS holds two strings: the class after a long instance name still counts.
constexpr uint32_t kClassWords = 16u << 10;

xcb_atom_t Intern(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(r);
    return atom;
}

// The property's bytes when it has the type (any type for XCB_ATOM_ANY) and format; false when
// the window is gone or has no such property.
bool GetProperty(xcb_connection_t* c, xcb_window_t w, xcb_atom_t prop, xcb_atom_t type,
                 uint8_t format, uint32_t words, std::string& out) {
    xcb_generic_error_t* err = nullptr;
    xcb_get_property_reply_t* r =
        xcb_get_property_reply(c, xcb_get_property(c, 0, w, prop, type, 0, words), &err);
    std::free(err);
    if (!r) return false;
    const bool ok = r->type != XCB_ATOM_NONE && r->format == format &&
                    (type == XCB_ATOM_ANY || r->type == type);
    if (ok) {
        const int length = xcb_get_property_value_length(r);
        const char* value = static_cast<const char*>(xcb_get_property_value(r));
        out.assign(value, length > 0 ? static_cast<size_t>(length) : 0);
    }
    std::free(r);
    return ok;
}

uint32_t FirstCard32(const std::string& bytes) {
    uint32_t v = 0;
    if (bytes.size() >= 4) std::memcpy(&v, bytes.data(), 4);
    return v;
}

class X11FocusSource : public FocusSource {
  public:
    explicit X11FocusSource(std::string display) : m_display(std::move(display)) {}
    ~X11FocusSource() override { Stop(); }
    const char* Name() const override { return "X11"; }

    bool Start(Callback onFocus) override {
        if (m_thread.joinable()) return false;
        int screenNo = 0;
        m_c = xcb_connect(m_display.empty() ? nullptr : m_display.c_str(), &screenNo);
        if (xcb_connection_has_error(m_c)) return Fail();
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_c));
        for (int i = 0; i < screenNo && it.rem; ++i) xcb_screen_next(&it);
        if (!it.rem) return Fail();
        m_root = it.data->root;
        m_active = Intern(m_c, kActiveWindow);
        m_pid = Intern(m_c, kWmPid);
        m_name = Intern(m_c, kWmName);
        m_utf8 = Intern(m_c, kUtf8String);
        if (m_active == XCB_ATOM_NONE) return Fail();
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_generic_error_t* err = xcb_request_check(
            m_c, xcb_change_window_attributes_checked(m_c, m_root, XCB_CW_EVENT_MASK, &mask));
        if (err) {
            std::free(err);
            return Fail();
        }
        if (!m_stop.Open()) return Fail();
        m_onFocus = std::move(onFocus);
        m_reported = false;
        m_thread = std::thread([this] { Run(); });
        return true;
    }

    void Stop() override {
        if (m_thread.joinable()) {
            m_stop.Raise();
            m_thread.join();
        }
        Fail();
    }

  private:
    bool Fail() {
        if (m_c) xcb_disconnect(m_c);
        m_c = nullptr;
        m_stop.Close();
        return false;
    }

    void Run() {
        Report();
        const int xfd = xcb_get_file_descriptor(m_c);
        for (;;) {
            // Events that came in while Report waited for its replies are already read off the
            // socket and would not wake poll: take them first.
            bool changed = TakeEvents(xcb_poll_for_queued_event);
            if (!changed) {
                if (!m_stop.WaitReadable(xfd)) return;
                changed = TakeEvents(xcb_poll_for_event);
            }
            // The server went away: nothing more will come.
            if (xcb_connection_has_error(m_c)) return;
            if (changed) Report();
        }
    }

    // Whether any of the events `next` hands out tells of a new active window.
    bool TakeEvents(xcb_generic_event_t* (*next)(xcb_connection_t*)) {
        bool changed = false;
        while (xcb_generic_event_t* ev = next(m_c)) {
            if ((ev->response_type & 0x7F) == XCB_PROPERTY_NOTIFY) {
                auto* p = reinterpret_cast<xcb_property_notify_event_t*>(ev);
                if (p->window == m_root && p->atom == m_active) changed = true;
            }
            std::free(ev);
        }
        return changed;
    }

    void Report() {
        std::string bytes;
        xcb_window_t w = XCB_WINDOW_NONE;
        if (GetProperty(m_c, m_root, m_active, XCB_ATOM_WINDOW, 32, 1, bytes))
            w = FirstCard32(bytes);
        // Window managers set the property again for the same window (a new stacking order).
        if (m_reported && w == m_last) return;
        m_reported = true;
        m_last = w;
        FocusedWindow f;
        if (w == XCB_WINDOW_NONE) {
            f.none = true;
        } else {
            if (GetProperty(m_c, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, kClassWords, bytes)) {
                // "instance\0class\0"; either part may be missing in a hostile window.
                const size_t nul = bytes.find('\0');
                f.wmInstance = BoundFocusText(bytes.substr(0, nul));
                if (nul != std::string::npos) {
                    std::string rest = bytes.substr(nul + 1);
                    f.wmClass = BoundFocusText(rest.substr(0, rest.find('\0')));
                }
            }
            if (m_pid != XCB_ATOM_NONE &&
                GetProperty(m_c, w, m_pid, XCB_ATOM_CARDINAL, 32, 1, bytes)) {
                const uint32_t pid = FirstCard32(bytes);
                f.pid = pid <= 0x7FFFFFFF ? static_cast<int>(pid) : 0;
                f.exe = ExecutableOfPid(f.pid);
            }
            if ((m_name != XCB_ATOM_NONE &&
                 GetProperty(m_c, w, m_name, m_utf8, 8, kTextWords, bytes)) ||
                GetProperty(m_c, w, XCB_ATOM_WM_NAME, XCB_ATOM_ANY, 8, kTextWords, bytes))
                f.title = BoundFocusText(bytes.substr(0, bytes.find('\0')));
        }
        m_onFocus(f);
    }

    std::string m_display;
    xcb_connection_t* m_c = nullptr;
    xcb_window_t m_root = XCB_WINDOW_NONE;
    xcb_atom_t m_active = XCB_ATOM_NONE, m_pid = XCB_ATOM_NONE, m_name = XCB_ATOM_NONE,
               m_utf8 = XCB_ATOM_NONE;
    StopPipe m_stop;
    Callback m_onFocus;
    xcb_window_t m_last = XCB_WINDOW_NONE;
    bool m_reported = false;
    std::thread m_thread;
};

}  // namespace

std::unique_ptr<FocusSource> MakeX11FocusSource(const std::string& display) {
    return std::make_unique<X11FocusSource>(display);
}

}  // namespace platform
