#include "platform/hidraw_backend.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

#include "platform/files.h"
#include "platform/hidraw_sysfs.h"
#include "support/support.h"

using namespace platform;
using testing_support::TempDir;

namespace {

const std::string kVendorDesc = std::string(
    "\x06\x00\xFF\x09\x01\xA1\x01\x85\x09\x09\x02\x15\x00\x26\xFF\x00\x75\x08\x95\x0E\x81\x02"
    "\xC0",
    23);
const std::string kCommandDesc = std::string(
    "\x06\x00\xFF\x09\x01\xA1\x01\x85\x08\x09\x01\x15\x00\x26\xFF\x00\x75\x08\x95\x0E\xB1\x02"
    "\xC0",
    23);
const std::string kBootMouseDesc = std::string(
    "\x05\x01\x09\x02\xA1\x01\x09\x01\xA1\x00\x05\x09\x19\x01\x29\x03\x15\x00\x25\x01\x95\x03"
    "\x75\x01\x81\x02\x95\x01\x75\x05\x81\x03\x05\x01\x09\x30\x09\x31\x09\x38\x15\x81\x25\x7F"
    "\x75\x08\x95\x03\x81\x06\xC0\xC0",
    52);

// One node as a receiver's second interface presents it: consumer control (id 3) first, a
// keyboard (id 1), then the vendor collection with feature 8, input 9 and a long feature 0x10.
const std::string kSharedDesc = std::string(
    // consumer control, id 3, one 16-bit usage
    "\x05\x0C\x09\x01\xA1\x01\x85\x03\x15\x00\x26\xFF\x03\x19\x00\x2A\xFF\x03\x75\x10"
    "\x95\x01\x81\x00\xC0"
    // keyboard, id 1: modifiers, reserved byte, six key codes
    "\x05\x01\x09\x06\xA1\x01\x85\x01\x05\x07\x19\xE0\x29\xE7\x15\x00\x25\x01\x75\x01"
    "\x95\x08\x81\x02\x95\x01\x75\x08\x81\x01\x95\x06\x75\x08\x15\x00\x26\xFF\x00\x19"
    "\x00\x2A\xFF\x00\x81\x00\xC0"
    // vendor page: feature 8 and input 9 of 14 data bytes, feature 0x10 of 64
    "\x06\x00\xFF\x09\x01\xA1\x01\x85\x08\x09\x01\x15\x00\x26\xFF\x00\x75\x08\x95\x0E"
    "\xB1\x02\x85\x09\x09\x02\x95\x0E\x81\x02\x85\x10\x09\x03\x95\x40\xB1\x02\xC0",
    25 + 47 + 39);

// A fake /sys/class/hidraw and /dev: each node gets a uevent, a report descriptor and, when
// asked, a FIFO standing in for /dev/hidrawN.
class FakeHidraw {
  public:
    FakeHidraw() {
        MakeDirs(Sys());
        MakeDirs(Dev());
    }
    std::string Sys() const { return dir.path() + "/sys"; }
    std::string Dev() const { return dir.path() + "/dev"; }
    void AddNode(int n, const std::string& hidId, const std::string& phys, const std::string& desc,
                 bool withDevNode = true) {
        const std::string d = Sys() + "/hidraw" + std::to_string(n) + "/device";
        MakeDirs(d);
        const std::string uevent = "DRIVER=hid-generic\nHID_ID=" + hidId +
                                   "\nHID_NAME=Test\nHID_PHYS=" + phys + "\nMODALIAS=hid:x\n";
        ASSERT_TRUE(WriteFileAtomic(d + "/uevent", reinterpret_cast<const uint8_t*>(uevent.data()),
                                    uevent.size()));
        ASSERT_TRUE(WriteFileAtomic(d + "/report_descriptor",
                                    reinterpret_cast<const uint8_t*>(desc.data()), desc.size()));
        if (withDevNode) mkfifo((Dev() + "/hidraw" + std::to_string(n)).c_str(), 0600);
    }
    TempDir dir;
};

TEST(HidrawSysfs, ParsesUevent) {
    HidUevent ev;
    ASSERT_TRUE(
        ParseHidUevent("HID_ID=0003:00001209:00000007\nHID_PHYS=usb-0000:00:14.0-2/input1\n", ev));
    EXPECT_EQ(ev.bus, 3);
    EXPECT_EQ(ev.vendorId, 0x1209);
    EXPECT_EQ(ev.productId, 7);
    EXPECT_EQ(ev.interfaceNumber, 1);

    ASSERT_TRUE(ParseHidUevent("HID_PHYS=a8:7e:ea:00:00:01\nHID_ID=0005:00001209:00000008", ev));
    EXPECT_EQ(ev.bus, 5);
    EXPECT_EQ(ev.interfaceNumber, -1);

    for (const char* bad : {"", "HID_NAME=x\n", "HID_ID=0003:1209\n", "HID_ID=0003:zz:0007\n",
                            "HID_ID=0003:00001209:000000071\n"})
        EXPECT_FALSE(ParseHidUevent(bad, ev)) << bad;
}

TEST(HidrawSysfs, NamesMatchWhatTheDeviceLinkLooksFor) {
    HidUevent usb{kBusUsb, 0x1209, 0x0007, 1, ""};
    EXPECT_EQ(HidrawInterfaceName(usb, 3), "hid#vid_1209&pid_0007&mi_01#hidraw3");
    HidUevent bt{kBusBluetooth, 0x1209, 0x0008, -1, ""};
    const std::string btName = HidrawInterfaceName(bt, 5);
    EXPECT_EQ(btName, "hid#{00001124-0000-1000-8000-00805f9b34fb}_vid&00021209_pid&0008#hidraw5");
    EXPECT_EQ(btName.find("hid#vid_"), std::string::npos);

    EXPECT_EQ(HidrawNodeOfName("hid#vid_1209&pid_0007&mi_01#hidraw3"), 3);
    EXPECT_EQ(HidrawNodeOfName(btName), 5);
    for (const char* bad : {"", "hidraw3", "x#hidraw", "x#hidraw3/../hidraw4", "x#hidraw-1",
                            "x#hidraw3 ", "x#Hidraw3"})
        EXPECT_EQ(HidrawNodeOfName(bad), -1) << bad;
}

TEST(HidrawBackend, EnumeratesAFakeSysfsTree) {
    FakeHidraw fake;
    fake.AddNode(10, "0005:00001209:00000008", "a8:7e:ea:00:00:01", kVendorDesc);
    fake.AddNode(3, "0003:00001209:00000007", "usb-0000:00:14.0-2/input1", kCommandDesc);
    fake.AddNode(2, "0003:00001209:00000007", "usb-0000:00:14.0-2/input0", kBootMouseDesc);
    fake.AddNode(4, "0003:00001209:00000007", "usb-0000:00:14.0-2/input2", "\xA1\x01");
    MakeDirs(fake.Sys() + "/not-a-node/device");

    HidrawBackend backend(fake.Sys(), fake.Dev());
    const auto list = backend.Enumerate();
    ASSERT_EQ(list.size(), 3u);  // hidraw4's broken descriptor leaves it out
    EXPECT_EQ(list[0].path, "hid#vid_1209&pid_0007&mi_00#hidraw2");
    EXPECT_EQ(list[0].reportId, 0);
    EXPECT_EQ(list[0].inputLength, 4);
    EXPECT_EQ(list[0].usagePage, 1);
    EXPECT_EQ(list[0].usage, 2);

    EXPECT_EQ(list[1].path, "hid#vid_1209&pid_0007&mi_01&col01#hidraw3");
    EXPECT_EQ(list[1].reportId, 8);
    EXPECT_EQ(list[1].featureLength, 15);
    EXPECT_EQ(list[1].inputLength, 0);
    EXPECT_EQ(list[1].vendorId, 0x1209);
    EXPECT_EQ(list[1].productId, 7);

    EXPECT_NE(list[2].path.find("_vid&00021209_pid&0008&col02#hidraw10"), std::string::npos);
    EXPECT_EQ(list[2].reportId, 9);
    EXPECT_EQ(list[2].inputLength, 15);
    EXPECT_EQ(list[2].usagePage, 0xFF00);
}

TEST(HidrawBackend, ASharedNodeIsListedByRoleWithTheLengthsOfItsOwnReports) {
    FakeHidraw fake;
    fake.AddNode(4, "0003:00001209:00000007", "usb-0000:00:14.0-2/input1", kSharedDesc);
    HidrawBackend backend(fake.Sys(), fake.Dev());
    const auto list = backend.Enumerate();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].path, "hid#vid_1209&pid_0007&mi_01&col01#hidraw4");
    EXPECT_EQ(list[0].reportId, 8);
    EXPECT_EQ(list[0].featureLength, 15);  // not the 65 bytes of report 0x10
    EXPECT_EQ(list[0].inputLength, 0);
    EXPECT_EQ(list[1].path, "hid#vid_1209&pid_0007&mi_01&col02#hidraw4");
    EXPECT_EQ(list[1].reportId, 9);
    EXPECT_EQ(list[1].inputLength, 15);  // not the consumer or keyboard report
    for (const auto& i : list) {
        EXPECT_EQ(i.usagePage, 0xFF00);
        EXPECT_EQ(i.usage, 1);
        EXPECT_EQ(i.productId, 7);
        // Both names open the one node.
        const HidHandle h = backend.Open(i.path, nullptr);
        EXPECT_NE(h, kNoHidHandle) << i.path;
        backend.Close(h);
    }
    // The plain name of a node that has roles is no interface of its own.
    int err = 0;
    EXPECT_EQ(backend.Open("hid#vid_1209&pid_0007&mi_01#hidraw4", &err), kNoHidHandle);
}

