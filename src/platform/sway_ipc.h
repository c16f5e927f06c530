// A client of the IPC socket of sway and other i3-compatible compositors: "i3-ipc", a 32-bit
// payload length and message type in the host's byte order, then the payload; replies alike.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

constexpr uint32_t kSwayRunCommand = 0;
constexpr uint32_t kSwayGetInputs = 100;

class SwayIpc {
  public:
    // Null when nothing listens at the socket path.
    static std::unique_ptr<SwayIpc> Connect(const std::string& socketPath);
    ~SwayIpc();
    SwayIpc(const SwayIpc&) = delete;
    SwayIpc& operator=(const SwayIpc&) = delete;

    // Sends one message and waits for its reply of the same type (a reply longer than 16 MiB,
    // a short read or a reply of another type is a failure).
    bool Request(uint32_t type, const std::string& payload, std::string& reply);

  private:
    explicit SwayIpc(int fd) : m_fd(fd) {}
    int m_fd;
};

}  // namespace platform
