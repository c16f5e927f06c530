// sway: the commands go to a real headless compositor, and the read-back is checked against a
// stand-in that keeps what it is told (a headless sway has no pointer to show values on).
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "headless_sway.h"
#include "platform/files.h"
#include "platform/json_reader.h"
#include "platform/pointer_settings.h"
#include "platform/sway_ipc.h"
#include "support/pointer_round_trip.h"
#include "support/support.h"

extern char** environ;

namespace {

using platform::SwayIpc;
using platform_test::HeadlessSway;
using platform_test::OnPath;

TEST(SwayPointerTest, TheRealCompositorAcceptsEveryCommandTheBackendSends) {
    if (!OnPath("sway")) GTEST_SKIP() << "sway is not installed (scripts/deps.sh installs it)";
    HeadlessSway sway;
    ASSERT_FALSE(sway.Socket().empty()) << sway.Log();

    // The compositor checks its input commands, so an accepted one means something.
    auto ipc = SwayIpc::Connect(sway.Socket());
    ASSERT_TRUE(ipc);
    std::string reply;
    ASSERT_TRUE(
        ipc->Request(platform::kSwayRunCommand, "input type:pointer pointer_accel 1.5", reply));
    EXPECT_NE(std::string::npos, reply.find("\"success\": false")) << reply;

    // With no pointer attached an accepted command counts (sway keeps it for the next one).
    auto backend = platform::MakeSwayPointerSettings(sway.Socket());
    for (int speed = 1; speed <= 20; ++speed) EXPECT_TRUE(backend->SetSpeed(speed)) << speed;
    for (bool on : {true, false}) EXPECT_TRUE(backend->SetPrecision(on)) << on;
    for (int lines = 1; lines <= 20; ++lines) EXPECT_TRUE(backend->SetScrollLines(lines)) << lines;
    EXPECT_FALSE(backend->SetScrollLines(-1));  // no page-per-notch factor
    EXPECT_FALSE(backend->SetDoubleClickTime(400));
}

// A compositor stand-in on a socket: one pointer, one touchpad, and the input commands applied
// to every device of the named type as sway does.
class FakeSway {
  public:
    struct Device {
        std::string type;
        double accel = 0, factor = 1;
        std::string profile = "adaptive";
    };
    std::vector<Device> devices = {{"pointer"}, {"touchpad"}};
    std::atomic<bool> refuse{false};  // answer every command with success false
    std::atomic<bool> stuck{false};   // accept commands yet keep the old values
    std::vector<std::string> commands;
    std::mutex mutex;

    FakeSway() {
        m_path = m_dir.File("ipc.sock");
        m_listen = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, m_path.c_str(), sizeof addr.sun_path - 1);
        bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        listen(m_listen, 4);
        m_thread = std::thread([this] { Serve(); });
    }
    ~FakeSway() {
        m_stop = true;
        m_thread.join();
        close(m_listen);
    }
    const std::string& Path() const { return m_path; }

  private:
    void Serve() {
        while (!m_stop) {
            pollfd p{m_listen, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) continue;
            const int fd = accept(m_listen, nullptr, nullptr);
            if (fd < 0) continue;
            char header[14];
            while (recv(fd, header, sizeof header, MSG_WAITALL) == sizeof header) {
                uint32_t length = 0, type = 0;
                std::memcpy(&length, header + 6, 4);
                std::memcpy(&type, header + 10, 4);
                std::string payload(length, '\0');
                if (length && recv(fd, payload.data(), length, MSG_WAITALL) != length) break;
                const std::string reply = Answer(type, payload);
                const uint32_t replyLength = static_cast<uint32_t>(reply.size());
                std::memcpy(header + 6, &replyLength, 4);
                send(fd, header, sizeof header, MSG_NOSIGNAL);
                send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);
            }
            close(fd);
        }
    }
    std::string Answer(uint32_t type, const std::string& payload) {
        std::lock_guard<std::mutex> lock(mutex);
        if (type == platform::kSwayGetInputs) {
            std::string out = "[";
            for (const Device& d : devices) {
                if (out.size() > 1) out += ",";
                out += "{\"identifier\":\"1:2:x\",\"type\":\"" + d.type +
                       "\",\"scroll_factor\":" + std::to_string(d.factor) +
                       ",\"libinput\":{\"accel_speed\":" + std::to_string(d.accel) +
                       ",\"accel_profile\":\"" + d.profile + "\"}}";
            }
            return out + "]";
        }
        commands.push_back(payload);
        if (refuse) return "[{\"success\":false,\"error\":\"no\"}]";
        std::stringstream words(payload);
        std::string input, target, name, value;
        words >> input >> target >> name >> value;
        if (input != "input" || target.rfind("type:", 0) != 0) return "[{\"success\":false}]";
        for (Device& d : devices) {
            if (stuck || "type:" + d.type != target) continue;
            if (name == "pointer_accel")
                d.accel = std::stod(value);
            else if (name == "scroll_factor")
                d.factor = std::stod(value);
            else if (name == "accel_profile")
                d.profile = value;
            else
                return "[{\"success\":false}]";
        }
        return "[{\"success\":true}]";
    }

    testing_support::TempDir m_dir;
    std::string m_path;
    int m_listen = -1;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

TEST(SwayPointerTest, EveryValueReadsBackAndTouchpadsKeepTheirOwn) {
    FakeSway sway;
    auto backend = platform::MakeSwayPointerSettings(sway.Path());
    testing_support::ExpectEveryValueRoundTrips(*backend);
    EXPECT_TRUE(backend->SetSpeed(3));
    EXPECT_TRUE(backend->SetScrollLines(6));
    std::lock_guard<std::mutex> lock(sway.mutex);
    EXPECT_EQ("input type:pointer pointer_accel -0.700000",
              sway.commands[sway.commands.size() - 2]);
    EXPECT_EQ("input type:pointer scroll_factor 2.000000", sway.commands.back());
    EXPECT_DOUBLE_EQ(0, sway.devices[1].accel);
    EXPECT_DOUBLE_EQ(1, sway.devices[1].factor);
    EXPECT_EQ("adaptive", sway.devices[1].profile);
}

TEST(SwayPointerTest, ARefusedOrUnkeptValueIsNotStored) {
    FakeSway sway;
    auto backend = platform::MakeSwayPointerSettings(sway.Path());
    sway.refuse = true;
    EXPECT_FALSE(backend->SetSpeed(12));
    sway.refuse = false;
    sway.stuck = true;
    EXPECT_FALSE(backend->SetSpeed(12));
    EXPECT_FALSE(backend->SetPrecision(false));
    EXPECT_FALSE(backend->SetScrollLines(9));
    int speed = 0;
    ASSERT_TRUE(backend->GetSpeed(speed));
    EXPECT_EQ(10, speed);
    EXPECT_FALSE(platform::MakeSwayPointerSettings(sway.Path() + ".gone")->SetSpeed(12));
}

}  // namespace
