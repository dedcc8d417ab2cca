#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <functional>
#include <memory>

enum class HttpListenerState { starting, ready, failed, cancelled };

// What a request asked for, decided from its first bytes.
enum class HttpRoute { next, previous, ping, pendingText, sendText, unknown };

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
        std::function<HttpAnswer(HttpRoute, const QString& request)> answerRoute;
    };
    virtual ~HttpListenerFactory() = default;
    // Empty when no listener can be created for this port.
    virtual std::unique_ptr<HttpListener> listen(quint16 port, Callbacks callbacks) = 0;
};
