// mivora-cli devices: one search, and every mouse that answered it; with --verbose first every
// hidraw node of the configured vendor id, for bug reports when the mouse is not found.
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/commands.h"
#include "cli/session.h"
#include "config/device_model.h"
#include "config/program_config.h"
#include "device/device_discovery.h"
#include "platform/hidraw_backend.h"
#include "platform/terminal.h"

namespace {

const char* BusName(int bus) {
    switch (bus) {
        case 0x03:
            return "usb";
        case 0x05:
            return "bluetooth";
        default:
            return "other bus";
    }
}

const char* RoleOf(const platform::HidInterfaceInfo& i) {
    if (i.reportId == 8 && i.featureLength == 15) return "command";
    if (i.reportId == 9 && i.inputLength == 15) return "notification";
    return nullptr;
}

void PrintNode(const platform::HidrawNodeReport& n) {
    std::printf("hidraw%d: %s (0x%04x), vendor %04x, product %04x", n.node, BusName(n.bus), n.bus,
                n.vendorId, n.productId);
    if (n.interfaceNumber >= 0) std::printf(", interface %d", n.interfaceNumber);
    if (!n.hidName.empty()) std::printf(", \"%s\"", platform::TerminalSafe(n.hidName).c_str());
    std::printf("\n");
    if (!n.described) {
        std::printf("  report descriptor: missing or malformed\n");
    } else {
        static const char* const kTypes[] = {"input", "output", "feature"};
        for (const auto& r : n.descriptor.reports)
            for (int t = 0; t < platform::kHidReportTypes; ++t)
                if (r.bytes[t] > 0)
                    std::printf(
                        "  report 0x%02x %-7s %3d bytes  (usage page 0x%04x, usage 0x%04x)\n", r.id,
                        kTypes[t], r.bytes[t], r.usagePage, r.usage);
    }
    bool anyRole = false;
    for (const auto& i : n.interfaces) {
        if (const char* role = RoleOf(i)) {
            std::printf("  role: %-12s %s\n", role, i.path.c_str());
            anyRole = true;
        }
    }
    if (!anyRole) std::printf("  role: none (no 15-byte feature report 8 or input report 9)\n");
    if (!IsOurProduct(n.productId))
        std::printf(
            "  not searched: product id %04x is neither PID %04x nor PIDBT %04x of cfg.ini\n",
            n.productId, g_Config.PID, g_Config.PIDBT);
    if (n.openError == 0)
        std::printf("  open: yes\n");
    else
        std::printf("  open: no (%s)\n", std::strerror(n.openError));
}

void PrintVirtualInterfaces(platform::HidBackend& backend) {
    for (const auto& i : backend.Enumerate()) {
        const char* role = RoleOf(i);
        std::printf(
            "%s: vendor %04x, product %04x, report 0x%02x, input %d, feature %d bytes, "
            "role %s\n",
            i.path.c_str(), i.vendorId, i.productId, i.reportId, i.inputLength, i.featureLength,
            role ? role : "none");
    }
}

}  // namespace

int CmdDevices(const CliOptions& opts, const std::vector<std::string>& args) {
    bool verbose = false;
    for (const auto& a : args) {
        if (a == "--verbose" || a == "-v")
            verbose = true;
        else
            return CliFail("devices takes only --verbose");
    }
    CliSession session(opts);
    if (int rc = session.Init()) return rc;
    if (verbose) {
        if (platform::HidrawBackend* hidraw = session.Hidraw()) {
            const auto nodes = hidraw->Inspect(g_Config.VID);
            if (nodes.empty()) std::printf("no hidraw node of vendor id %04x\n", g_Config.VID);
            for (const auto& n : nodes) PrintNode(n);
        } else {
            PrintVirtualInterfaces(session.Backend());
        }
        std::printf("\n");
    }
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
