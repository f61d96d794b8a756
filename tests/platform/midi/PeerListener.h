// A Unix stream socket in a folder of its own, listening as the program that plays the controller
// at the other end of the virtual driver's peer connection.
#pragma once

#include "VirtualMidiTestSupport.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace VQ::Platform::test {

inline constexpr int PeerWaitMs = 10000;

class PeerListener {
public:
    PeerListener()
    {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/vq-midi-peer-XXXXXX";
        if (mkdtemp(pattern.data()))
            m_folder = pattern;
        path = m_folder + "/peer.sock";
    }

    ~PeerListener()
    {
        CloseConnection();
        if (m_listener >= 0)
            close(m_listener);
        unlink(path.c_str());
        if (!m_folder.empty())
            rmdir(m_folder.c_str());
    }

    bool Listen()
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (m_folder.empty() || path.size() >= sizeof(address.sun_path))
            return false;
        std::memcpy(address.sun_path, path.c_str(), path.size());
        m_listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        return m_listener >= 0 && bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
               listen(m_listener, 4) == 0;
    }

    bool Accept()
    {
        pollfd ready{m_listener, POLLIN, 0};
        if (poll(&ready, 1, PeerWaitMs) != 1)
            return false;
        CloseConnection();
        m_connection = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        return m_connection >= 0;
    }

    // Nobody asked to connect within the short wait.
    bool NoConnectionWaiting()
    {
        pollfd ready{m_listener, POLLIN, 0};
        return poll(&ready, 1, int(NegativeWait.count())) == 0;
    }

    Bytes Read(size_t count)
    {
        Bytes bytes;
        while (bytes.size() < count) {
            pollfd ready{m_connection, POLLIN, 0};
            if (poll(&ready, 1, PeerWaitMs) != 1)
                break;
            uint8_t chunk[1024];
            const ssize_t received = recv(m_connection, chunk, std::min(sizeof(chunk), count - bytes.size()), 0);
            if (received <= 0)
                break;
            bytes.insert(bytes.end(), chunk, chunk + received);
        }
        return bytes;
    }

    bool Write(const Bytes& bytes)
    {
        return send(m_connection, bytes.data(), bytes.size(), MSG_NOSIGNAL) == ssize_t(bytes.size());
    }

    void CloseConnection()
    {
        if (m_connection >= 0)
            close(m_connection);
        m_connection = -1;
    }

    std::string path;

private:
    std::string m_folder;
    int m_listener = -1;
    int m_connection = -1;
};

} // namespace VQ::Platform::test
