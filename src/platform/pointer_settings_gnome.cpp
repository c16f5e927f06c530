#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
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
    bool SetDoubleClickTime(int ms) override { return Set("double-click", std::to_string(ms)); }
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
    bool SetPrecision(bool on) override { return Set("accel-profile", on ? "default" : "flat"); }
    bool GetSpeed(int& speed) override {
        std::string v;
        if (!Get("speed", v)) return false;
        char* end = nullptr;
        double d = std::strtod(v.c_str(), &end);
        if (end == v.c_str() || !std::isfinite(d)) return false;
        speed = SpeedFromGnome(d);
        return true;
    }
    bool SetSpeed(int speed) override {
        char text[32];
        std::snprintf(text, sizeof text, "%.6f", SpeedToGnome(speed));
        return Set("speed", text);
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
    bool Available() const override { return false; }
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
};

}  // namespace

double SpeedToGnome(int speed) {
    if (speed < 1) speed = 1;
    if (speed > 20) speed = 20;
    return -1.0 + 2.0 * (speed - 1) / 19.0;
}

int SpeedFromGnome(double value) {
    if (value < -1.0) value = -1.0;
    if (value > 1.0) value = 1.0;
    return static_cast<int>(std::lround((value + 1.0) * 19.0 / 2.0)) + 1;
}

std::unique_ptr<PointerSettingsBackend> MakeGnomePointerSettings(
    const std::string& gsettingsProgram) {
    return std::make_unique<GnomePointerSettings>(gsettingsProgram);
}

std::unique_ptr<PointerSettingsBackend> MakeNullPointerSettings() {
    return std::make_unique<NullPointerSettings>();
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
    if (env && std::strcmp(env, "none") == 0) return MakeNullPointerSettings();
    if (GnomeMouseSchemaInstalled()) return MakeGnomePointerSettings();
    return MakeNullPointerSettings();
}

}  // namespace platform
