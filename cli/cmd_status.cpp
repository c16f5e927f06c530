// mivora-cli status: whether the mouse behind the receiver or the Bluetooth link answers, and
// which focus source per-application switching has on this desktop.
#include <cstdio>

#include "cli/commands.h"
#include "cli/session.h"
#include "core/paths.h"
#include "device/device_commands.h"
#include "device/device_discovery.h"
#include "platform/desktop_session.h"
#include "profile/focus_watch.h"

int CmdStatus(const CliOptions& opts, const std::vector<std::string>& args) {
    if (!args.empty()) return CliFail("status takes no arguments");
    CliSession session(opts);
    if (int rc = session.Init()) return rc;
    // Only named here: the source is not started, no window is watched.
    const auto source = platform::MakeSystemFocusSource(platform::CurrentSessionFacts());
    std::printf("%s\n", FocusStatusLine(source ? source->Name() : nullptr,
                                        LoadAppRules(g_szDataDir + kAppRulesFile))
                            .c_str());
    if (int rc = session.FindOneMouse()) return rc;
    CUSBDriver& link = session.Link();
    const int status = GetConnectStatus(link.m_hCmd.load(), link);
    const char* via = link.m_bBluetooth.load() ? "bluetooth" : "receiver";
    if (status < 0)
        return CliFail(std::string("the mouse did not answer the status request (") + via + ")");
    std::printf("connection status: %d (%s, link %s)\n", status,
                status == 1 ? "mouse reachable" : "mouse not reachable", via);
    return status == 1 ? 0 : 1;
}
