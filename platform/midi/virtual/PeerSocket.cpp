#include "platform/midi/virtual/VirtualMidiEndpoints.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace VQ::Platform::VirtualMidi {

namespace {

// A peer that stops reading must not stall the sender for long.
constexpr int WriteTimeoutMs = 2000;

bool WriteAll(int socket, const uint8_t* data, size_t size)
{
    while (size > 0) {
        const ssize_t written = send(socket, data, size, MSG_NOSIGNAL);
        if (written > 0) {
            data += written;
            size -= size_t(written);
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd ready{socket, POLLOUT, 0};
            const int polled = poll(&ready, 1, WriteTimeoutMs);
            if (polled > 0 || (polled < 0 && errno == EINTR))
                continue;
        }
        return false;
    }
    return true;
}

} // namespace

PeerSocket::PeerSocket(std::string path, FeedFunction feed)
    : m_path(std::move(path))
    , m_feed(std::move(feed))
{
    if (pipe2(m_wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        m_wakePipe[0] = -1;
        m_wakePipe[1] = -1;
    }
    m_reader = std::thread([this] { RunReader(); });
}

PeerSocket::~PeerSocket()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_connected.notify_all();
    if (m_wakePipe[1] >= 0) {
        const uint8_t wake = 0;
        [[maybe_unused]] const ssize_t written = write(m_wakePipe[1], &wake, 1);
    }
    m_reader.join();
    if (m_socket >= 0)
        close(m_socket);
    for (int end : m_wakePipe) {
        if (end >= 0)
            close(end);
    }
}

void PeerSocket::Connect()
{
    std::lock_guard lock(m_mutex);
    ConnectLocked();
}

bool PeerSocket::ConnectLocked()
{
    if (m_socket >= 0)
        return !m_broken;
    if (m_stopping || m_wakePipe[0] < 0)
        return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (m_path.empty() || m_path.size() >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, m_path.data(), m_path.size());
    // Non-blocking, so that neither a full backlog nor a peer that stops reading can hang a caller.
    const int made = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (made < 0)
        return false;
    if (connect(made, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        close(made);
        return false;
    }
    m_socket = made;
    m_broken = false;
    m_connected.notify_all();
    return true;
}

bool PeerSocket::Receive(const std::vector<uint8_t>& message)
{
    std::lock_guard lock(m_mutex);
    if (!ConnectLocked())
        return false;
    if (WriteAll(m_socket, message.data(), message.size()))
        return true;
    // The reader sees the shutdown and closes the socket.
    m_broken = true;
    shutdown(m_socket, SHUT_RDWR);
    return false;
}

void PeerSocket::RunReader()
{
    std::vector<uint8_t> bytes(4096);
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_connected.wait(lock, [this] { return m_stopping || m_socket >= 0; });
        if (m_stopping)
            return;
        const int socket = m_socket;
        lock.unlock();

        pollfd ready[2] = {{socket, POLLIN, 0}, {m_wakePipe[0], POLLIN, 0}};
        const int polled = poll(ready, 2, -1);
        bool ended = false;
        if (polled > 0 && ready[1].revents == 0 && ready[0].revents != 0) {
            const ssize_t received = recv(socket, bytes.data(), bytes.size(), 0);
            if (received > 0)
                m_feed(std::vector<uint8_t>(bytes.begin(), bytes.begin() + received));
            else
                ended = received == 0 || (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK);
        } else if (polled < 0 && errno != EINTR) {
            ended = true;
        }

        lock.lock();
        if (ended) {
            close(m_socket);
            m_socket = -1;
            m_broken = false;
        }
    }
}

} // namespace VQ::Platform::VirtualMidi
