// A client of the IPC socket of sway and other i3-compatible compositors: "i3-ipc", a 32-bit
// payload length and message type in the host's byte order, then the payload; replies alike.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

constexpr uint32_t kSwayRunCommand = 0;
constexpr uint32_t kSwaySubscribe = 2;
constexpr uint32_t kSwayGetTree = 4;
constexpr uint32_t kSwayGetInputs = 100;
// Events carry their type with the high bit set.
constexpr uint32_t kSwayEventWindow = 0x80000003;

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

    // After a subscribe: reads the next message (an event), waiting at most 2 s once its first
    // byte is there; false on a short read, bad magic or a payload over 16 MiB.
    bool ReadMessage(uint32_t& type, std::string& payload);
    // The socket, for waiting on events with poll.
    int Fd() const { return m_fd; }

  private:
    explicit SwayIpc(int fd) : m_fd(fd) {}
    int m_fd;
};

}  // namespace platform
