#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QVariantList>
#include <QVariantMap>
#include <functional>

// One call of a desktop portal's method. The portal answers later, through the Response signal of a Request
// object (the user may take minutes over its dialog). The signal is subscribed before the call, at the path that the
// handle_token fixes in advance, so not even an immediate answer is missed.
class PortalRequest : public QObject {
    Q_OBJECT

public:
    static inline const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
    static inline const QString objectPath = QStringLiteral("/org/freedesktop/portal/desktop");
    static inline const QString remoteDesktopInterface = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
    static inline const QString screenshotInterface = QStringLiteral("org.freedesktop.portal.Screenshot");

    // The portal's response code: 0 done, 1 refused by the user, 2 any other failure.
    using Answer = std::function<void(uint response, const QVariantMap& results)>;

    // Calls `interface`'s `method` with `arguments`, then `options` (the handle_token added). A call that fails on the
    // bus is answered with 2. The request lives as a child of `owner`, so no answer comes once the owner is gone.
    static void send(const QDBusConnection& bus, const QString& interface, const QString& method,
        const QVariantList& arguments, QVariantMap options, QObject* owner, Answer answer);

    // A token for the options that name an object the portal creates for us (its path ends with the token).
    static QString newToken();

private Q_SLOTS:
    void onResponse(uint response, const QVariantMap& results);

private:
    PortalRequest(const QDBusConnection& bus, QString path, Answer answer, QObject* owner);

    QDBusConnection m_bus;
    QString m_path;
    Answer m_answer;
};
