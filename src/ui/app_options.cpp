#include "ui/app_options.h"

#include <cstdlib>

namespace {

bool ParseCode(const std::string& text, int& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 0);
    if (*end != '\0' || v < 0 || v > 255) return false;
    out = static_cast<int>(v);
    return true;
}

}  // namespace

const char* AppUsage() {
    return "usage: mivora [--data-dir DIR] [--virtual-mouse[=FILE] [--virtual-cid N]\n"
           "              [--virtual-mid N] [--virtual-link receiver|bluetooth]\n"
           "              [--virtual-faults SPEC]] [--screenshot DIR]\n"
           "              [--sysfs-root DIR] [--dev-root DIR]\n"
           "       mivora --help | --version\n\n"
           "Configures the wireless mouse: buttons, DPI stages, report rate, lighting, macros.\n\n"
           "options:\n"
           "  --data-dir DIR            keep profiles, macros and lang.ini in DIR instead of the\n"
           "                            user's data folder\n"
           "  --virtual-mouse[=FILE]    talk to the built-in virtual mouse (memory kept in FILE)\n"
           "  --virtual-cid N, --virtual-mid N\n"
           "                            the virtual mouse's customer and model codes\n"
           "  --virtual-link receiver|bluetooth\n"
           "                            how the virtual mouse is connected\n"
           "  --virtual-faults SPEC     make the virtual mouse lose, damage or delay reports,\n"
           "                            or refuse chosen writes (see README)\n"
           "  --screenshot DIR          write PNG pictures of the windows in every language to\n"
           "                            DIR and exit\n"
           "  --sysfs-root DIR          for testing and diagnosis: read the hidraw nodes'\n"
           "                            sysfs entries from DIR, not /sys/class/hidraw\n"
           "  --dev-root DIR            for testing and diagnosis: open the hidraw device\n"
           "                            nodes in DIR, not /dev\n"
           "  -h, --help                print this help\n"
           "  --version                 print the version\n";
}

std::string AppVersion() {
    return std::string("mivora ") + MIVORA_VERSION + "\n";
}

bool WantsHelp(const std::vector<std::string>& args) {
    for (const std::string& a : args)
        if (a == "--help" || a == "-h") return true;
    return false;
}

bool WantsHelpOrVersion(const std::vector<std::string>& args) {
    for (const std::string& a : args)
        if (a == "--version") return true;
    return WantsHelp(args);
}

bool ParseAppOptions(const std::vector<std::string>& args, AppOptions& out, std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& v) {
            if (i + 1 >= args.size()) return false;
            v = args[++i];
            return true;
        };
        std::string v;
        if (a == "--help" || a == "-h") {
            out.help = true;
        } else if (a == "--version") {
            out.version = true;
        } else if (a == "--virtual-mouse") {
            out.virtualMouse = true;
        } else if (a.rfind("--virtual-mouse=", 0) == 0) {
            out.virtualMouse = true;
            out.virtualFile = a.substr(16);
            if (out.virtualFile.empty()) {
                error = "--virtual-mouse= needs a file name";
                return false;
            }
        } else if (a == "--virtual-cid" || a == "--virtual-mid") {
            int& target = a == "--virtual-cid" ? out.virtualCid : out.virtualMid;
            if (!value(v) || !ParseCode(v, target)) {
                error = a + " needs a code from 0 to 255";
                return false;
            }
        } else if (a == "--virtual-link") {
            if (!value(v) || (v != "receiver" && v != "bluetooth")) {
                error = "--virtual-link takes receiver or bluetooth";
                return false;
            }
            out.virtualLink = v;
        } else if (a == "--virtual-faults") {
            if (!value(out.virtualFaults)) {
                error = "--virtual-faults needs a SPEC";
                return false;
            }
        } else if (a == "--data-dir") {
            if (!value(out.dataDir) || out.dataDir.empty()) {
                error = "--data-dir needs a folder";
                return false;
            }
        } else if (a == "--sysfs-root" || a == "--dev-root") {
            std::string& target = a == "--sysfs-root" ? out.sysfsRoot : out.devRoot;
            if (!value(target) || target.empty()) {
                error = a + " needs a folder";
                return false;
            }
        } else if (a == "--screenshot") {
            if (!value(out.screenshotDir) || out.screenshotDir.empty()) {
                error = "--screenshot needs a folder";
                return false;
            }
        } else if (a.rfind("-", 0) == 0 && a.rfind("-style", 0) != 0 &&
                   a.rfind("-platform", 0) != 0) {
            error = "unknown option " + a + " (see --help)";
            return false;
        }
    }
    return true;
}
