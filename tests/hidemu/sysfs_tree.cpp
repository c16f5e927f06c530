#include "hidemu/sysfs_tree.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace hidemu {
namespace {

namespace fs = std::filesystem;

// hidraw's character device major varies by machine; 240 is a common dynamic one.
constexpr int kHidrawMajor = 240;

bool WriteText(const fs::path& p, const std::string& text, std::string& error) {
    std::ofstream out(p, std::ios::binary);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out) {
        error = "cannot write " + p.string();
        return false;
    }
    return true;
}

std::string DeviceName(const SysfsIds& ids) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04X:%04X:%04X.%04X", ids.bus & 0xFFFF, ids.vendorId & 0xFFFF,
                  ids.productId & 0xFFFF, ids.hidSequence & 0xFFFF);
    return buf;
}

}  // namespace

std::string HidPhys(const NodeSpec& spec) {
    if (spec.bus == kBusBluetooth) return "a8:7e:ea:10:20:30";  // the adapter
    return "usb-0000:00:14.0-2/input" + std::to_string(spec.interfaceNumber);
}

std::string HidUniq(const NodeSpec& spec) {
    return spec.bus == kBusBluetooth ? "d4:3a:2c:00:12:09" : "";  // the mouse
}

std::string HidUeventText(const NodeSpec& spec, const SysfsIds& ids) {
    char id[64], alias[64];
    std::snprintf(id, sizeof id, "%04X:%08X:%08X", ids.bus & 0xFFFF, ids.vendorId & 0xFFFF,
                  ids.productId & 0xFFFF);
    std::snprintf(alias, sizeof alias, "hid:b%04Xg0001v%08Xp%08X", ids.bus & 0xFFFF,
                  ids.vendorId & 0xFFFF, ids.productId & 0xFFFF);
    return "DRIVER=hid-generic\nHID_ID=" + std::string(id) + "\nHID_NAME=" + spec.name +
           "\nHID_PHYS=" + HidPhys(spec) + "\nHID_UNIQ=" + HidUniq(spec) + "\nMODALIAS=" + alias +
           "\n";
}

std::string AddSysfsNode(const std::string& top, const NodeSpec& spec, const SysfsIds& ids,
                         int number, std::string& error) {
    const std::string node = "hidraw" + std::to_string(number);
    const fs::path device = fs::path(top) / "devices/virtual/hidemu" / DeviceName(ids);
    const fs::path child = device / "hidraw" / node;
    std::error_code ec;
    fs::create_directories(child, ec);
    fs::create_directories(fs::path(top) / "class/hidraw", ec);
    if (ec) {
        error = "cannot create " + child.string() + ": " + ec.message();
        return "";
    }
    const std::string desc(spec.descriptor.begin(), spec.descriptor.end());
    const std::string dev = std::to_string(kHidrawMajor) + ":" + std::to_string(number);
    if (!WriteText(device / "uevent", HidUeventText(spec, ids), error) ||
        !WriteText(device / "report_descriptor", desc, error) ||
        !WriteText(child / "dev", dev + "\n", error) ||
        !WriteText(child / "uevent",
                   "MAJOR=" + std::to_string(kHidrawMajor) + "\nMINOR=" + std::to_string(number) +
                       "\nDEVNAME=" + node + "\n",
                   error))
        return "";
    fs::create_directory_symlink("../..", child / "device", ec);
    if (!ec)
        fs::create_directory_symlink(
            fs::path("../../devices/virtual/hidemu") / DeviceName(ids) / "hidraw" / node,
            fs::path(top) / "class/hidraw" / node, ec);
    if (ec) {
        error = "cannot link " + node + ": " + ec.message();
        return "";
    }
    return device.string();
}

void RemoveSysfsNode(const std::string& top, int number, const std::string& deviceDir) {
    std::error_code ec;
    fs::remove(fs::path(top) / "class/hidraw" / ("hidraw" + std::to_string(number)), ec);
    if (!deviceDir.empty()) fs::remove_all(deviceDir, ec);
}

}  // namespace hidemu
