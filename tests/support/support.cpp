#include "support/support.h"

#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>
#include <stdexcept>

#include "core/log.h"
#include "platform/files.h"

namespace testing_support {

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string templ = std::string(base && *base ? base : "/tmp") + "/mivora-test-XXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
    m_path = buf.data();
}

TempDir::~TempDir() { platform::RemoveTree(m_path); }

std::string TempDir::Write(const std::string& name, const std::string& content) const {
    std::string p = File(name);
    std::ofstream out(p, std::ios::binary);
    out << content;
    return p;
}

namespace {
std::mutex g_captureMutex;
std::vector<std::string> g_captured;
void CaptureOutput(const char* text) {
    std::lock_guard<std::mutex> lock(g_captureMutex);
    std::string s = text;
    if (s.rfind("BY: ", 0) == 0) s = s.substr(4);
    g_captured.push_back(s);
}
}  // namespace

LogCapture::LogCapture(int level) {
    Clear();
    g_nLogLevel = level;
    SetLogDebugOutput(CaptureOutput);
    SetLogFilePath("/nonexistent-dir/Log.txt");
    InitLog();
}

LogCapture::~LogCapture() {
    ResetLog();
    SetLogDebugOutput(nullptr);
    SetLogFilePath("");
}

std::vector<std::string> LogCapture::Lines() const {
    std::lock_guard<std::mutex> lock(g_captureMutex);
    return g_captured;
}

bool LogCapture::Contains(const std::string& text) const {
    for (const auto& l : Lines())
        if (l.find(text) != std::string::npos) return true;
    return false;
}

void LogCapture::Clear() {
    std::lock_guard<std::mutex> lock(g_captureMutex);
    g_captured.clear();
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace testing_support
