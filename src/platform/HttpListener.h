#pragma once

#include <QByteArray>
#include <QObject>
#include <QtGlobal>
#include <memory>
#include <optional>
#include <vector>

// notPermitted: the port is reserved to the administrator (below 1024); failed: any other reason (taken, say).
enum class HttpListenerState { starting, ready, failed, notPermitted };

// What a request asks the service for, decided from its first bytes.
enum class HttpRoute { next, previous, blackScreen, first, last, pendingText, sendText, keyTarget, unknown };

// A request for the service: its route and, when its head has ended, the bytes after it.
struct RouteRequest {
    HttpRoute route;
    std::optional<QByteArray> body;
};

// The service's answer to a request, before the HTTP side frames it.
struct HttpOutcome {
    enum class Kind {
        commandDone,
        pendingText,
        noPendingText,
        textAccepted,
        missingBody,
        invalidJson,
        emptyText,
        keyTarget,
        unknown
    };
    Kind kind;
    // The pending text's or the key target's JSON body, or the status text that refused an empty text.
    QByteArray detail;
};

// A listening HTTP fallback server on one port; it lives on the main thread, and so do the receivers of its signals.
// Destroying it stops it at once: nothing more is answered or reported.
class HttpListener : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // Stops accepting at once and reports no state any more; what it already received is still answered, within
    // its deadline.
    virtual void cancel() = 0;
    // True once a cancelled listener has answered everything it held.
    virtual bool isFinished() const = 0;
    // Answers the requests being received, one outcome per request, in order; called from a receiver of
    // requestsReceived, on a direct connection. A request left without an outcome ends by its deadline.
    virtual void answer(std::vector<HttpOutcome> outcomes) = 0;

Q_SIGNALS:
    void stateChanged(HttpListenerState state);
    // The requests that arrived while earlier ones were being answered, in order.
    void requestsReceived(const std::vector<RouteRequest>& requests);
};

class HttpListenerFactory {
public:
    virtual ~HttpListenerFactory() = default;
    virtual std::unique_ptr<HttpListener> listen(quint16 port) = 0;
};