TEST(HidrawBackend, OpenMapsNamesBackToNodesAndRefusesStaleOnes) {
    FakeHidraw fake;
    fake.AddNode(3, "0003:00001209:00000007", "usb-1/input2", kVendorDesc);
    fake.AddNode(6, "0003:00001209:00000007", "usb-1/input1", kCommandDesc, false);
    HidrawBackend backend(fake.Sys(), fake.Dev());

    int err = -1;
    const HidHandle h = backend.Open("HID#VID_1209&PID_0007&MI_02&COL02#hidraw3", &err);
    EXPECT_NE(h, kNoHidHandle);
    EXPECT_EQ(err, kHidOk);
    backend.Close(h);

    // The node number now belongs to another device: the old name must not open it.
    fake.AddNode(3, "0003:0000046d:0000c52b", "usb-1/input2", kVendorDesc, false);
    EXPECT_EQ(backend.Open("hid#vid_1209&pid_0007&mi_02&col02#hidraw3", &err), kNoHidHandle);
    EXPECT_EQ(err, kHidErrDeviceNotConnected);
    // In sysfs but its /dev node is gone (unplugged between listing and opening).
    EXPECT_EQ(backend.Open("hid#vid_1209&pid_0007&mi_01&col01#hidraw6", &err), kNoHidHandle);
    EXPECT_EQ(err, kHidErrDeviceNotConnected);
    // Names that do not end in a node, or try to leave the device folder.
    for (const char* bad : {"hid#vid_1209", "hid#vid_1209#hidraw3/../../etc/passwd", "#hidraw99"}) {
        EXPECT_EQ(backend.Open(bad, &err), kNoHidHandle) << bad;
        EXPECT_EQ(err, kHidErrDeviceNotConnected);
    }
}

