#include "cli/window_client.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "config/key_entry.h"
#include "config/program_config.h"
#include "core/paths.h"
#include "platform/dbus_client.h"
#include "platform/terminal.h"
#include "profile/mouse_bus.h"
#include "profile/set_command.h"

namespace {

// Longer than the window waits for the mouse, so its own answer comes first.
constexpr int kCallTimeoutMs = 130000;

// The folder the command alone would use, for comparing with the window's.
std::string OwnDataFolder(const CliOptions& opts) {
    if (!opts.dataDir.empty()) return WithSlash(opts.dataDir);
    if (!InitAppDir() || !LoadConfig(g_szAppDir)) return "";
    InitDataDir(g_Config.appdir, g_Config.MacPath == 1);
    return g_szDataDir;
}

bool SameFolder(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    std::error_code ec1, ec2;
    const auto x = std::filesystem::weakly_canonical(a, ec1);
    const auto y = std::filesystem::weakly_canonical(b, ec2);
    if (ec1 || ec2) return false;
    return (x / "").lexically_normal() == (y / "").lexically_normal();
}

std::string Absolute(const std::string& file) {
    std::error_code ec;
    const auto p = std::filesystem::absolute(file, ec);
    return ec ? file : p.string();
}

// The method and its arguments for a command the window carries out; false for words the
// command alone refuses before it starts (it prints the usage).
bool MethodFor(const std::string& name, const std::vector<std::string>& args, std::string& method,
               std::string& signature, std::vector<platform::DbusValue>& values, bool& json) {
    json = false;
    if (name == "read") {
        for (const auto& a : args)
            if (a != "--json") return false;
        json = !args.empty();
        method = json ? "Read" : "ReadText";
        return true;
    }
    if (name == "set") {
        if (args.empty()) return false;
        method = "Set";
        signature = "as";
        values = {args};
        return true;
    }
    if (name == "apply" || name == "restore") {
        method = name == "apply" ? "Apply" : "Restore";
        return args.empty();
    }
    if (name == "export") {
        if (args.size() != 1) return false;
        method = "Export";
        signature = "s";
        values = {Absolute(args[0])};
        return true;
    }
    if (name == "keyset") {
        // Showing the sets reads the mouse as read does; only the switch goes through the window.
        long number = 0;
        if (args.size() != 1 || !ParseIntArg(args[0], 1, kKeySets, number)) return false;
        method = "SwitchKeySet";
        signature = "i";
        values = {static_cast<int32_t>(number - 1)};
        return true;
    }
    if (name == "import") {
        ImportArgs words;
        if (!ParseImportArgs(args, words)) return false;
        std::vector<std::string> options;
        if (words.force) options.push_back("force");
        if (words.rules) options.push_back("rules");
        method = "ImportWithOptions";
        signature = "sas";
        values = {Absolute(words.file), options};
        return true;
    }
    return false;
}

}  // namespace

bool RunThroughWindow(const CliOptions& opts, const std::string& name,
                      const std::vector<std::string>& args, int& rc) {
    std::string method, signature;
    std::vector<platform::DbusValue> values;
    bool json = false;
    if (opts.direct || !MethodFor(name, args, method, signature, values, json)) return false;
    auto bus = platform::DbusConnection::OpenSession();
    if (!bus || !bus->NameHasOwner(kBusName)) return false;
    const platform::DbusObject mouse{kBusName, kBusPath, kBusInterface};
    platform::DbusValue folder;
    if (!bus->GetProperty(mouse, "DataFolder", folder)) return false;
    const std::string* theirs = std::get_if<std::string>(&folder);
    if (!theirs || !SameFolder(*theirs, OwnDataFolder(opts))) return false;

    std::vector<platform::DbusValue> reply;
    if (!bus->Call(mouse, method.c_str(), signature, values, reply, kCallTimeoutMs)) {
        rc = CliFail(bus->LastError());
        return true;
    }
    const std::string* text = reply.empty() ? nullptr : std::get_if<std::string>(&reply.front());
    if (method == "Read" && text) {
        std::printf("%s\n", text->c_str());
    } else if (method == "ReadText" && text) {
        std::fputs(text->c_str(), stdout);
    } else if (reply.size() == 2) {
        // What a change that succeeded prints, and its notices, as the command alone does.
        if (text) std::fputs(text->c_str(), stdout);
        if (const auto* notices = std::get_if<std::vector<std::string>>(&reply[1]))
            for (const std::string& n : *notices)
                std::fprintf(stderr, "mivora-cli: %s\n", platform::TerminalSafe(n, true).c_str());
    }
    rc = 0;
    return true;
}
