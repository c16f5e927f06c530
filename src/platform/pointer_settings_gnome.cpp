#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/pointer_settings.h"

extern char** environ;

namespace platform {

namespace {

constexpr const char* kMouseSchema = "org.gnome.desktop.peripherals.mouse";
constexpr int kDefaultSpeed = 10;  // the profile's default pointer speed; GNOME's default is 0

int ClampSpeed(int speed);

// Runs the program with the arguments (no shell) and collects its standard output. True when it
// ran and exited with status 0.
bool RunCapture(const std::vector<std::string>& argv, std::string* out) {
    int fds[2];
    if (pipe(fds) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
        close(fds[0]);
        return false;
    }
    char buf[4096];
    for (;;) {
        ssize_t got = read(fds[0], buf, sizeof buf);
        if (got > 0) {
            if (out && out->size() < (1u << 20)) out->append(buf, static_cast<size_t>(got));
        } else if (got < 0 && errno == EINTR) {
            continue;
        } else {
            break;
        }
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string Trim(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == ' ' || s.back() == '\r')) s.pop_back();
    size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    return s.substr(i);
}

class GnomePointerSettings : public PointerSettingsBackend {
  public:
    explicit GnomePointerSettings(std::string program) : m_program(std::move(program)) {}

    bool GetDoubleClickTime(int& ms) override {
        std::string v;
        if (!Get("double-click", v)) return false;
        // GVariant text of an int32 may carry a type prefix.
        if (v.rfind("int32 ", 0) == 0) v = v.substr(6);
        return ParseInt(v, ms);
    }
    bool SetDoubleClickTime(int ms) override {
        int back = 0;
        return Set("double-click", std::to_string(ms)) && GetDoubleClickTime(back) && back == ms;
    }
    bool GetScrollLines(int&) override { return false; }
    bool SetScrollLines(int) override { return false; }
    bool GetPrecision(bool& on) override {
        std::string v;
        if (!Get("accel-profile", v)) return false;
        if (v == "'default'") {
            on = true;
            return true;
        }
        if (v == "'flat'") {
            on = false;
            return true;
        }
        return false;  // "adaptive" or unknown: neither of ours, so it is rewritten
    }
    bool SetPrecision(bool on) override {
        bool back = !on;
        return Set("accel-profile", on ? "default" : "flat") && GetPrecision(back) && back == on;
    }
    bool GetSpeed(int& speed) override {
        std::string v;
        if (!Get("speed", v)) return false;
        // GVariant text of a double may carry a type prefix; its decimal point is always '.'.
        if (v.rfind("double ", 0) == 0) v = v.substr(7);
        double d = 0;
        const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), d);
        if (ec != std::errc() || end != v.data() + v.size() || !std::isfinite(d)) return false;
        speed = SpeedFromGnome(d);
        return true;
    }
    bool SetSpeed(int speed) override {
        // Not printf: in a German or French session it writes "0,052632", which gsettings refuses.
        char text[32];
        const auto [end, ec] = std::to_chars(text, text + sizeof text, SpeedToGnome(speed),
                                             std::chars_format::fixed, 6);
        if (ec != std::errc()) return false;
        int back = 0;
        return Set("speed", std::string(text, end)) && GetSpeed(back) && back == ClampSpeed(speed);
    }
    bool GetTrails(int&) override { return false; }
    bool SetTrails(int) override { return false; }

  private:
    static bool ParseInt(const std::string& s, int& out) {
        char* end = nullptr;
        long v = std::strtol(s.c_str(), &end, 10);
        if (end == s.c_str() || *end != '\0') return false;
        out = static_cast<int>(v);
        return true;
    }
    bool Get(const char* key, std::string& value) {
        std::string out;
        if (!RunCapture({m_program, "get", kMouseSchema, key}, &out)) return false;
        value = Trim(out);
        return true;
    }
    bool Set(const char* key, const std::string& value) {
        return RunCapture({m_program, "set", kMouseSchema, key, value}, nullptr);
    }

