#pragma once

#include <QtGlobal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// A TCP port kept bound, without listening, while this lives: nothing that binds or connects in the meantime takes
// it, and a listener that reuses addresses, as the HTTP server does, can still listen on it. A port merely found free
// could be taken by anyone before the server under test binds it.
class HeldPort {
public:
    HeldPort()
        : m_descriptor(socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        const int on = 1;
        const int off = 0;
        setsockopt(m_descriptor, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        setsockopt(m_descriptor, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
        sockaddr_in6 address {};
        address.sin6_family = AF_INET6;
        address.sin6_addr = in6addr_any;
        socklen_t length = sizeof address;
        if (bind(m_descriptor, reinterpret_cast<sockaddr*>(&address), length) == 0
            && getsockname(m_descriptor, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            m_port = ntohs(address.sin6_port);
    }
    ~HeldPort() { ::close(m_descriptor); }
    HeldPort(const HeldPort&) = delete;
    HeldPort& operator=(const HeldPort&) = delete;

    // 0 when no port could be had.
    quint16 port() const { return m_port; }

private:
    int m_descriptor;
    quint16 m_port = 0;
};
