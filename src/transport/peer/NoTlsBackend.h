#pragma once

#include <QtNetwork/private/qtlsbackend_p.h>

// The peer link speaks plain WebSocket, yet every QWebSocket copies Qt's default TLS configuration, and Qt picks its
// TLS backend by probing each plugin: OpenSSL's probe maps libssl and libcrypto (4 MiB) for the rest of the process.
// Once this backend exists, Qt knows no other and looks for no plugin; implementing nothing, it tells Qt's sockets
// that TLS is not supported here.
class NoTlsBackend : public QTlsBackend {
public:
    // Before the first QWebSocket, with the application made; Qt deletes the backend along with the application.
    static void install();

    QString backendName() const override;
    QList<QSsl::SslProtocol> supportedProtocols() const override;
    QList<QSsl::SupportedFeature> supportedFeatures() const override;
    QList<QSsl::ImplementedClass> implementedClasses() const override;

private:
    NoTlsBackend() = default;
};
