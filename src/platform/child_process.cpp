#include "platform/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

extern char** environ;

namespace platform {

namespace {

std::vector<char*> ArgvOf(const std::vector<std::string>& args) {
    std::vector<char*> out;
    out.reserve(args.size() + 1);
    for (const std::string& a : args) out.push_back(const_cast<char*>(a.c_str()));
    out.push_back(nullptr);
    return out;
}

}  // namespace

std::string FindInPath(const std::string& program) {
    if (program.empty() || program.find('/') != std::string::npos) return "";
    const char* path = std::getenv("PATH");
    const std::string dirs = path && *path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        const std::string dir = dirs.substr(start, end - start);
        if (!dir.empty()) {
            const std::string candidate = dir + "/" + program;
            struct stat st {};
            if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                ::access(candidate.c_str(), X_OK) == 0)
                return candidate;
        }
        start = end + 1;
    }
    return "";
}

int StartProgram(const std::vector<std::string>& argv) {
    if (argv.empty() || argv[0].empty()) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    std::vector<char*> args = ArgvOf(argv);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? static_cast<int>(pid) : -1;
}

int ProgramEnded(int pid, int* status) {
    if (pid <= 0) return -1;
    int raw = 0;
    pid_t r;
    do {
        r = ::waitpid(static_cast<pid_t>(pid), &raw, WNOHANG);
    } while (r < 0 && errno == EINTR);
    if (r == 0) return 0;
    if (r < 0) return -1;
    if (status) *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return 1;
}

void StopProgram(int pid) {
    if (pid <= 0) return;
    if (::kill(static_cast<pid_t>(pid), SIGTERM) != 0 && errno == ESRCH) return;
    int raw = 0;
    while (::waitpid(static_cast<pid_t>(pid), &raw, 0) < 0 && errno == EINTR) {
    }
}

void RestartSelf(const std::vector<std::string>& argv,
                 const std::vector<std::pair<std::string, std::string>>& environment) {
    if (argv.empty()) return;
    for (const auto& [name, value] : environment)
        if (::setenv(name.c_str(), value.c_str(), 1) != 0) return;
    std::vector<char*> args = ArgvOf(argv);
    ::execv("/proc/self/exe", args.data());
}

}  // namespace platform
