// mivora-cli status: whether the mouse behind the receiver or the Bluetooth link answers.
#include <cstdio>

#include "cli/commands.h"
#include "cli/session.h"
#include "device/device_commands.h"
#include "device/device_discovery.h"

int CmdStatus(const CliOptions& opts, const std::vector<std::string>& args) {
    if (!args.empty()) return CliFail("status takes no arguments");
    CliSession session(opts);
    if (int rc = session.Init()) return rc;
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
