// Helpers shared by the test suites.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/notifier.h"

namespace testing_support {

// Records every user message; answers with a fixed reply. Installs itself for its lifetime.
class RecordingNotifier : public Notifier {
public:
    RecordingNotifier() { m_previous = SetNotifier(this); }
    ~RecordingNotifier() override { SetNotifier(m_previous); }
    int Show(const std::string& text, const std::string& caption, unsigned buttons) override {
        messages.emplace_back(text, caption);
        lastButtons = buttons;
        return reply;
    }
    std::vector<std::pair<std::string, std::string>> messages;  // (text, caption)
    unsigned lastButtons = 0;
    int reply = IDOK;

private:
    Notifier* m_previous = nullptr;
};

// A fresh empty folder under the system's temporary folder, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return m_path; }  // ends without "/"
    std::string File(const std::string& name) const { return m_path + "/" + name; }
    // Writes bytes or text to a file inside the folder; returns its full path.
    std::string Write(const std::string& name, const std::string& content) const;

private:
    std::string m_path;
};

// Captures log entries (level 1, debugger sink) for the lifetime of the object.
class LogCapture {
public:
    explicit LogCapture(int level = 1);
    ~LogCapture();
    std::vector<std::string> Lines() const;
    bool Contains(const std::string& text) const;  // any line containing text
    void Clear();
};

// Folder of the shipped data (source tree) and the program folder of the build.
inline std::string SourceDataDir() { return std::string(MIVORA_SOURCE_DIR) + "/data/"; }
inline std::string BinDir() { return std::string(MIVORA_BIN_DIR) + "/"; }

// The whole file as text; empty when it cannot be read.
std::string Slurp(const std::string& path);

}  // namespace testing_support
