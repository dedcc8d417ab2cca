#include "FreePort.h"
#include "KeyReceiverProcess.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The real app, started as users start it on the X display of scripts/test, serves curl: a slide command reaches
// the window that holds the focus as a Right key, and a posted text comes back from /pendingtext.
class TestHttpCurl : public QObject {
    Q_OBJECT

private:
    static QByteArray curl(const QStringList& arguments)
    {
        QProcess process;
        process.start(QStringLiteral("curl"),
            QStringList { QStringLiteral("-s"), QStringLiteral("--max-time"), QStringLiteral("5") } + arguments);
        process.waitForFinished(10000);
        return process.readAllStandardOutput();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(!qEnvironmentVariableIsEmpty("DISPLAY"), "needs an X display: run the suite through scripts/test");
    }

    void curlMovesTheSlideAndTradesATextWithTheApp()
    {
        // The app keeps its port in its own settings file, under a home of its own.
        QTemporaryDir home;
        QVERIFY(home.isValid());
        const quint16 port = freePort();
        QVERIFY(QDir(home.path()).mkpath(QStringLiteral("config/Quorvelantis")));
        QFile settings(home.filePath(QStringLiteral("config/Quorvelantis/QuorvelantisRemote.conf")));
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write("[General]\nmacRemotePort=" + QByteArray::number(port) + "\n");
        settings.close();

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), home.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("x11"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        // Its window stays off the display, so that it cannot take the focus from the receiver.
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("QT_QUICK_BACKEND"), QStringLiteral("software"));
        QProcess app;
        app.setProcessEnvironment(environment);
        app.setProcessChannelMode(QProcess::ForwardedChannels);
        app.start(QStringLiteral(APP_PATH), {});
        QVERIFY(app.waitForStarted());
        const auto stopApp = qScopeGuard([&] {
            app.terminate();
            if (!app.waitForFinished(5000))
                app.kill();
        });

        const QString base = QStringLiteral("http://127.0.0.1:%1").arg(port);
        QVERIFY(QTest::qWaitFor([&] { return curl({ base + QStringLiteral("/ping") }) == "pong"; }, 20000));

        KeyReceiverProcess receiver;
        QVERIFY(receiver.startAndWaitUntilReady());
        QCOMPARE(curl({ base + QStringLiteral("/next") }), QByteArray("ok"));
        QCOMPARE(receiver.nextLine(), QStringLiteral("press Right"));
        QCOMPARE(receiver.nextLine(), QStringLiteral("release Right"));

        const QByteArray text = QStringLiteral("{\"title\":\"Plan\",\"text\":\"Étape 1\\nÉtape 2\"}").toUtf8();
        QCOMPARE(curl({ QStringLiteral("-d"), QString::fromUtf8(text), base + QStringLiteral("/sendtext") }),
            QByteArray("sent"));
        QCOMPARE(curl({ base + QStringLiteral("/pendingtext") }), text);
        // curl reads no body after a 204 status.
        QCOMPARE(curl({ QStringLiteral("-w"), QStringLiteral("%{http_code}"), base + QStringLiteral("/pendingtext") }),
            QByteArray("204"));
        QCOMPARE(app.state(), QProcess::Running);
    }
};

QTEST_GUILESS_MAIN(TestHttpCurl)
#include "test_http_curl.moc"
