#pragma once

// One HTTP exchange the way the phone makes it: a new TCP connection, one request, the answer read until the
// server closes. Plain blocking sockets, so the client adds as little as possible to what is measured.

#include <arpa/inet.h>
#include <chrono>
#include <cstdlib>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

using BenchClock = std::chrono::steady_clock;

// With QUORVELANTIS_KEY set, the request carries that phone key, as an invited phone's page sends it.
inline std::string requestFor(const std::string& path)
{
    const char* key = std::getenv("QUORVELANTIS_KEY");
    return "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n"
        + (key ? "X-Quorvelantis-Key: " + std::string(key) + "\r\n" : std::string()) + "\r\n";
}

// Connects to 127.0.0.1:port; -1 on failure.
inline int connectLoopback(unsigned short port)
{
    const int descriptor = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (descriptor < 0)
        return -1;
    const int on = 1;
    setsockopt(descriptor, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        close(descriptor);
        return -1;
    }
    return descriptor;
}

// Sends the request on a connected socket and reads the answer until the server closes; closes the socket.
inline bool finishExchange(int descriptor, const std::string& request, std::string& answer)
{
    answer.clear();
    bool ok = send(descriptor, request.data(), request.size(), MSG_NOSIGNAL) == ssize_t(request.size());
    char buffer[4096];
    while (ok) {
        const ssize_t length = recv(descriptor, buffer, sizeof buffer, 0);
        if (length <= 0) {
            ok = length == 0;
            break;
        }
        answer.append(buffer, size_t(length));
    }
    close(descriptor);
    return ok && answer.rfind("HTTP/1.1 2", 0) == 0;
}

inline bool exchange(unsigned short port, const std::string& request, std::string& answer)
{
    const int descriptor = connectLoopback(port);
    return descriptor >= 0 && finishExchange(descriptor, request, answer);
}
