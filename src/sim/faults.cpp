#include "sim/faults.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace sim {
namespace {

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

// The text comes from a command line: keep the message on one line and short.
std::string Quoted(const std::string& s) {
    constexpr size_t kMaxShown = 40;
    std::string out = "'";
    for (size_t i = 0; i < s.size() && i < kMaxShown; ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        out += c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c);
    }
    if (s.size() > kMaxShown) out += "...";
    return out + "'";
}

bool WholeDouble(const std::string& s, double& out) {
    if (s.empty()) return false;
    double v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || p != s.data() + s.size() || !std::isfinite(v)) return false;
    out = v;
    return true;
}

template <typename T>
bool WholeInteger(const std::string& s, T& out) {
    if (s.empty()) return false;
    T v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || p != s.data() + s.size()) return false;
    out = v;
    return true;
}

bool Share(const std::string& s, double& out) {
    double v = 0;
    if (!WholeDouble(s, v) || v < 0.0 || v > 1.0) return false;
    out = v;
    return true;
}

}  // namespace

bool ParseFaultSpec(const std::string& text, FaultSpec& spec, std::string& error) {
    FaultSpec parsed;
    unsigned seen = 0;  // one bit per key, so a key given twice is refused
    if (Trim(text).empty()) {
        spec = parsed;
        return true;
    }
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos) comma = text.size();
        const std::string part = Trim(text.substr(start, comma - start));
        start = comma + 1;

        auto fail = [&](const std::string& why) {
            error = "faults: " + Quoted(part) + ": " + why;
            return false;
        };
        if (part.empty()) {
            error = "faults: empty part in " + Quoted(text);
            return false;
        }
        size_t eq = part.find('=');
        if (eq == std::string::npos) return fail("expected key=value");
        const std::string key = Trim(part.substr(0, eq));
        const std::string value = Trim(part.substr(eq + 1));

        unsigned bit = 0;
        if (key == "lost") {
            bit = 1;
            if (!Share(value, parsed.lost)) return fail("the share must be a number from 0 to 1");
        } else if (key == "drop") {
            bit = 32;
            if (!Share(value, parsed.drop)) return fail("the share must be a number from 0 to 1");
        } else if (key == "echo") {
            bit = 2;
            if (!Share(value, parsed.echo)) return fail("the share must be a number from 0 to 1");
        } else if (key == "late") {
            bit = 4;
            size_t colon = value.find(':');
            if (colon == std::string::npos) return fail("expected late=SHARE:MILLISECONDS");
            if (!Share(Trim(value.substr(0, colon)), parsed.late))
                return fail("the share must be a number from 0 to 1");
            int ms = 0;
            if (!WholeInteger(Trim(value.substr(colon + 1)), ms) || ms < 0 || ms > 60000)
                return fail("the delay must be whole milliseconds from 0 to 60000");
            parsed.lateMs = ms;
        } else if (key == "unplug-after") {
            bit = 8;
            long n = 0;
            if (!WholeInteger(value, n) || n < 1)
                return fail("the exchange count must be a whole number of at least 1");
            parsed.unplugAfter = n;
        } else if (key == "fail-write") {
            bit = 64;
            const size_t colon = value.find(':');
            long first = 0, count = 1;
            if (!WholeInteger(Trim(value.substr(0, colon)), first) || first < 1)
                return fail(
                    "expected fail-write=N or fail-write=N:COUNT, N a whole number of at "
                    "least 1");
            if (colon != std::string::npos &&
                (!WholeInteger(Trim(value.substr(colon + 1)), count) || count < 1))
                return fail("the count of failed writes must be a whole number of at least 1");
            parsed.failWrite = first;
            parsed.failWriteCount = count;
        } else if (key == "seed") {
            bit = 16;
            if (!WholeInteger(value, parsed.seed))
                return fail("the seed must be a whole number from 0 to 4294967295");
        } else {
            return fail(
                "unknown fault (known: lost, drop, echo, late, unplug-after, fail-write, seed)");
        }
        if (seen & bit) return fail("given twice");
        seen |= bit;
        if (comma == text.size()) break;
    }
    spec = parsed;
    return true;
}

}  // namespace sim
