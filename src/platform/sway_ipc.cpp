#include "platform/sway_ipc.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

namespace {

constexpr char kMagic[] = {'i', '3', '-', 'i', 'p', 'c'};
constexpr size_t kHeader = sizeof kMagic + 8;
constexpr uint32_t kMaxReply = 16u << 20;
constexpr int kTimeoutMs = 2000;

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool ReadAll(int fd, char* data, size_t size) {
    while (size > 0) {
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, kTimeoutMs);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;  // a compositor that stopped answering
        const ssize_t n = read(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

std::unique_ptr<SwayIpc> SwayIpc::Connect(const std::string& socketPath) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (socketPath.empty() || socketPath.size() >= sizeof addr.sun_path) return nullptr;
    std::memcpy(addr.sun_path, socketPath.data(), socketPath.size());
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return nullptr;
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        close(fd);
        return nullptr;
    }
    return std::unique_ptr<SwayIpc>(new SwayIpc(fd));
}

SwayIpc::~SwayIpc() {
    close(m_fd);
}

bool SwayIpc::Request(uint32_t type, const std::string& payload, std::string& reply) {
    if (payload.size() > kMaxReply) return false;
    char header[kHeader];
    const uint32_t length = static_cast<uint32_t>(payload.size());
    std::memcpy(header, kMagic, sizeof kMagic);
    std::memcpy(header + sizeof kMagic, &length, 4);
    std::memcpy(header + sizeof kMagic + 4, &type, 4);
    if (!WriteAll(m_fd, header, kHeader) || !WriteAll(m_fd, payload.data(), payload.size()))
        return false;
    uint32_t replyType = 0;
    return ReadMessage(replyType, reply) && replyType == type;
}

bool SwayIpc::ReadMessage(uint32_t& type, std::string& payload) {
    char header[kHeader];
    if (!ReadAll(m_fd, header, kHeader)) return false;
    if (std::memcmp(header, kMagic, sizeof kMagic) != 0) return false;
    uint32_t length = 0;
    std::memcpy(&length, header + sizeof kMagic, 4);
    std::memcpy(&type, header + sizeof kMagic + 4, 4);
    if (length > kMaxReply) return false;
    payload.assign(length, '\0');
    return ReadAll(m_fd, payload.data(), length);
}

}  // namespace platform
