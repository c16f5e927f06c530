// Stand-ins the pointer-settings tests share: a private session bus and the X server's
// libinput pointers.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
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

// A stand-in service on a private bus, served from its own thread: Open connects, the owner
// adds its objects and calls Serve with its well-known name; the owner's destructor calls Stop
// before its own members go (the thread's handlers use them). mutex is held while a call is
// handled.
class BusService {
  public:
    std::mutex mutex;
    bool Ready() const { return m_ready; }

  protected:
    bool Open(const std::string& address) {
        return sd_bus_new(&m_bus) >= 0 && sd_bus_set_address(m_bus, address.c_str()) >= 0 &&
               sd_bus_set_bus_client(m_bus, 1) >= 0 && sd_bus_start(m_bus) >= 0;
    }
    void Serve(const char* name) {
        m_ready = sd_bus_request_name(m_bus, name, 0) >= 0;
        m_thread = std::thread([this] {
            while (!m_stop) {
                int r = 0;
                {
                    std::lock_guard<std::mutex> lock(mutex);
                    r = sd_bus_process(m_bus, nullptr);
                }
                if (r <= 0) sd_bus_wait(m_bus, 20'000);
            }
        });
    }
    void Stop() {
        m_stop = true;
        if (m_thread.joinable()) m_thread.join();
        if (m_bus) sd_bus_flush_close_unref(m_bus);
        m_bus = nullptr;
    }

    sd_bus* m_bus = nullptr;

  private:
    bool m_ready = false;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

}  // namespace platform_test
