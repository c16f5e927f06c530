#include "platform/user_dirs.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace platform {

namespace {

bool IsDir(const std::string& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

// Reads XDG_DESKTOP_DIR from user-dirs.dirs, the file xdg-user-dir itself reads.
std::string XdgDesktopFromConfig(const std::string& home) {
    std::string cfg = Env("XDG_CONFIG_HOME");
    if (cfg.empty()) cfg = home + "/.config";
    std::ifstream in(cfg + "/user-dirs.dirs");
    std::string line;
    while (std::getline(in, line)) {
        const std::string key = "XDG_DESKTOP_DIR=";
        if (line.rfind(key, 0) != 0) continue;
        std::string v = line.substr(key.size());
        if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
        if (v.rfind("$HOME", 0) == 0) v = home + v.substr(5);
        if (!v.empty() && v.front() == '/') return v;
    }
    return {};
}

}  // namespace

std::string ExecutableDir() {
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    std::string p(buf, static_cast<size_t>(n));
    auto slash = p.rfind('/');
    return slash == std::string::npos ? std::string() : p.substr(0, slash);
}

std::string HomeDir() {
    std::string h = Env("HOME");
    if (!h.empty()) return h;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/";
}

std::string DataHomeDir() {
    std::string d = Env("XDG_DATA_HOME");
    if (!d.empty() && d.front() == '/') return d;
    return HomeDir() + "/.local/share";
}

std::string ConfigHomeDir() {
    std::string d = Env("XDG_CONFIG_HOME");
    if (!d.empty() && d.front() == '/') return d;
    return HomeDir() + "/.config";
}

std::string DesktopDir() {
    std::string home = HomeDir();
    std::string d = XdgDesktopFromConfig(home);
    if (!d.empty() && IsDir(d)) return d;
    if (IsDir(home + "/Desktop")) return home + "/Desktop";
    return home;
}

}  // namespace platform

namespace platform {

std::string UserRuntimeDir(std::string& error, const std::string& tmpBase) {
    error.clear();
    const std::string xdg = Env("XDG_RUNTIME_DIR");
    if (!xdg.empty() && xdg.front() == '/') return xdg;
    // A shared folder: the name is ours only when the folder is, so check who made it.
    const uid_t uid = ::geteuid();
    const std::string dir = tmpBase + "/mivora-" + std::to_string(uid);
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        error = "cannot create " + dir + ": " + std::strerror(errno) +
                " (set XDG_RUNTIME_DIR to a private folder of yours)";
        return {};
    }
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != uid) {
        const bool other = ::lstat(dir.c_str(), &st) == 0 && st.st_uid != uid;
        error = dir +
                (other ? " belongs to another user (uid " + std::to_string(st.st_uid) + ")"
                       : std::string(" is not a folder")) +
                "; remove it or set XDG_RUNTIME_DIR to a private folder of yours";
        return {};
    }
    if ((st.st_mode & 077) != 0 && ::chmod(dir.c_str(), 0700) != 0) {
        error = "cannot make " + dir + " private: " + std::strerror(errno);
        return {};
    }
    return dir;
}

}  // namespace platform
