// The start-up every device command of mivora-cli shares: texts and configuration from the
// program folder, the data folder, the HID backend (hidraw or the virtual mouse), the link
// and the search.
#pragma once

#include <memory>
#include <string>

#include "cli/cli.h"
#include "core/message_sink.h"
#include "device/usb_driver.h"
#include "platform/hid_backend.h"

namespace sim {
class VirtualMouseBackend;
}
namespace platform {
class HidrawBackend;
}

class CliSession {
  public:
    explicit CliSession(const CliOptions& opts);
    ~CliSession();
    CliSession(const CliSession&) = delete;
    CliSession& operator=(const CliSession&) = delete;

    // Loads texts and cfg.ini, prepares the data folder and creates the backend and the link.
    // Returns 0, or the exit code after printing a one-line error.
    int Init();
    // Searches for the mice, again a few times within a bounded time while interfaces of the
    // vendor are there but no mouse was identified; returns the number of mice identified.
    int Search();
    // Search plus the checks a command on one mouse needs. Returns 0 when exactly one mouse is
    // current, else the exit code after printing the reason (no mouse, no permission, two mice).
    int FindOneMouse();
    // The reason for a search that found no mouse or several, as one line.
    std::string SearchFailure(int found);

    CUSBDriver& Link() { return *m_link; }
    QueueMessageSink& Sink() { return m_sink; }
    platform::HidBackend& Backend() { return *m_backend; }
    // The virtual mouse when --virtual-mouse was given, else nullptr.
    sim::VirtualMouseBackend* Virtual() { return m_virtual; }
    // The hidraw backend when no virtual mouse was asked for, else nullptr.
    platform::HidrawBackend* Hidraw() { return m_hidraw; }

  private:
    CliOptions m_opts;
    QueueMessageSink m_sink;
    std::unique_ptr<platform::HidBackend> m_backend;
    sim::VirtualMouseBackend* m_virtual = nullptr;
    platform::HidrawBackend* m_hidraw = nullptr;
    std::unique_ptr<CUSBDriver> m_link;
};
