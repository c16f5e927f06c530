#include "ui/display_check.h"

#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>

namespace {

bool Set(const char* v) {
    return v && *v;
}

// "NAME=value" of each of the display variables that is set.
std::string DisplaySettings() {
    std::string out;
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* v = std::getenv(name);
        if (!Set(v)) continue;
        if (!out.empty()) out += ", ";
        out += std::string(name) + "=" + v;
    }
    return out;
}

void FailOnFatal(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
        return;
    }
    // The toolkit's own text (plugin list, advice to reinstall) misleads: the program is fine,
    // the display is missing. The toolkit's warnings above say what failed.
    std::fputs(
        NoDisplayAdvice("the display could not be reached (" + DisplaySettings() + ")").c_str(),
        stderr);
    std::fflush(stderr);
    std::_Exit(1);
}

}  // namespace

std::string NoDisplayReason(const char* qpaPlatform, const char* waylandDisplay,
                            const char* display) {
    if (Set(qpaPlatform) || Set(waylandDisplay) || Set(display)) return "";
    return "no display (neither DISPLAY nor WAYLAND_DISPLAY is set)";
}

std::string NoDisplayAdvice(const std::string& reason) {
    return "mivora: cannot open a window: " + reason +
           ".\n"
           "Start mivora from a desktop session, or log in with the display forwarded\n"
           "(ssh -X). On a text console or over plain ssh, mivora-cli does what the window\n"
           "does (mivora-cli --help). QT_QPA_PLATFORM=offscreen runs mivora without showing\n"
           "a window, for example with --screenshot.\n";
}

PlatformStartGuard::PlatformStartGuard() {
    qInstallMessageHandler(FailOnFatal);
}

PlatformStartGuard::~PlatformStartGuard() {
    qInstallMessageHandler(nullptr);
}
