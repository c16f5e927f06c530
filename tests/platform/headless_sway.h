// sway headless for the tests that need a real compositor.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/files.h"

namespace platform_test {

inline bool OnPath(const char* program) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "");
    std::string dir;
    while (std::getline(dirs, dir, ':'))
        if (access((dir + "/" + program).c_str(), X_OK) == 0) return true;
    return false;
}

// sway headless in its own runtime folder. sway refuses to run as root, so a root test run
// starts it as the user nobody.
class HeadlessSway {
  public:
    HeadlessSway() {
        char tmpl[] = "/tmp/mivora-sway-XXXXXX";
        if (!mkdtemp(tmpl)) return;
        m_dir = tmpl;
        const bool root = geteuid() == 0;
        if (root && chown(m_dir.c_str(), 65534, 65534) != 0) return;
        std::ofstream(m_dir + "/config") << "# nothing: the defaults\n";
        chmod((m_dir + "/config").c_str(), 0644);
        std::vector<std::string> args;
        if (root) args = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
        for (const char* a : {"sway", "-c"}) args.push_back(a);
        args.push_back(m_dir + "/config");
        std::vector<std::string> env = {
            "XDG_RUNTIME_DIR=" + m_dir, "WLR_BACKENDS=headless", "WLR_LIBINPUT_NO_DEVICES=1",
            "WLR_RENDERER=pixman",      "HOME=" + m_dir,         "PATH=/usr/bin:/bin"};
        std::vector<char*> argv, envp;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        for (auto& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, (m_dir + ".log").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        if (posix_spawnp(&m_pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0)
            m_pid = 0;
        posix_spawn_file_actions_destroy(&actions);
        for (int i = 0; m_pid && i < 100 && m_socket.empty(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (DIR* d = opendir(m_dir.c_str())) {
                while (dirent* e = readdir(d))
                    if (std::strncmp(e->d_name, "sway-ipc.", 9) == 0)
                        m_socket = m_dir + "/" + e->d_name;
                closedir(d);
            }
        }
    }
    ~HeadlessSway() {
        End();
        if (!m_dir.empty()) {
            platform::RemoveTree(m_dir);
            platform::RemoveFile(m_dir + ".log");
        }
    }
    // Ends the compositor now (its folder stays until the end of the test).
    void End() {
        if (m_pid) {
            kill(m_pid, SIGTERM);
            int status = 0;
            waitpid(m_pid, &status, 0);
        }
        m_pid = 0;
    }
    const std::string& Socket() const { return m_socket; }
    // The runtime folder its clients connect in (WAYLAND_DISPLAY=wayland-1 there).
    const std::string& Dir() const { return m_dir; }
    std::string Log() const {
        std::ifstream in(m_dir + ".log");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

  private:
    std::string m_dir, m_socket;
    pid_t m_pid = 0;
};

// A Wayland client of the compositor whose runtime folder is dir.
class WaylandClient {
  public:
    WaylandClient(const char* program, const std::string& dir) {
        std::vector<std::string> env = {"XDG_RUNTIME_DIR=" + dir, "WAYLAND_DISPLAY=wayland-1",
                                        "PATH=/usr/bin:/bin"};
        std::vector<char*> envp;
        for (auto& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        char* argv[] = {const_cast<char*>(program), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        if (posix_spawnp(&m_pid, program, &actions, nullptr, argv, envp.data()) != 0) m_pid = 0;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~WaylandClient() {
        if (m_pid) kill(m_pid, SIGTERM), waitpid(m_pid, nullptr, 0);
    }
    pid_t Pid() const { return m_pid; }

  private:
    pid_t m_pid = 0;
};

}  // namespace platform_test
