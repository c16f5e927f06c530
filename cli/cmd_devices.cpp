// mivora-cli devices: one search, and every mouse that answered it.
#include <cstdio>

#include "cli/commands.h"
#include "cli/session.h"
#include "config/device_model.h"
#include "device/device_discovery.h"

int CmdDevices(const CliOptions& opts, const std::vector<std::string>& args) {
    if (!args.empty()) return CliFail("devices takes no arguments");
    CliSession session(opts);
    if (int rc = session.Init()) return rc;
    const int found = session.Search();
    int listed = 0;
    for (int i = 0; i < kFoundDeviceSlots; ++i) {
        const FoundDevice d = session.Link().m_Found.Get(i);
        if (d.hCmd == platform::kNoHidHandle) continue;
        const DeviceModel* model = FindDeviceModel(d.cid, d.mid);
        std::printf("mouse %d: cid 0x%02x, mid 0x%02x, sensor 0x%04x, link %s%s\n", ++listed, d.cid,
                    d.mid, model ? static_cast<unsigned>(model->Sensor) : 0u,
                    IsReceiverPath(d.cmdPath) ? "receiver" : "bluetooth",
                    d.state == 1 ? ", current" : "");
        std::printf("  command interface:      %s\n", d.cmdPath.c_str());
        std::printf("  notification interface: %s\n", d.notifyPath.c_str());
    }
    if (found != 1) return CliFail(session.SearchFailure(found));
    return 0;
}
