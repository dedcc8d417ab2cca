// quorvelantis-peer: plays the phone's part of the peer link, to try the desktop app without the phone app.
#include "PeerClient.h"
#include "ServiceFinder.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvelantis-peer"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Finds the desktop over DNS-SD (_quorvelantis._tcp) or at HOST:PORT, joins its peer session and sends each "
        "MESSAGE (next, previous, or any text such as {\"slideCommand\":{\"_0\":\"next\"}}). Without messages it "
        "sends each line of standard input until it ends. Every message the desktop sends is printed as one line."));
    parser.addHelpOption();
    const QCommandLineOption connectOption({ QStringLiteral("c"), QStringLiteral("connect") },
        QStringLiteral("Connect to HOST:PORT instead of browsing."), QStringLiteral("HOST:PORT"));
    const QCommandLineOption nameOption({ QStringLiteral("n"), QStringLiteral("name") },
        QStringLiteral("Take the service of this instance name (default: the first found)."), QStringLiteral("NAME"));
    const QCommandLineOption binaryOption(
        { QStringLiteral("b"), QStringLiteral("binary") }, QStringLiteral("Send binary messages instead of text."));
    parser.addOptions({ connectOption, nameOption, binaryOption });
    parser.addPositionalArgument(
        QStringLiteral("MESSAGE"), QStringLiteral("Messages to send, in order."), "[MESSAGE...]");
    parser.process(app);

    QTextStream err(stderr);
    PeerClient client(parser.positionalArguments(), parser.isSet(binaryOption));
    QObject::connect(&client, &PeerClient::finished, &app, &QCoreApplication::exit);

    if (parser.isSet(connectOption)) {
        const QString target = parser.value(connectOption);
        const qsizetype colon = target.lastIndexOf(':');
        bool portIsNumber = false;
        const uint port = colon > 0 ? target.mid(colon + 1).toUInt(&portIsNumber) : 0;
        if (!portIsNumber || port == 0 || port > 65535) {
            err << "expected HOST:PORT, got " << target << '\n';
            return 2;
        }
        client.open(target.left(colon), quint16(port));
        return app.exec();
    }

    ServiceFinder finder("_quorvelantis._tcp", parser.value(nameOption), 5000);
    QObject::connect(
        &finder, &ServiceFinder::found, &client, [&](const QString& name, const QString& host, quint16 port) {
            err << "found \"" << name << "\" at " << host << ':' << port << '\n';
            err.flush();
            client.open(host, port);
        });
    QObject::connect(&finder, &ServiceFinder::failed, &app, [&](const QString& reason) {
        err << reason << '\n';
        app.exit(1);
    });
    // Started from the event loop, so that an early failure can end it.
    QMetaObject::invokeMethod(&finder, &ServiceFinder::start, Qt::QueuedConnection);
    return app.exec();
}
