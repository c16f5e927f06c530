// KDE Plasma on Wayland: KWin tells no other program which window is active, so a small KWin
// script (kwin/mivora-focus.js in the program folder) is loaded into it over D-Bus and calls the
// program's own focus object whenever a window is activated. The script goes with the program:
// loaded at Start and again whenever KWin restarts, unloaded at Stop.
#include <string>

#include "platform/dbus_service.h"
#include "platform/focus_bus_receiver.h"

namespace platform {

namespace {

constexpr const char* kKWinService = "org.kde.KWin";
constexpr const char* kScriptingInterface = "org.kde.kwin.Scripting";
constexpr const char* kScriptInterface = "org.kde.kwin.Script";
constexpr const char* kPluginName = "mivora-focus";

class KWinFocusSource : public BusFocusSource {
  public:
    KWinFocusSource(std::string scriptPath, std::string address)
        : BusFocusSource(std::move(address), kKWinService), m_script(std::move(scriptPath)) {}
    ~KWinFocusSource() override { Stop(); }
    const char* Name() const override { return "KWin"; }

  protected:
    bool OnPeer(DbusService&) override {
        std::vector<DbusValue> reply;
        // A script of the same name left by a program that ended without unloading it makes
        // KWin refuse the load: take it away first.
        Scripting("unloadScript", "s", {std::string(kPluginName)}, reply);
        if (!Scripting("loadScript", "ss", {m_script, std::string(kPluginName)}, reply) ||
            reply.size() != 1 || !std::holds_alternative<int32_t>(reply[0]))
            return false;
        const int32_t id = std::get<int32_t>(reply[0]);
        if (id < 0) return false;
        // Plasma 6 serves the loaded script at /Scripting/Script<id>, Plasma 5 at /<id>.
        for (const std::string& path :
             {"/Scripting/Script" + std::to_string(id), "/" + std::to_string(id)}) {
            if (Client().Call({kKWinService, path, kScriptInterface}, "run", "", {}, reply))
                return true;
        }
        Scripting("unloadScript", "s", {std::string(kPluginName)}, reply);
        return false;
    }

    void OnStop() override {
        if (PeerOwner().empty()) return;
        std::vector<DbusValue> reply;
        Scripting("unloadScript", "s", {std::string(kPluginName)}, reply);
    }

  private:
    bool Scripting(const char* method, const char* signature, const std::vector<DbusValue>& args,
                   std::vector<DbusValue>& reply) {
        return Client().Call({kKWinService, "/Scripting", kScriptingInterface}, method, signature,
                             args, reply);
    }

    std::string m_script;
};

}  // namespace

std::string KWinFocusScriptPath() {
    const std::string exe = ExecutableOfPid(OwnProcessId());
    const size_t slash = exe.rfind('/');
    if (slash == std::string::npos) return "";
    return exe.substr(0, slash + 1) + "kwin/mivora-focus.js";
}

std::unique_ptr<FocusSource> MakeKWinFocusSource(const std::string& scriptPath,
                                                 const std::string& address) {
    return std::make_unique<KWinFocusSource>(scriptPath, address);
}

}  // namespace platform
