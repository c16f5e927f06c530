// mivora-cli: the engine of the desktop program without windows.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/command_help.h"
#include "cli/commands.h"
#include "cli/window_client.h"
#include "platform/terminal.h"

namespace {

const CliCommand kCommands[] = {MIVORA_CLI_COMMANDS};

void PrintUsage(std::FILE* out) {
    std::fprintf(
        out,
        "usage: mivora-cli [--direct] [--data-dir DIR] [--virtual-mouse[=FILE] [--virtual-cid N]\n"
        "                  [--virtual-mid N] [--virtual-link receiver|bluetooth]\n"
        "                  [--virtual-faults SPEC]] [--sysfs-root DIR] [--dev-root DIR]\n"
        "                  COMMAND [ARGS]\n"
        "       mivora-cli COMMAND --help\n"
        "       mivora-cli --version\n\n"
        "Configures the mouse from the command line with the engine of the desktop "
        "program.\n\n"
        "options:\n"
        "  --direct                  work on the mouse alone, even while the Mivora window\n"
        "                            runs (which then refuses changes: for diagnosis)\n"
        "  --data-dir DIR            keep profiles and macros in DIR instead of the "
        "user's data folder\n"
        "  --virtual-mouse[=FILE]    talk to the built-in virtual mouse (memory kept in "
        "FILE)\n"
        "  --virtual-cid N, --virtual-mid N\n"
        "                            the virtual mouse's customer and model codes\n"
        "  --virtual-link receiver|bluetooth\n"
        "                            how the virtual mouse is connected\n"
        "  --virtual-faults SPEC     make the virtual mouse lose, damage or delay "
        "reports,\n"
        "                            or refuse chosen writes (see README)\n"
        "  --sysfs-root DIR          for testing and diagnosis: read the hidraw nodes'\n"
        "                            sysfs entries from DIR, not /sys/class/hidraw\n"
        "  --dev-root DIR            for testing and diagnosis: open the hidraw device\n"
        "                            nodes in DIR, not /dev\n"
        "  -h, --help                print this help (after COMMAND: the command's "
        "help)\n"
        "  --version                 print the version\n\ncommands:\n");
    for (const auto& c : kCommands) std::fprintf(out, "  %s\n", c.usage);
}

// Prints "mivora-cli: <text>" and the hint to --help; returns the exit code of a usage error.
int UsageError(const std::string& text) {
    std::fprintf(stderr, "mivora-cli: %s (see mivora-cli --help)\n", text.c_str());
    return 2;
}

bool ParseInt(const std::string& text, int& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 0);
    if (*end != '\0' || v < 0 || v > 255) return false;
    out = static_cast<int>(v);
    return true;
}

}  // namespace

int CliFail(const std::string& text) {
    // Messages quote names from files and devices.
    std::fprintf(stderr, "mivora-cli: %s\n", platform::TerminalSafe(text, true).c_str());
    return 1;
}

int main(int argc, char** argv) {
    CliOptions opts;
    std::vector<std::string> rest;
    int i = 1;
    auto needValue = [&](const char* name, std::string& out) {
        if (i + 1 >= argc) return false;
        out = argv[++i];
        (void)name;
        return true;
    };
    for (; i < argc; ++i) {
        std::string a = argv[i];
        std::string value;
        if (IsHelpWord(a)) {
            PrintUsage(stdout);
            return 0;
        } else if (a == "--direct") {
            opts.direct = true;
        } else if (a == "--version") {
            PrintVersion(stdout, "mivora-cli");
            return 0;
        } else if (a == "--virtual-mouse") {
            opts.virtualMouse = true;
        } else if (a.rfind("--virtual-mouse=", 0) == 0) {
            opts.virtualMouse = true;
            opts.virtualFile = a.substr(std::strlen("--virtual-mouse="));
            if (opts.virtualFile.empty()) return CliFail("--virtual-mouse= needs a file name");
        } else if (a == "--virtual-cid" || a == "--virtual-mid") {
            if (!needValue(a.c_str(), value)) return CliFail(a + " needs a number");
            int& target = (a == "--virtual-cid") ? opts.virtualCid : opts.virtualMid;
            if (!ParseInt(value, target))
                return CliFail(a + ": not a code from 0 to 255: " + value);
        } else if (a == "--virtual-link") {
            if (!needValue(a.c_str(), value) || (value != "receiver" && value != "bluetooth"))
                return CliFail("--virtual-link takes receiver or bluetooth");
            opts.virtualLink = value;
        } else if (a == "--virtual-faults") {
            if (!needValue(a.c_str(), opts.virtualFaults))
                return CliFail("--virtual-faults needs a SPEC");
        } else if (a == "--data-dir") {
            if (!needValue(a.c_str(), opts.dataDir)) return CliFail("--data-dir needs a folder");
        } else if (a == "--sysfs-root" || a == "--dev-root") {
            std::string& target = a == "--sysfs-root" ? opts.sysfsRoot : opts.devRoot;
            if (!needValue(a.c_str(), target) || target.empty())
                return CliFail(a + " needs a folder");
        } else if (a.rfind("--", 0) == 0 && rest.empty()) {
            return UsageError("unknown option " + a);
        } else {
            for (; i < argc; ++i) rest.emplace_back(argv[i]);
            break;
        }
    }
    if (rest.empty()) {
        PrintUsage(stderr);
        return 2;
    }
    const std::string name = rest.front();
    rest.erase(rest.begin());
    for (const auto& c : kCommands) {
        if (name != c.name) continue;
        for (const auto& word : rest) {
            if (IsHelpWord(word)) return PrintCommandHelp(stdout, name) ? 0 : 1;
            // Machine-readable output gets no progress line.
            if (word == "--json") opts.json = true;
        }
        // While the window runs it holds the mouse and the data folder: it carries the command
        // out.
        int rc = 0;
        if (RunThroughWindow(opts, name, rest, rc)) return rc;
        return c.run(opts, rest);
    }
    return UsageError("unknown command " + name);
}
