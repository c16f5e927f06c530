// KDE Plasma on Wayland: KWin tells no other program which window is active, so a small KWin
// script (kwin/mivora-focus.js in the program folder) is loaded into it over D-Bus and calls the
// program's own focus object whenever a window is activated. The script goes with the program:
// loaded at Start and again whenever KWin restarts, unloaded at Stop.
#include <chrono>
#include <string>
#include <thread>

#include "platform/dbus_service.h"
#include "platform/focus_bus_receiver.h"

namespace platform {

namespace {

constexpr const char* kKWinService = "org.kde.KWin";
constexpr const char* kScriptingInterface = "org.kde.kwin.Scripting";
constexpr const char* kPluginName = "mivora-focus";
// A starting KWin takes its bus name a little before it serves /Scripting (tens of ms, more on a
// busy machine); calls in between fail with UnknownObject. How long to keep asking, and how often.
constexpr auto kScriptingWait = std::chrono::seconds(5);
constexpr auto kScriptingPoll = std::chrono::milliseconds(50);

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
        // KWin refuse the load: take it away first. The same call tells whether KWin serves
        // its scripting yet: this runs as soon as a new KWin owns its name.
        const auto deadline = std::chrono::steady_clock::now() + kScriptingWait;
        while (!Scripting("unloadScript", "s", {std::string(kPluginName)}, reply) &&
               Client().LastErrorName() == "org.freedesktop.DBus.Error.UnknownObject" &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(kScriptingPoll);
        if (!Scripting("loadScript", "ss", {m_script, std::string(kPluginName)}, reply) ||
            reply.size() != 1 || !std::holds_alternative<int32_t>(reply[0]))
            return false;
        if (std::get<int32_t>(reply[0]) < 0) return false;
        // KWin numbers a script by how many it holds, and serves it at a path made of that
        // number: after another script was unloaded the number may be one a loaded script still
        // has, and `run` on that path would reach that script instead. `start` runs every loaded
        // script that does not run yet, ours whatever its number.
        if (Scripting("start", "", {}, reply)) return true;
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
