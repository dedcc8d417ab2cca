#include "ListeningSocket.h"

#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int bindAndListen(int descriptor, const sockaddr* address, socklen_t length)
{
    const int on = 1;
    // Lets a restarted listener take its port back while old connections linger in TIME_WAIT.
    setsockopt(descriptor, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (bind(descriptor, address, length) == 0 && listen(descriptor, SOMAXCONN) == 0)
        return descriptor;
    const int error = errno;
    ::close(descriptor);
    errno = error;
    return -1;
}

}

int openListeningSocket(quint16 port)
{
    constexpr int type = SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC;
    if (const int descriptor = socket(AF_INET6, type, 0); descriptor >= 0) {
        const int off = 0;
        setsockopt(descriptor, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
        sockaddr_in6 address {};
        address.sin6_family = AF_INET6;
        address.sin6_port = htons(port);
        address.sin6_addr = in6addr_any;
        return bindAndListen(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    }
    // A kernel without IPv6.
    const int descriptor = socket(AF_INET, type, 0);
    if (descriptor < 0)
        return -1;
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    return bindAndListen(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof address);
}
