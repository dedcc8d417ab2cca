#pragma once

// Stand-ins for the OS seams of MacRemoteService, so tests decide what the desktop answers.

#include "platform/AccessibilityPermission.h"
#include "platform/FocusedWindow.h"
#include "platform/HttpListener.h"
#include "platform/IntegerSettings.h"
#include "platform/KeyInjector.h"
#include "platform/NetworkInterfaces.h"
#include "platform/PeerLink.h"
#include "platform/RepeatingTimer.h"
#include "service/MacRemoteService.h"

#include <QHash>
#include <QStringList>
#include <memory>
#include <vector>

struct FakeKeys : KeyInjector {
    std::vector<Arrow> pressed;
    bool canPress = true;

    bool pressArrow(Arrow arrow) override
    {
        if (canPress)
            pressed.push_back(arrow);
        return canPress;
    }
};

struct FakePermission : AccessibilityPermission {
    bool trusted = true;
    bool grantable = true;
    QStringList calls; // "reset" and "prompt", in call order

    bool isTrusted() override { return trusted; }
    void resetRecord() override { calls << QStringLiteral("reset"); }
    void requestPrompt() override { calls << QStringLiteral("prompt"); }
    bool canBeGranted() override { return grantable; }
};

struct FakeTimerFactory : TimerFactory {
    struct Timer : RepeatingTimer {
        FakeTimerFactory* owner;
        std::function<void()> onTick;
        Timer(FakeTimerFactory* owner, std::function<void()> onTick)
            : owner(owner)
            , onTick(std::move(onTick))
        {
            owner->running.push_back(this);
        }
        ~Timer() override { std::erase(owner->running, this); }
    };
    std::vector<Timer*> running;
    std::vector<std::chrono::milliseconds> intervals;

    std::unique_ptr<RepeatingTimer> startRepeating(
        std::chrono::milliseconds interval, std::function<void()> onTick) override
    {
        intervals.push_back(interval);
        return std::make_unique<Timer>(this, std::move(onTick));
    }
    // Fires every running timer once, as the event loop would after one interval.
    void tick()
    {
        for (Timer* timer : std::vector<Timer*>(running))
            timer->onTick();
    }
};

struct FakeSettings : IntegerSettings {
    QHash<QString, qint64> values;
    qint64 integer(const QString& key) const override { return values.value(key, 0); }
    void setInteger(const QString& key, qint64 value) override { values.insert(key, value); }
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
    std::vector<std::pair<quint64, QByteArray>> sent; // delivery and data, in send order
    // A phone that reads at once: every send is confirmed before it returns.
    bool confirmsAtOnce = false;

    void startAdvertising(const QString& displayName, const QString& serviceType) override
    {
        advertised << displayName + u'/' + serviceType;
    }
    void send(quint64 delivery, const QByteArray& data) override
    {
        sent.emplace_back(delivery, data);
        if (confirmsAtOnce)
            Q_EMIT delivered(delivery);
    }
};

struct FakeHttpListenerFactory : HttpListenerFactory {
    struct Listener : HttpListener {
        FakeHttpListenerFactory* owner;
        quint16 port;
        Callbacks callbacks;
        bool isCancelled = false;
        Listener(FakeHttpListenerFactory* owner, quint16 port, Callbacks callbacks)
            : owner(owner)
            , port(port)
            , callbacks(std::move(callbacks))
        {
            owner->live.push_back(this);
        }
        ~Listener() override { std::erase(owner->live, this); }
        void cancel() override { isCancelled = true; }
        // Holds no request of its own, so it finishes as soon as it is cancelled.
        bool isFinished() const override { return isCancelled; }
    };
    std::vector<Listener*> live;
    std::vector<quint16> requestedPorts;

    std::unique_ptr<HttpListener> listen(quint16 port, Callbacks callbacks) override
    {
        requestedPorts.push_back(port);
        return std::make_unique<Listener>(this, port, std::move(callbacks));
    }
    Listener* current() const { return live.empty() ? nullptr : live.back(); }
};

// Every fake, wired into the service's platform; settings and interfaces can be prepared before the service.
struct FakePlatform {
    FakeKeys keys;
    FakePermission permission;
    FakeTimerFactory timers;
    FakeSettings settings;
    FakeInterfaces interfaces;
    FakePeerLink peerLink;
    FakeHttpListenerFactory httpListeners;
    FocusedWindow focusedWindow; // a desktop that does not tell

    MacRemoteService::Platform platform()
    {
        return { keys, permission, timers, settings, interfaces, peerLink, httpListeners, focusedWindow };
    }
};
