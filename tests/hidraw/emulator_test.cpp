// The emulated nodes themselves: what sysfs shows, the ioctls, read and poll, unplugging, as
// seen through system calls and through the hidraw backend.
#include <dirent.h>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "hidraw_fixture.h"
#include "platform/files.h"
#include "platform/hid_descriptor.h"
#include "platform/hidraw_sysfs.h"

namespace hidraw_test {
namespace {

using Bytes = std::vector<uint8_t>;

// A descriptor that closes itself.
struct Fd {
    explicit Fd(const std::string& path, int flags = O_RDWR | O_NONBLOCK | O_CLOEXEC)
        : fd(::open(path.c_str(), flags)), err(errno) {}
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
    int fd;
    int err;
};

std::vector<std::string> List(const std::string& dir) {
    std::vector<std::string> out;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (dirent* e = ::readdir(d))
            if (e->d_name[0] != '.') out.push_back(e->d_name);
        ::closedir(d);
    }
    std::sort(out.begin(), out.end());
    return out;
}

int PollIn(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    const int r = ::poll(&p, 1, timeoutMs);
    return r <= 0 ? r : p.revents;
}

// The reports the engine's own parser finds, as (type, id, bytes), to hold against what the
// fixture says the node carries.
std::vector<std::tuple<int, int, int>> ParsedReports(const Bytes& desc) {
    platform::HidDescriptorInfo info;
    EXPECT_TRUE(platform::ParseHidDescriptor(desc.data(), desc.size(), info));
    std::vector<std::tuple<int, int, int>> out;
    for (const auto& r : info.reports)
        for (int t = 0; t < platform::kHidReportTypes; ++t)
            if (r.bytes[t] > 0) out.emplace_back(t, r.id, r.bytes[t]);
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::tuple<int, int, int>> DeclaredReports(const hidemu::NodeSpec& spec) {
    std::vector<std::tuple<int, int, int>> out;
    for (const auto& r : spec.reports) {
        const int t = r.type == hidemu::ReportType::kInput    ? platform::kHidInput
                      : r.type == hidemu::ReportType::kOutput ? platform::kHidOutput
                                                              : platform::kHidFeature;
        out.emplace_back(t, r.id, r.bytes);
    }
    std::sort(out.begin(), out.end());
    return out;
}

TEST_F(EmulatorTest, SysfsShowsEveryNodeOfEachFixtureAsTheKernelDoes) {
    for (const std::string& name : hidemu::FixtureNames()) {
        SCOPED_TRACE("fixture " + name);
        hidemu::Emulator e;
        std::string error;
        ASSERT_TRUE(e.Start(name, MouseSetup(name), error)) << error;
        const auto& fixture = e.Nodes();
        const auto nodes = platform::ScanHidrawNodes(e.SysRoot());
        ASSERT_EQ(nodes.size(), fixture.nodes.size());
        EXPECT_EQ(List(e.DevRoot()).size(), fixture.nodes.size());
        for (size_t i = 0; i < nodes.size(); ++i) {
            const hidemu::NodeSpec& spec = fixture.nodes[i];
            EXPECT_EQ(nodes[i].node, e.NodeNumber(static_cast<int>(i)));
            EXPECT_EQ(DeclaredReports(spec), ParsedReports(spec.descriptor)) << "node " << i;
            EXPECT_EQ(nodes[i].uevent.vendorId, spec.vendorId ? spec.vendorId : 0x1209);
            std::vector<uint8_t> uevent;
            ASSERT_TRUE(platform::ReadWholeFile(
                e.SysRoot() + "/hidraw" + std::to_string(nodes[i].node) + "/device/uevent",
                uevent));
            const std::string text(uevent.begin(), uevent.end());
            platform::HidUevent ev;
            ASSERT_TRUE(platform::ParseHidUevent(text, ev));
            EXPECT_EQ(ev.bus, spec.bus);
            EXPECT_NE(text.find("HID_NAME=" + spec.name + "\n"), std::string::npos);
            EXPECT_NE(text.find("MODALIAS=hid:b000"), std::string::npos);
            if (spec.bus == hidemu::kBusBluetooth) {
                EXPECT_NE(text.find("HID_UNIQ=d4:3a:2c"), std::string::npos);
                EXPECT_EQ(ev.interfaceNumber, -1);
            } else {
                EXPECT_EQ(ev.interfaceNumber, spec.interfaceNumber);
            }
        }
        e.Stop();
        EXPECT_TRUE(List(e.DevRoot()).empty());
    }
}

TEST_F(EmulatorTest, IoctlsAnswerLikeHidraw) {
    ASSERT_TRUE(StartFixture("d"));
    const hidemu::NodeSpec& spec = emu.Nodes().nodes[1];
    Fd f(emu.DevPath(1));
    ASSERT_GE(f.fd, 0) << std::strerror(f.err);

    int size = 0;
    ASSERT_EQ(::ioctl(f.fd, HIDIOCGRDESCSIZE, &size), 0);
    EXPECT_EQ(size, static_cast<int>(spec.descriptor.size()));
    hidraw_report_descriptor desc{};
    desc.size = static_cast<uint32_t>(size);
    ASSERT_EQ(::ioctl(f.fd, HIDIOCGRDESC, &desc), 0);
    EXPECT_EQ(Bytes(desc.value, desc.value + size), spec.descriptor);

    hidraw_devinfo info{};
    ASSERT_EQ(::ioctl(f.fd, HIDIOCGRAWINFO, &info), 0);
    EXPECT_EQ(info.bustype, 3u);
    EXPECT_EQ(static_cast<uint16_t>(info.vendor), 0x1209);
    EXPECT_EQ(static_cast<uint16_t>(info.product), 0x0007);

    char name[256] = {};
    EXPECT_EQ(::ioctl(f.fd, HIDIOCGRAWNAME(sizeof name), name),
              static_cast<int>(spec.name.size() + 1));
    EXPECT_EQ(std::string(name), spec.name);
    char shortName[5] = {};
    EXPECT_EQ(::ioctl(f.fd, HIDIOCGRAWNAME(sizeof shortName), shortName), 5);
    EXPECT_EQ(std::string(shortName, 5), spec.name.substr(0, 5));
    char phys[64] = {};
    EXPECT_GT(::ioctl(f.fd, HIDIOCGRAWPHYS(sizeof phys), phys), 0);
    EXPECT_EQ(std::string(phys), "usb-0000:00:14.0-2/input1");

    // The long neighbour reads back as zeros of its own length; unknown ids stall.
    uint8_t feature[80] = {0x10, 0xEE, 0xEE};
    EXPECT_EQ(::ioctl(f.fd, HIDIOCGFEATURE(sizeof feature), feature), 64);
    EXPECT_EQ(feature[0], 0x10);
    EXPECT_EQ(feature[1], 0);
    EXPECT_EQ(::ioctl(f.fd, HIDIOCSFEATURE(64), feature), 64);
    uint8_t unknown[15] = {0x07};
    EXPECT_EQ(::ioctl(f.fd, HIDIOCSFEATURE(sizeof unknown), unknown), -1);
    EXPECT_EQ(errno, EPIPE);
    EXPECT_EQ(::ioctl(f.fd, _IOC(_IOC_READ, 'H', 0x3F, 4), name), -1);
    EXPECT_EQ(errno, ENOTTY);
    EXPECT_EQ(::ioctl(f.fd, _IOC(_IOC_READ, 'Q', 0x01, 4), name), -1);
    EXPECT_EQ(errno, EINVAL);

    // Feature 8 reaches the mouse, whose reply comes back as input 9 on the node.
    uint8_t status[15] = {8, 2};
    status[14] = static_cast<uint8_t>(0x55 - 8 - 2);
    EXPECT_EQ(::ioctl(f.fd, HIDIOCSFEATURE(sizeof status), status), 15);
    ASSERT_GT(PollIn(f.fd, 1000) & POLLIN, 0);
    uint8_t reply[64] = {};
    ASSERT_EQ(::read(f.fd, reply, sizeof reply), 15);
    EXPECT_EQ(reply[0], 9);
    EXPECT_EQ(reply[1], 2);
    EXPECT_EQ(reply[6], 1);  // r[5]: the mouse is reachable
}

TEST_F(EmulatorTest, EveryReaderGetsEveryReportOneWholeReportPerRead) {
    ASSERT_TRUE(StartFixture("a"));
    Fd a(emu.DevPath(1)), b(emu.DevPath(1));
    ASSERT_GE(a.fd, 0);
    ASSERT_GE(b.fd, 0);
    uint8_t buf[64];
    EXPECT_EQ(::read(a.fd, buf, sizeof buf), -1);
    EXPECT_EQ(errno, EAGAIN);
    EXPECT_EQ(PollIn(a.fd, 0), 0);

    ASSERT_TRUE(emu.InjectKeystroke(1));
    EXPECT_EQ(PollIn(a.fd, 0) & (POLLIN | POLLERR), POLLIN);
    for (int fd : {a.fd, b.fd}) {
        ASSERT_EQ(::read(fd, buf, sizeof buf), 9);  // press
        EXPECT_EQ(buf[0], 1);
        EXPECT_EQ(buf[3], 0x04);
        ASSERT_EQ(::read(fd, buf, 4), 4);  // release, cut to the buffer and gone
        EXPECT_EQ(::read(fd, buf, sizeof buf), -1);
    }
    EXPECT_FALSE(emu.InjectKeystroke(0));  // the boot mouse has no keyboard

    // A blocking reader wakes for the next report.
    Fd blocking(emu.DevPath(1), O_RDWR | O_CLOEXEC);
    ssize_t got = 0;
    std::thread reader([&] { got = ::read(blocking.fd, buf, sizeof buf); });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    ASSERT_TRUE(emu.InjectConsumerKey(1));
    reader.join();
    EXPECT_EQ(got, 3);
    EXPECT_EQ(buf[0], 3);

    // A reader that does not read keeps the first 64 reports; newer ones are dropped.
    const long droppedBefore = emu.Dropped();
    for (int i = 0; i < 70; ++i) ASSERT_TRUE(emu.InjectReport(1, {4, static_cast<uint8_t>(i)}));
    int n = 0;
    uint8_t first = 0xFF, last = 0;
    while (::read(b.fd, buf, sizeof buf) > 0) {
        if (buf[0] != 4) continue;
        if (n == 0) first = buf[1];
        last = buf[1];
        ++n;
    }
    EXPECT_EQ(n, 62);  // two slots still held the consumer key above
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 61);
    EXPECT_EQ(emu.Dropped() - droppedBefore, 8 + 8 + 7);  // b, a and the blocking reader
}

// As the kernel does: a replugged node takes the lowest number that no present node and no
// file still open on a removed node holds.
TEST_F(EmulatorTest, ReplugReusesTheLowestNumbersNoOpenFileHolds) {
    ASSERT_TRUE(StartFixture("a"));
    const int first0 = emu.NodeNumber(0), first1 = emu.NodeNumber(1);
    {
        Fd held(emu.DevPath(1));
        ASSERT_GE(held.fd, 0);
        emu.Unplug();
        emu.Replug();
        EXPECT_EQ(emu.NodeNumber(0), first0);
        EXPECT_NE(emu.NodeNumber(1), first1);  // still held by the old file
        EXPECT_NE(emu.NodeNumber(1), first0);
    }
    emu.Unplug();
    emu.Replug();
    EXPECT_EQ(emu.NodeNumber(0), first0);
    EXPECT_EQ(emu.NodeNumber(1), first1);
}

TEST_F(EmulatorTest, UnplugEndsOpenFilesAndReplugComesBackUnderNewNumbers) {
    ASSERT_TRUE(StartFixture("a"));
    const uint8_t mark[4] = {0xA5, 0x5A, 0x01, 0x02};
    ASSERT_TRUE(emu.Mouse().WriteMemory(0, 0x300, mark, 4));
    const int before = emu.NodeNumber(1);
    Fd f(emu.DevPath(1));
    Fd blocking(emu.DevPath(1), O_RDWR | O_CLOEXEC);
    ASSERT_GE(f.fd, 0);
    ASSERT_TRUE(emu.InjectConsumerKey(1));
    uint8_t buf[64];
    ASSERT_EQ(::read(blocking.fd, buf, sizeof buf), 3);  // the press; the release waits
    ASSERT_EQ(::read(blocking.fd, buf, sizeof buf), 3);
    ssize_t got = 0;
    int readErr = 0;
    std::thread reader([&] {
        got = ::read(blocking.fd, buf, sizeof buf);
        readErr = errno;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));

    emu.Unplug();
    reader.join();
    EXPECT_EQ(got, -1);
    EXPECT_EQ(readErr, EIO);
    EXPECT_TRUE(List(emu.DevRoot()).empty());
    EXPECT_TRUE(List(emu.SysRoot()).empty());
    EXPECT_EQ(emu.NodeNumber(1), -1);
    EXPECT_EQ(PollIn(f.fd, 0) & (POLLIN | POLLERR | POLLHUP), POLLIN | POLLERR | POLLHUP);
    ASSERT_EQ(::read(f.fd, buf, sizeof buf), 3);  // queued before the unplug
    ASSERT_EQ(::read(f.fd, buf, sizeof buf), 3);
    EXPECT_EQ(::read(f.fd, buf, sizeof buf), -1);
    EXPECT_EQ(errno, EIO);
    hidraw_devinfo info{};
    EXPECT_EQ(::ioctl(f.fd, HIDIOCGRAWINFO, &info), -1);
    EXPECT_EQ(errno, ENODEV);
    uint8_t status[15] = {8, 2};
    EXPECT_EQ(::ioctl(f.fd, HIDIOCSFEATURE(sizeof status), status), -1);
    EXPECT_EQ(errno, ENODEV);
    Fd gone("/" + emu.DevRoot() + "/hidraw" + std::to_string(before));
    EXPECT_EQ(gone.fd, -1);
    EXPECT_EQ(gone.err, ENOENT);

    emu.Replug();
    EXPECT_EQ(List(emu.DevRoot()).size(), 2u);
    EXPECT_GT(emu.NodeNumber(1), before);
    EXPECT_EQ(emu.Mouse().ReadMemory(0, 0x300, 4), Bytes(mark, mark + 4));
    Fd again(emu.DevPath(1));
    ASSERT_GE(again.fd, 0);
    EXPECT_EQ(::ioctl(again.fd, HIDIOCGRAWINFO, &info), 0);
    EXPECT_EQ(::ioctl(f.fd, HIDIOCGRAWINFO, &info), -1);  // the old file stays dead
}

TEST_F(EmulatorTest, TheBackendReadsRepliesAndSeesDenialsAndDisconnects) {
    ASSERT_TRUE(StartFixture("c"));
    const auto list = backend->Enumerate();
    ASSERT_FALSE(list.empty());
    for (const auto& i : list) EXPECT_EQ(platform::HidrawNodeOfName(i.path), emu.NodeNumber(0));
    int err = -1;
    const platform::HidHandle h = backend->Open(list[0].path, &err);
    ASSERT_NE(h, platform::kNoHidHandle) << err;
    uint8_t status[15] = {8, 2};
    status[14] = static_cast<uint8_t>(0x55 - 8 - 2);
    ASSERT_EQ(backend->SetFeature(h, status, sizeof status), platform::kHidOk);
    uint8_t buf[64];
    size_t got = 0;
    ASSERT_EQ(backend->ReadInput(h, buf, sizeof buf, 1000, &got), platform::kHidOk);
    EXPECT_EQ(got, 15u);
    EXPECT_EQ(buf[0], 9);
    EXPECT_TRUE(backend->IsAttached(h));

    emu.SetOpenDenied(0, true);
    EXPECT_EQ(backend->Open(list[0].path, &err), platform::kNoHidHandle);
    EXPECT_EQ(err, platform::kHidErrAccessDenied);

    emu.Unplug();
    EXPECT_FALSE(backend->IsAttached(h));
    EXPECT_EQ(backend->ReadInput(h, buf, sizeof buf, 1000, &got),
              platform::kHidErrDeviceNotConnected);
    EXPECT_EQ(backend->SetFeature(h, status, sizeof status), platform::kHidErrDeviceNotConnected);
    EXPECT_TRUE(backend->Enumerate().empty());
    backend->Close(h);
}

TEST_F(EmulatorTest, StopUnmountsWhileFilesAreStillOpen) {
    ASSERT_TRUE(StartFixture("a"));
    const std::string dev = emu.DevRoot();
    Fd f(emu.DevPath(1));
    Fd blocking(emu.DevPath(1), O_RDWR | O_CLOEXEC);
    ASSERT_GE(blocking.fd, 0);
    uint8_t buf[64];
    ssize_t got = 0;
    std::thread reader([&] { got = ::read(blocking.fd, buf, sizeof buf); });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    emu.Stop();
    reader.join();
    EXPECT_EQ(got, -1);
    EXPECT_EQ(::read(f.fd, buf, sizeof buf), -1);  // the connection is gone
    std::vector<uint8_t> text;
    ASSERT_TRUE(platform::ReadWholeFile("/proc/self/mounts", text));
    EXPECT_EQ(std::string(text.begin(), text.end()).find(dev), std::string::npos);
    EXPECT_NE(::access(dev.c_str(), F_OK), 0);  // the folder is removed too
}

}  // namespace
}  // namespace hidraw_test
