// A test window of a given WM_CLASS, as any X11 application makes one: focus_window CLASS.
// It stays until it is ended.
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) return 1;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t w = xcb_generate_id(c);
    const uint32_t white = screen->white_pixel;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 0, 0, 320, 200, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL,
                      &white);
    const std::string cls = std::string(argv[1]) + '\0' + argv[1] + '\0';
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                        static_cast<uint32_t>(cls.size()), cls.data());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        static_cast<uint32_t>(std::strlen(argv[1])), argv[1]);
    const char* pidName = "_NET_WM_PID";
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(pidName)), pidName), nullptr);
    if (r) {
        const uint32_t pid = static_cast<uint32_t>(getpid());
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, r->atom, XCB_ATOM_CARDINAL, 32, 1, &pid);
        std::free(r);
    }
    xcb_map_window(c, w);
    xcb_flush(c);
    while (xcb_generic_event_t* ev = xcb_wait_for_event(c)) std::free(ev);
    xcb_disconnect(c);
    return 0;
}