TEST(HidrawBackend, MapsErrnoToTheLinkErrors) {
    EXPECT_EQ(HidErrorOfErrno(EACCES), kHidErrAccessDenied);
    EXPECT_EQ(HidErrorOfErrno(ENODEV), kHidErrDeviceNotConnected);
    EXPECT_EQ(HidErrorOfErrno(EIO), kHidErrDeviceNotConnected);
    EXPECT_EQ(HidErrorOfErrno(ENOENT), kHidErrDeviceNotConnected);
    EXPECT_EQ(HidErrorOfErrno(EPIPE), kHidErrGenFailure);
}

class HidrawReadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fake.AddNode(3, "0003:00001209:00000007", "usb-1/input2", kVendorDesc);
        fake.AddNode(2, "0003:00001209:00000007", "usb-1/input0", kBootMouseDesc);
        h = backend.Open("hid#vid_1209&pid_0007&mi_02&col02#hidraw3", nullptr);
        ASSERT_NE(h, kNoHidHandle);
        // A second descriptor on the FIFO to play the kernel's side.
        feed = ::open((fake.Dev() + "/hidraw3").c_str(), O_RDWR | O_CLOEXEC);
        ASSERT_GE(feed, 0);
    }
    void TearDown() override {
        if (feed >= 0) ::close(feed);
    }
    FakeHidraw fake;
    HidrawBackend backend{fake.Sys(), fake.Dev()};
    HidHandle h = kNoHidHandle;
    int feed = -1;
};