    std::string m_program;
};

class NullPointerSettings : public PointerSettingsBackend {
  public:
    explicit NullPointerSettings(bool turnedOff) : m_turnedOff(turnedOff) {}
    bool Available() const override { return false; }
    bool TurnedOff() const override { return m_turnedOff; }
    bool GetDoubleClickTime(int&) override { return false; }
    bool SetDoubleClickTime(int) override { return false; }
    bool GetScrollLines(int&) override { return false; }
    bool SetScrollLines(int) override { return false; }
    bool GetPrecision(bool&) override { return false; }
    bool SetPrecision(bool) override { return false; }
    bool GetSpeed(int&) override { return false; }
    bool SetSpeed(int) override { return false; }
    bool GetTrails(int&) override { return false; }
    bool SetTrails(int) override { return false; }

  private:
    bool m_turnedOff;
};

int ClampSpeed(int speed) {
    return speed < 1 ? 1 : speed > 20 ? 20 : speed;
}

}  // namespace

double SpeedToGnome(int speed) {
    speed = ClampSpeed(speed);
    return speed <= kDefaultSpeed ? (speed - kDefaultSpeed) / 9.0 : (speed - kDefaultSpeed) / 10.0;
}

int SpeedFromGnome(double value) {
    if (value < -1.0) value = -1.0;
    if (value > 1.0) value = 1.0;
    const double steps = value <= 0 ? value * 9.0 : value * 10.0;
    return kDefaultSpeed + static_cast<int>(std::lround(steps));
}

std::unique_ptr<PointerSettingsBackend> MakeGnomePointerSettings(
    const std::string& gsettingsProgram) {
    return std::make_unique<GnomePointerSettings>(gsettingsProgram);
}

std::unique_ptr<PointerSettingsBackend> MakeNullPointerSettings(bool turnedOff) {
    return std::make_unique<NullPointerSettings>(turnedOff);
}

bool GnomeSessionRunning(const char* currentDesktop, const char* busAddress,
                         const char* runtimeDir) {
    bool bus = busAddress && *busAddress;
    if (!bus && runtimeDir && *runtimeDir) {
        struct stat st {};
        bus = ::stat((std::string(runtimeDir) + "/bus").c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
    }
    if (!bus || !currentDesktop) return false;
    // A colon-separated list such as "ubuntu:GNOME" or "GNOME-Classic:GNOME".
    const std::string desktops = currentDesktop;
    size_t start = 0;
    while (start <= desktops.size()) {
        size_t colon = desktops.find(':', start);
        if (colon == std::string::npos) colon = desktops.size();
        std::string name = desktops.substr(start, colon - start);
        for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (name == "GNOME") return true;
        start = colon + 1;
    }
    return false;
}

bool GnomeMouseSchemaInstalled(const std::string& gsettingsProgram) {
    std::string out;
    if (!RunCapture({gsettingsProgram, "list-schemas"}, &out)) return false;
    size_t pos = 0;
    while (pos < out.size()) {
        size_t nl = out.find('\n', pos);
        if (nl == std::string::npos) nl = out.size();
        if (out.compare(pos, nl - pos, kMouseSchema) == 0) return true;
        pos = nl + 1;
    }
    return false;
}

std::unique_ptr<PointerSettingsBackend> MakeSystemPointerSettings() {
    const char* env = std::getenv("MIVORA_POINTER_SETTINGS");
    if (env && std::strcmp(env, "none") == 0) return MakeNullPointerSettings(true);
    if (GnomeSessionRunning(std::getenv("XDG_CURRENT_DESKTOP"),
                            std::getenv("DBUS_SESSION_BUS_ADDRESS"),
                            std::getenv("XDG_RUNTIME_DIR")) &&
        GnomeMouseSchemaInstalled())
        return MakeGnomePointerSettings();
    return MakeNullPointerSettings();
}

}  // namespace platform
