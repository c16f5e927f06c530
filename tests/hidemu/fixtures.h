// The HID devices the emulator can present: their hidraw nodes as the kernel shows them (bus,
// ids, name, physical path, report descriptor) and the reports each node carries. The
// descriptors are written for these tests; they follow what receivers and Bluetooth mice of
// this kind commonly declare.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hidemu {

constexpr int kBusUsb = 0x0003;
constexpr int kBusBluetooth = 0x0005;
// A vendor id that is not the product line's: its nodes must never be probed.
constexpr int kOtherVendorId = 0x0ABC;
// A product id of the product line's vendor that is none of the mouse's.
constexpr int kOtherProductId = 0x0001;

enum class ReportType { kInput, kOutput, kFeature };

struct ReportSpec {
    ReportType type;
    int id;     // 0: the node uses no report ids
    int bytes;  // length as read or written, the id byte included when there is one
};

struct NodeSpec {
    int bus = kBusUsb;
    int vendorId = 0;         // 0: the mouse's vendor id
    int productId = 0;        // 0: the mouse's product id for the bus (receiver or Bluetooth)
    int interfaceNumber = 0;  // USB only: the ".../inputN" of HID_PHYS
    std::string name;         // HID_NAME
    std::vector<uint8_t> descriptor;
    std::vector<ReportSpec> reports;
    // Report ids of the collections the noise generator uses; -1: the node has none.
    int pointerId = -1;
    int keyboardId = -1;
    int consumerId = -1;

    const ReportSpec* Find(ReportType type, int id) const;
    // Feature 8 and input 9 of the configuration protocol.
    bool CarriesCommand() const { return Find(ReportType::kFeature, 8) != nullptr; }
    bool CarriesNotify() const { return Find(ReportType::kInput, 9) != nullptr; }
};

struct Fixture {
    std::string name;  // "a" .. "f"
    std::string what;  // one line for people
    std::vector<NodeSpec> nodes;
};

// The fixture of that name; false when there is none.
//  a  receiver: interface 0 a boot mouse; interface 1 keyboard (id 1), consumer control (3),
//     system control (4) and one vendor collection with feature 8 and input 9
//  b  receiver: interface 0 a boot keyboard; interface 1 a mouse (id 2), consumer control and
//     two vendor collections, feature 8 in one and input 9 in the other
//  c  Bluetooth mouse: one node with mouse (2), keyboard (1), consumer control (3) and the
//     vendor collection
//  d  receiver whose vendor node also has a 64-byte feature report 0x10 and input report 0x11
//  e  nothing to find: the vendor collection behind another vendor id, and a keyboard of the
//     right vendor with another product id
//  f  nothing to find either: the vendor collection under the right vendor id but another
//     product id (the vendor id is shared by unrelated devices)
bool FixtureByName(const std::string& name, Fixture& out);
std::vector<std::string> FixtureNames();

}  // namespace hidemu
