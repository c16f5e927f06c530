// Diagnostic log: one process-wide sink chosen once at start-up from the "Debug" level.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// 0 nothing, 1 standard error ("BY: " prefix), 2 file Log.txt with time stamps,
// 3 as 2 plus report and memory-write dumps from the device link. Above 3 acts as 2.
extern int g_nLogLevel;

// printf-style sink; "%s" takes UTF-8 text. Never fails towards the caller.
typedef void (*LogSinkFn)(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
extern LogSinkFn g_pfnLog;

// Builds the log file path (the desktop folder unless overridden) and selects the sink.
void InitLog();

// Writes data as "%02x " groups through g_pfnLog: one block when perLine is 0 (split before
// 1021 characters), else perLine bytes per entry. Does nothing at level 0, for null data or 0 bytes.
void LogHexDump(const uint8_t* data, size_t length, unsigned perLine, const char* prefix = nullptr);

// For tests and tools: where the debugger sink writes (default: standard error) and which
// file the file sink uses (default: Log.txt in the desktop folder). Call before InitLog.
using LogDebugOutputFn = void (*)(const char* text);
void SetLogDebugOutput(LogDebugOutputFn fn);
void SetLogFilePath(const std::string& path);
const std::string& LogFilePath();
// Back to the start-up state: level 0, sink that drops everything.
void ResetLog();
