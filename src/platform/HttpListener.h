#pragma once

#include "PhoneKeys.h"
#include "PhoneRequest.h"

#include <QObject>
#include <QtGlobal>
#include <memory>
#include <vector>

// notPermitted: the port is reserved to the administrator (below 1024); failed: any other reason (taken, say).
enum class HttpListenerState { starting, ready, failed, notPermitted };

// Answers what phones ask over HTTP, on the main thread.
class PhoneRequestHandler {
public:
    virtual ~PhoneRequestHandler() = default;
    // One answer per request, in order. A group holds the requests that arrived while the last one was answered.
    virtual std::vector<PhoneAnswer> answer(const std::vector<PhoneRequest>& requests) = 0;
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
    // Requests from now on are checked against these.
    virtual void setPhoneKeys(const PhoneKeys& keys) = 0;

Q_SIGNALS:
    void stateChanged(HttpListenerState state);
    // Requests without a valid key, from one address, since the last report.
    void refused(const QString& address, int count);
};

class HttpListenerFactory {
public:
    virtual ~HttpListenerFactory() = default;
    // The handler answers every request the listener takes, and outlives it; the keys hold from the first request.
    virtual std::unique_ptr<HttpListener> listen(quint16 port, PhoneRequestHandler& handler, const PhoneKeys& keys) = 0;
};
