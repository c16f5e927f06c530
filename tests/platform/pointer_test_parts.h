// Stand-ins the pointer-settings tests share: a private session bus and the X server's
// libinput pointers.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/xinput_pointers.h"

extern char** environ;

namespace platform_test {

// A dbus-daemon of the test's own, so the session's bus is never touched.
class PrivateBus {
  public:
    PrivateBus() {
        int out[2];
        if (pipe(out) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        char* argv[] = {const_cast<char*>("dbus-daemon"), const_cast<char*>("--session"),
                        const_cast<char*>("--nofork"), const_cast<char*>("--print-address=1"),
                        nullptr};
        if (posix_spawnp(&m_pid, "dbus-daemon", &actions, nullptr, argv, environ) != 0) m_pid = 0;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        char c = 0;
        while (m_pid && read(out[0], &c, 1) == 1 && c != '\n') m_address += c;
        close(out[0]);
    }
    ~PrivateBus() {
        if (m_pid) {
            kill(m_pid, SIGTERM);
            int status = 0;
            waitpid(m_pid, &status, 0);
        }
    }
    const std::string& Address() const { return m_address; }

  private:
    pid_t m_pid = 0;
    std::string m_address;
};

// The X server's devices as a stand-in: libinput pointers with their two properties.
class FakeXInput : public platform::XInputPointers {
  public:
    struct Dev {
        std::string name;
        std::vector<float> speed = {0};
        std::vector<uint8_t> profiles = {1, 0, 0};
        bool refuse = false;
    };
    std::map<int, Dev>* devices;
    explicit FakeXInput(std::map<int, Dev>* d) : devices(d) {}
    std::vector<int> Pointers() override {
        std::vector<int> ids;
        for (const auto& [id, d] : *devices) ids.push_back(id);
        return ids;
    }
    std::string DeviceName(int id) override { return (*devices)[id].name; }
    bool GetFloats(int id, const char* p, std::vector<float>& v) override {
        if (std::string(p) != platform::kXAccelSpeed) return false;
        v = (*devices)[id].speed;
        return true;
    }
    bool SetFloats(int id, const char* p, const std::vector<float>& v) override {
        if (std::string(p) != platform::kXAccelSpeed || (*devices)[id].refuse) return false;
        (*devices)[id].speed = v;
        return true;
    }
    bool GetBytes(int id, const char* p, std::vector<uint8_t>& v) override {
        if (std::string(p) != platform::kXAccelProfiles) return false;
        v = (*devices)[id].profiles;
        return true;
    }
    bool SetBytes(int id, const char* p, const std::vector<uint8_t>& v) override {
        Dev& d = (*devices)[id];
        if (std::string(p) != platform::kXAccelProfiles || d.refuse ||
            v.size() != d.profiles.size())
            return false;
        d.profiles = v;
        return true;
    }
};

}  // namespace platform_test
