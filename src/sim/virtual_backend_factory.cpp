// MakeVirtualBackend: the virtual mouse as mivora and mivora-cli start it.
#include "config/device_model.h"
#include "config/program_config.h"
#include "core/utf.h"
#include "sim/virtual_mouse.h"

namespace sim {

std::unique_ptr<VirtualMouseBackend> MakeVirtualBackend(const VirtualMouseOptions& o,
                                                        std::string& error) {
    VirtualMouseSetup setup;
    if (EqualsNoCase(o.link, "receiver")) {
        setup.link = LinkKind::kReceiver;
    } else if (EqualsNoCase(o.link, "bluetooth")) {
        setup.link = LinkKind::kBluetooth;
    } else {
        error = "virtual mouse: unknown link '" + o.link + "' (use receiver or bluetooth)";
        return nullptr;
    }
    if (!ParseFaultSpec(o.faults, setup.faults, error)) return nullptr;
    if (o.cid < -1 || o.cid > 0xFF || o.mid < -1 || o.mid > 0xFF) {
        error = "virtual mouse: customer and model codes must be 0 to 255";
        return nullptr;
    }

    // A code left out is taken from the first model in use that matches the one given.
    const DeviceModel* model = nullptr;
    for (const DeviceModel& m : g_DeviceModels) {
        if (m.Sensor == 0) continue;
        if ((o.cid < 0 || m.CID == o.cid) && (o.mid < 0 || m.MID == o.mid)) {
            model = &m;
            break;
        }
    }
    if (!model && (o.cid < 0 || o.mid < 0)) {
        error = "virtual mouse: no model in cfg.ini to take the codes from; give both codes";
        return nullptr;
    }
    // Codes that match no model are allowed: the mouse then starts with zero memory, and
    // the device search is expected to give it up.
    setup.cid = o.cid >= 0 ? o.cid : model->CID;
    setup.mid = o.mid >= 0 ? o.mid : model->MID;
    setup.model = model;
    if (g_Config.VID) setup.vendorId = g_Config.VID;
    if (g_Config.PID) setup.productId = g_Config.PID;
    if (g_Config.PIDBT) setup.btProductId = g_Config.PIDBT;
    setup.stateFile = o.file;

    auto backend = std::make_unique<VirtualMouseBackend>();
    if (backend->AddMouse(setup, error) < 0) return nullptr;
    return backend;
}

}  // namespace sim
