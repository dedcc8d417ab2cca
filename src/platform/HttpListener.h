#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <functional>
#include <memory>
#include <vector>

enum class HttpListenerState { starting, ready, failed, cancelled };

// What a request asked for, decided from its first bytes.
enum class HttpRoute { next, previous, ping, pendingText, sendText, unknown };

// A request waiting for its answer: its route and its text.
struct RouteRequest {
    HttpRoute route;
    QString request;
};

// One answer before framing: status line text ("200 OK"), JSON or plain text, and the body.
struct HttpAnswer {
    QByteArray status;
    bool isJson = false;
    QByteArray body;
};

// A listening HTTP fallback server on one port. Destroying it stops it: no callback runs afterwards.
class HttpListener {
public:
    virtual ~HttpListener() = default;
    // Stops listening; the cancelled state is reported before this returns.
    virtual void cancel() = 0;
};

class HttpListenerFactory {
public:
    // Both run on the main thread.
    struct Callbacks {
        std::function<void(HttpListenerState)> stateChanged;
        // Answers, in order, the requests that arrived while the previous ones were being answered.
        std::function<std::vector<HttpAnswer>(const std::vector<RouteRequest>&)> answerRoutes;
    };
    virtual ~HttpListenerFactory() = default;
    // Empty when no listener can be created for this port.
    virtual std::unique_ptr<HttpListener> listen(quint16 port, Callbacks callbacks) = 0;
};