TEST_F(HidrawReadTest, ReadsAReportAndTimesOut) {
    const uint8_t report[15] = {9, 2, 0, 0, 0, 0, 1};
    ASSERT_EQ(::write(feed, report, sizeof report), 15);
    uint8_t buf[64] = {};
    size_t got = 0;
    ASSERT_EQ(backend.ReadInput(h, buf, sizeof buf, 100, &got), kHidOk);
    EXPECT_EQ(got, 15u);
    EXPECT_EQ(buf[0], 9);
    EXPECT_EQ(buf[6], 1);

    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(backend.ReadInput(h, buf, sizeof buf, 50, &got), kHidErrTimeout);
    EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(45));
}

TEST_F(HidrawReadTest, UnnumberedReportsGetAZeroIdInFront) {
    const HidHandle m = backend.Open("hid#vid_1209&pid_0007&mi_00#hidraw2", nullptr);
    ASSERT_NE(m, kNoHidHandle);
    const int mfeed = ::open((fake.Dev() + "/hidraw2").c_str(), O_RDWR | O_CLOEXEC);
    const uint8_t move[4] = {1, 5, 0xFB, 0};
    ASSERT_EQ(::write(mfeed, move, sizeof move), 4);
    uint8_t buf[8] = {0xEE};
    size_t got = 0;
    ASSERT_EQ(backend.ReadInput(m, buf, sizeof buf, 100, &got), kHidOk);
    EXPECT_EQ(got, 5u);
    EXPECT_EQ(buf[0], 0);
    EXPECT_EQ(buf[1], 1);
    EXPECT_EQ(buf[3], 0xFB);
    ::close(mfeed);
}

TEST_F(HidrawReadTest, CancelAndCloseEndAPendingRead) {
    uint8_t buf[15];
    size_t got = 0;
    int result = -1;
    std::thread reader([&] { result = backend.ReadInput(h, buf, sizeof buf, -1, &got); });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    backend.CancelRead(h);
    reader.join();
    EXPECT_EQ(result, kHidErrOperationAborted);

    // A cancel that comes before the read still ends it.
    backend.CancelRead(h);
    EXPECT_EQ(backend.ReadInput(h, buf, sizeof buf, 1000, &got), kHidErrOperationAborted);

    std::thread reader2([&] { result = backend.ReadInput(h, buf, sizeof buf, -1, &got); });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    backend.Close(h);
    reader2.join();
    EXPECT_EQ(result, kHidErrOperationAborted);
    EXPECT_EQ(backend.ReadInput(h, buf, sizeof buf, 0, &got), kHidErrInvalidHandle);
    EXPECT_FALSE(backend.IsAttached(h));
}

}  // namespace
