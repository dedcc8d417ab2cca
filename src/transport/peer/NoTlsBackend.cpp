#include "NoTlsBackend.h"

#include <QSslConfiguration>

namespace {

QtMessageHandler handlerBefore = nullptr;

void withoutTlsWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (qstrcmp(context.category, "qt.network.ssl") != 0)
        handlerBefore(type, context, message);
}

} // namespace

void NoTlsBackend::install()
{
    [[maybe_unused]] static const bool installed = [] {
        new NoTlsBackend;
        // Qt builds its default configuration once, with an empty key and certificate that this backend cannot
        // make: built here, with Qt's TLS warnings held back, it does not warn of them at the first session.
        handlerBefore = qInstallMessageHandler(nullptr);
        qInstallMessageHandler(withoutTlsWarnings);
        QSslConfiguration::defaultConfiguration();
        qInstallMessageHandler(handlerBefore);
        return true;
    }();
}

QString NoTlsBackend::backendName() const { return QStringLiteral("none"); }

QList<QSsl::SslProtocol> NoTlsBackend::supportedProtocols() const { return {}; }

QList<QSsl::SupportedFeature> NoTlsBackend::supportedFeatures() const { return {}; }

QList<QSsl::ImplementedClass> NoTlsBackend::implementedClasses() const { return {}; }
