#include "platform/hidraw_sysfs.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <sstream>

#include "platform/files.h"

namespace platform {
namespace {

bool HexField(const std::string& s, int& out) {
    if (s.empty() || s.size() > 8) return false;
    unsigned v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v, 16);
    if (ec != std::errc() || p != s.data() + s.size()) return false;
    out = static_cast<int>(v);
    return true;
}

// "hidraw" followed by digits only; -1 otherwise.
int NodeNumber(const std::string& s, size_t from) {
    static const std::string kPrefix = "hidraw";
    if (s.compare(from, kPrefix.size(), kPrefix) != 0) return -1;
    const size_t d = from + kPrefix.size();
    if (d >= s.size() || s.size() - d > 6) return -1;
    int n = 0;
    auto [p, ec] = std::from_chars(s.data() + d, s.data() + s.size(), n);
    if (ec != std::errc() || p != s.data() + s.size() || n < 0) return -1;
    return n;
}

}  // namespace

bool ParseHidUevent(const std::string& text, HidUevent& out) {
    HidUevent ev;
    bool haveId = false;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("HID_ID=", 0) == 0) {
            const std::string v = line.substr(7);
            const size_t c1 = v.find(':');
            const size_t c2 = c1 == std::string::npos ? c1 : v.find(':', c1 + 1);
            if (c2 == std::string::npos) return false;
            if (!HexField(v.substr(0, c1), ev.bus) ||
                !HexField(v.substr(c1 + 1, c2 - c1 - 1), ev.vendorId) ||
                !HexField(v.substr(c2 + 1), ev.productId))
                return false;
            ev.bus &= 0xFFFF;
            ev.vendorId &= 0xFFFF;
            ev.productId &= 0xFFFF;
            haveId = true;
        } else if (line.rfind("HID_NAME=", 0) == 0) {
            ev.name = line.substr(9, 128);
        } else if (line.rfind("HID_PHYS=", 0) == 0) {
            const size_t at = line.rfind("/input");
            if (at != std::string::npos) {
                int n = -1;
                const char* b = line.data() + at + 6;
                const char* e = line.data() + line.size();
                auto [p, ec] = std::from_chars(b, e, n);
                if (ec == std::errc() && p == e && n >= 0 && n < 256) ev.interfaceNumber = n;
            }
        }
    }
    if (!haveId) return false;
    out = ev;
    return true;
}

std::string HidrawInterfaceName(const HidUevent& ev, int node) {
    char buf[128];
    if (ev.bus == kBusUsb) {
        if (ev.interfaceNumber >= 0)
            std::snprintf(buf, sizeof buf, "hid#vid_%04x&pid_%04x&mi_%02d#hidraw%d", ev.vendorId,
                          ev.productId, ev.interfaceNumber, node);
        else
            std::snprintf(buf, sizeof buf, "hid#vid_%04x&pid_%04x#hidraw%d", ev.vendorId,
                          ev.productId, node);
    } else if (ev.bus == kBusBluetooth) {
        std::snprintf(buf, sizeof buf,
                      "hid#{00001124-0000-1000-8000-00805f9b34fb}_vid&0002%04x_pid&%04x#hidraw%d",
                      ev.vendorId, ev.productId, node);
    } else {
        std::snprintf(buf, sizeof buf, "hid#bus_%04x_vid&%04x_pid&%04x#hidraw%d", ev.bus,
                      ev.vendorId, ev.productId, node);
    }
    return buf;
}

int HidrawNodeNumber(const std::string& entry) {
    return NodeNumber(entry, 0);
}

int HidrawNodeOfName(const std::string& name) {
    const size_t hash = name.rfind('#');
    if (hash == std::string::npos) return -1;
    return NodeNumber(name, hash + 1);
}

bool ReadHidrawNode(const std::string& sysRoot, int node, HidrawNode& out) {
    const std::string dir = sysRoot + "/hidraw" + std::to_string(node) + "/device/";
    std::vector<uint8_t> uevent, desc;
    if (!ReadWholeFile(dir + "uevent", uevent) || !ReadWholeFile(dir + "report_descriptor", desc))
        return false;
    HidUevent ev;
    if (!ParseHidUevent(std::string(uevent.begin(), uevent.end()), ev)) return false;
    HidrawNode n;
    n.node = node;
    n.uevent = ev;
    n.name = HidrawInterfaceName(ev, node);
    if (!ParseHidDescriptor(desc.data(), desc.size(), n.descriptor)) return false;
    out = std::move(n);
    return true;
}

std::vector<HidInterfaceInfo> HidrawInterfaces(const HidrawNode& node) {
    const HidDescriptorInfo& d = node.descriptor;
    HidInterfaceInfo base;
    base.vendorId = node.uevent.vendorId;
    base.productId = node.uevent.productId;
    std::vector<HidInterfaceInfo> out;

    // Without report ids a node has no report 8 or 9 at all.
    auto role = [&](int id, HidReportType type, const char* col) {
        if (!d.usesReportIds || d.Length(id, type) != kProtocolReportBytes) return;
        HidInterfaceInfo i = base;
        const size_t hash = node.name.rfind('#');
        i.path = node.name.substr(0, hash) + col + node.name.substr(hash);
        i.reportId = id;
        i.inputLength = d.Length(id, kHidInput);
        i.outputLength = d.Length(id, kHidOutput);
        i.featureLength = d.Length(id, kHidFeature);
        for (const auto& r : d.reports) {
            if (r.id != id) continue;
            i.usagePage = r.usagePage;
            i.usage = r.usage;
        }
        out.push_back(std::move(i));
    };
    role(kCommandReportId, kHidFeature, "&col01");
    role(kNotifyReportId, kHidInput, "&col02");
    if (!out.empty()) return out;

    HidInterfaceInfo plain = base;
    plain.path = node.name;
    plain.reportId = d.FirstReportId();
    plain.inputLength = d.MaxLength(kHidInput);
    plain.outputLength = d.MaxLength(kHidOutput);
    plain.featureLength = d.MaxLength(kHidFeature);
    plain.usagePage = d.usagePage;
    plain.usage = d.usage;
    out.push_back(std::move(plain));
    return out;
}

std::vector<HidrawNode> ScanHidrawNodes(const std::string& sysRoot) {
    std::vector<HidrawNode> nodes;
    std::vector<DirEntry> entries;
    if (!ListDir(sysRoot, entries)) return nodes;
    for (const DirEntry& e : entries) {
        const int n = NodeNumber(e.name, 0);
        if (n < 0) continue;
        HidrawNode node;
        if (ReadHidrawNode(sysRoot, n, node)) nodes.push_back(std::move(node));
    }
    std::sort(nodes.begin(), nodes.end(),
              [](const HidrawNode& a, const HidrawNode& b) { return a.node < b.node; });
    return nodes;
}

}  // namespace platform
