#pragma once

// Stand-ins for the OS seams of MacRemoteService, so tests decide what the desktop answers.

#include "platform/FocusedWindow.h"
#include "platform/HttpListener.h"
#include "platform/NetworkInterfaces.h"
#include "platform/PeerLink.h"
#include "platform/RemoteInput.h"
#include "platform/ScreenPicture.h"
#include "platform/Settings.h"
#include "service/MacRemoteService.h"

#include <QHash>
#include <QStringList>
#include <memory>
#include <vector>

struct FakeKeys : RemoteInput {
    std::vector<Key> pressed;
    bool canPress = true;
    bool trusted = true;
    AccessRequest request = AccessRequest::adminPassword;
    bool asking = false;
    int accessRequests = 0;

    bool pressKey(Key key) override
    {
        if (canPress)
            pressed.push_back(key);
        return canPress;
    }
    bool hasAccess() override { return trusted; }
    void requestAccess() override { ++accessRequests; }
    AccessRequest accessRequest() const override { return request; }
    bool isAskingForAccess() const override { return asking; }
};

struct FakeSettings : Settings {
    QHash<QString, qint64> values;
    QHash<QString, QString> texts;
    qint64 integer(const QString& key) const override { return values.value(key, 0); }
    void setInteger(const QString& key, qint64 value) override { values.insert(key, value); }
    QString text(const QString& key) const override { return texts.value(key); }
    void setText(const QString& key, const QString& value) override { texts.insert(key, value); }
};

struct FakeInterfaces : NetworkInterfaces {
    std::optional<std::vector<NetworkInterfaceEntry>> list = std::vector<NetworkInterfaceEntry> {};

    std::optional<std::vector<NetworkInterfaceEntry>> entries() override { return list; }

    void addIPv4(const QByteArray& name, const char* address)
    {
        list->push_back({ name, QString::fromLatin1(address) });
    }
};

struct FakePeerLink : PeerLink {
    QStringList advertised; // "displayName/serviceType"
    std::vector<std::pair<quint64, TextPayload>> offered; // in offer order
    bool isOfferWithdrawn = false;
    std::vector<std::pair<KeyTarget, QString>> published;
    std::vector<std::pair<qint64, bool>> answeredTaps; // the page's tap id, and whether it was pressed
    PhoneKeys keys;
    // A phone that reads at once: every offer is confirmed before it returns.
    bool confirmsAtOnce = false;

    void startAdvertising(const QString& displayName, const QString& serviceType) override
    {
        advertised << displayName + u'/' + serviceType;
    }
    void offerText(quint64 delivery, const TextPayload& text) override
    {
        offered.emplace_back(delivery, text);
        isOfferWithdrawn = false;
        if (confirmsAtOnce)
            Q_EMIT delivered(delivery);
    }
    void withdrawText() override { isOfferWithdrawn = true; }
    void publishKeyTarget(const KeyTarget& target, const QString& programName) override
    {
        published.emplace_back(target, programName);
    }
    void answerTap(const PageTap& tap, bool pressed) override { answeredTaps.emplace_back(tap.id, pressed); }
    void setPhoneKeys(const PhoneKeys& phoneKeys) override { keys = phoneKeys; }
    void publishPicture(const QByteArray& jpeg) override { pictures.push_back(jpeg); }
    std::vector<QByteArray> pictures;
};

struct FakeHttpListenerFactory : HttpListenerFactory {
    struct Listener : HttpListener {
        FakeHttpListenerFactory* owner;
        quint16 port;
        PhoneRequestHandler& handler;
        bool isCancelled = false;
        PhoneKeys keys;
        Listener(FakeHttpListenerFactory* owner, quint16 port, PhoneRequestHandler& handler, const PhoneKeys& keys)
            : owner(owner)
            , port(port)
            , handler(handler)
            , keys(keys)
        {
            owner->live.push_back(this);
        }
        ~Listener() override { std::erase(owner->live, this); }
        void cancel() override { isCancelled = true; }
        // Holds no request of its own, so it finishes as soon as it is cancelled.
        bool isFinished() const override { return isCancelled; }
        void setPhoneKeys(const PhoneKeys& phoneKeys) override { keys = phoneKeys; }
        // The requests as the server hands them over, and what the service answered.
        std::vector<PhoneAnswer> receive(const std::vector<PhoneRequest>& requests) { return handler.answer(requests); }
    };
    std::vector<Listener*> live;
    std::vector<quint16> requestedPorts;

    std::unique_ptr<HttpListener> listen(quint16 port, PhoneRequestHandler& handler, const PhoneKeys& keys) override
    {
        requestedPorts.push_back(port);
        return std::make_unique<Listener>(this, port, handler, keys);
    }
    Listener* current() const { return live.empty() ? nullptr : live.back(); }
};

struct FakePointerOverlay : PointerOverlay {
    std::optional<QPointF> shownAt; // empty while hidden
    void showPointer(QPointF position) override { shownAt = position; }
    void hidePointer() override { shownAt.reset(); }
};

// Answers each picture at once, numbered in the order taken.
struct FakeScreenPicture : ScreenPicture {
    int takes = 0;
    void take() override { Q_EMIT taken(QByteArray::number(++takes)); }
};

// Every fake, wired into the service's platform; settings and interfaces can be prepared before the service.
struct FakePlatform {
    FakeKeys keys;
    FakeSettings settings;
    FakeInterfaces interfaces;
    FakePeerLink peerLink;
    FakeHttpListenerFactory httpListeners;
    FocusedWindow focusedWindow; // a desktop that does not tell
    FakePointerOverlay pointerOverlay;
    FakeScreenPicture screenPicture;

    MacRemoteService::Platform platform()
    {
        return { keys, settings, interfaces, peerLink, httpListeners, focusedWindow, pointerOverlay, screenPicture };
    }
};
