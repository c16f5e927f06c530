#include "core/log.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <mutex>

#include "platform/user_dirs.h"

int g_nLogLevel = 0;

namespace {

constexpr long kMaxLogBytes = 512000;
constexpr size_t kDebugEntryChars = 511;
constexpr size_t kHexLineChars = 1024;
constexpr size_t kHexFlushAt = 1021;

std::string g_logPath;
bool g_logPathOverridden = false;
std::mutex g_fileMutex;  // keeps two threads' entries from interleaving in the file

void DefaultDebugOutput(const char* text) {
    std::fputs(text, stderr);
    std::fputc('\n', stderr);
}
LogDebugOutputFn g_debugOutput = DefaultDebugOutput;

void NullSink(const char*, ...) {}

std::string FormatV(const char* fmt, va_list ap) {
    va_list copy;
    va_copy(copy, ap);
    int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    if (n <= 0) return {};
    std::string out(static_cast<size_t>(n) + 1, '\0');
    std::vsnprintf(out.data(), out.size(), fmt, ap);
    out.resize(static_cast<size_t>(n));
    return out;
}

__attribute__((format(printf, 1, 2))) void DebugSink(const char* fmt, ...) {
    if (g_nLogLevel == 0) return;
    va_list ap;
    va_start(ap, fmt);
    std::string entry = "BY: " + FormatV(fmt, ap);
    va_end(ap);
    if (entry.size() > kDebugEntryChars) entry.resize(kDebugEntryChars);
    g_debugOutput(entry.c_str());
}

__attribute__((format(printf, 1, 2))) void FileSink(const char* fmt, ...) {
    if (g_nLogLevel == 0) return;
    va_list ap;
    va_start(ap, fmt);
    std::string entry = FormatV(fmt, ap);
    va_end(ap);

    auto now = std::chrono::system_clock::now();
    std::time_t secs = std::chrono::system_clock::to_time_t(now);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
              1000;
    std::tm local{};
    localtime_r(&secs, &local);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02u:%02u.%03u   ", static_cast<unsigned>(local.tm_min),
                  static_cast<unsigned>(local.tm_sec), static_cast<unsigned>(ms));

    // The file format is the Windows text-mode one: each entry starts with CR and every LF
    // inside an entry becomes CR LF.
    std::string line = "\r";
    line += stamp;
    for (char c : entry) {
        if (c == '\n') line += '\r';
        line += c;
    }

    std::lock_guard<std::mutex> lock(g_fileMutex);
    std::FILE* f = std::fopen(g_logPath.c_str(), "ab");
    if (!f) {
        g_debugOutput("Open Log failed");
        return;
    }
    std::fwrite(line.data(), 1, line.size(), f);
    std::fclose(f);
}

}  // namespace

LogSinkFn g_pfnLog = NullSink;

void SetLogDebugOutput(LogDebugOutputFn fn) { g_debugOutput = fn ? fn : DefaultDebugOutput; }

void SetLogFilePath(const std::string& path) {
    g_logPath = path;
    g_logPathOverridden = !path.empty();
}

const std::string& LogFilePath() { return g_logPath; }

void ResetLog() {
    g_nLogLevel = 0;
    g_pfnLog = NullSink;
}

void InitLog() {
    if (!g_logPathOverridden) g_logPath = platform::DesktopDir() + "/Log.txt";
    g_pfnLog = DebugSink;
    if (g_nLogLevel < 2) return;

    std::FILE* f = std::fopen(g_logPath.c_str(), "ab");
    if (!f) {
        g_debugOutput("Open Log failed");
        return;
    }
    std::fseek(f, 0, SEEK_END);
    long size = std::ftell(f);
    std::fclose(f);
    if (size > kMaxLogBytes) {
        f = std::fopen(g_logPath.c_str(), "wb");
        if (f) std::fclose(f);
    }
    g_pfnLog = FileSink;
}

void LogHexDump(const uint8_t* data, size_t length, unsigned perLine, const char* prefix) {
    if (g_nLogLevel == 0 || data == nullptr || length == 0) return;
    std::string line;
    line.reserve(kHexLineChars);
    auto startLine = [&](bool first) {
        line.clear();
        if (prefix) {
            if (first && perLine > 0) line += '\n';
            line += prefix;
            line += ' ';
        }
    };
    auto flush = [&] { g_pfnLog("%s", line.c_str()); };
    char hex[4];

    startLine(true);
    if (perLine == 0) {
        for (size_t i = 0; i < length; ++i) {
            std::snprintf(hex, sizeof hex, "%02x ", data[i]);
            line += hex;
            if (line.size() >= kHexFlushAt) {
                flush();
                line.clear();
            }
        }
        flush();
        return;
    }
    for (size_t i = 0; i < length; ++i) {
        std::snprintf(hex, sizeof hex, "%02x ", data[i]);
        line += hex;
        if ((i + 1) % perLine == 0) {
            flush();
            startLine(false);
        }
    }
    flush();
}
