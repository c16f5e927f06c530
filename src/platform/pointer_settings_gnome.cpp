#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/pointer_mapping.h"
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

    const char* Name() const override { return "GNOME"; }
    unsigned Supported() const override {
        return kPointerDoubleClick | kPointerPrecision | kPointerSpeed;
    }

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
        // "default" is the device's own profile, adaptive for a mouse.
        if (v == "'default'") v = "'adaptive'";
        if (v.size() < 2 || v.front() != '\'' || v.back() != '\'') return false;
        return PrecisionFromAccelProfile(v.substr(1, v.size() - 2).c_str(), on);
    }
    bool SetPrecision(bool on) override {
        bool back = !on;
        return Set("accel-profile", AccelProfileName(on)) && GetPrecision(back) && back == on;
    }
    bool GetSpeed(int& speed) override {
        std::string v;
        if (!Get("speed", v)) return false;
        // GVariant text of a double may carry a type prefix; its decimal point is always '.'.
        if (v.rfind("double ", 0) == 0) v = v.substr(7);
        double d = 0;
        const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), d);
        if (ec != std::errc() || end != v.data() + v.size() || !std::isfinite(d)) return false;
        speed = SpeedFromUnit(d);
        return true;
    }
    bool SetSpeed(int speed) override {
        const double unit = SpeedToUnit(speed);
        int back = 0;
        return Set("speed", PointerNumberText(unit)) && GetSpeed(back) &&
               back == SpeedFromUnit(unit);
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

}  // namespace

std::unique_ptr<PointerSettingsBackend> MakeGnomePointerSettings(
    const std::string& gsettingsProgram) {
    return std::make_unique<GnomePointerSettings>(gsettingsProgram);
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

}  // namespace platform
