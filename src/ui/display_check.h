// Whether the desktop program can open a window. Without a display Qt aborts with a core dump and
// advice to reinstall; the program says instead what is missing and what to do, and exits 1.
#pragma once

#include <string>

// Why no window can open, judged from QT_QPA_PLATFORM, WAYLAND_DISPLAY and DISPLAY (null when
// unset); empty when a display may be there. A platform chosen in QT_QPA_PLATFORM is trusted.
std::string NoDisplayReason(const char* qpaPlatform, const char* waylandDisplay,
                            const char* display);
// The lines printed for reason: what is missing and what to do.
std::string NoDisplayAdvice(const std::string& reason);

// While it lives, a fatal message of the toolkit (no platform plugin could start: the display is
// set but cannot be reached) prints NoDisplayAdvice and exits 1 instead of aborting; other
// messages are printed as usual. For the construction of the application object only.
class PlatformStartGuard {
  public:
    PlatformStartGuard();
    ~PlatformStartGuard();
    PlatformStartGuard(const PlatformStartGuard&) = delete;
    PlatformStartGuard& operator=(const PlatformStartGuard&) = delete;
};
