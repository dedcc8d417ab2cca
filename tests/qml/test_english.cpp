// The English catalogue in the real window: both tabs and the service's texts speak English, and the colours of the
// HTTP pill and the send banner come from the states, not from French words.

#include "ViewHarness.h"
#include "ui/MainWindow.h"
#include "ui/Palette.h"
#include "ui/Translation.h"

#include <QProcess>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTest>

class TestEnglish : public QObject {
    Q_OBJECT

private slots:
    void onlyAnEnglishFirstChoiceTranslates_data()
    {
        QTest::addColumn<QStringList>("languages");
        QTest::newRow("French") << QStringList { QStringLiteral("fr-FR") };
        QTest::newRow("French before English") << QStringList { QStringLiteral("fr-FR"), QStringLiteral("en-US") };
        QTest::newRow("German") << QStringList { QStringLiteral("de-DE") };
        QTest::newRow("C locale") << QStringList { QStringLiteral("C") };
    }

    void onlyAnEnglishFirstChoiceTranslates()
    {
        QFETCH(QStringList, languages);
        QVERIFY(!installTranslation(*QCoreApplication::instance(), languages));
        QCOMPARE(QCoreApplication::translate("MacRemoteView", "Télécommande"), QStringLiteral("Télécommande"));
    }

    void bothTabsInEnglish()
    {
        // Before the service exists: it writes its first texts when it is built.
        QVERIFY(installTranslation(*QCoreApplication::instance(), { QStringLiteral("en-GB"), QStringLiteral("fr") }));
        ViewHarness harness;
        QQmlApplicationEngine engine;
        QVERIFY(loadMainWindow(engine));
        auto* quickWindow = qobject_cast<QQuickWindow*>(engine.rootObjects().constFirst());
        QVERIFY(QTest::qWaitForWindowExposed(quickWindow));
        QQuickItem* window = quickWindow->contentItem();

        QCOMPARE(item(window, "tab_remote")->property("text").toString(), QStringLiteral("Remote"));
        QCOMPARE(item(window, "statusLine")->property("text").toString(), QStringLiteral("Waiting for the iPhone"));
        QQuickItem* pill = item(window, "httpPill");
        QCOMPARE(pill->property("isActive").toBool(), false);
        harness.reportHttpState(QStringLiteral("ready"));
        QCOMPARE(item(pill, "pillValue")->property("text").toString(), QStringLiteral("Listening on port 4777"));
        QCOMPARE(item(pill, "pillIcon")->property("color").value<QColor>(), Palette::accent());

        // The QR code shows for the page's address, and a camera reads it.
        harness.setInterfaceAddress(QStringLiteral("192.168.1.20"));
        harness.service()->refreshLocalIPAddress();
        QMetaObject::invokeMethod(item(window, "qrButton"), "clicked");
        QQuickItem* code = item(window, "qrCode");
        QTRY_VERIFY(code->isVisible());
        const QString url = QStringLiteral("http://192.168.1.20:4777/");
        QCOMPARE(code->property("text").toString(), url);
        QTemporaryDir dir;
        const QString shot = dir.filePath(QStringLiteral("qr.png"));
        QVERIFY(quickWindow->grabWindow().save(shot));
        QProcess zbar;
        zbar.start(QStringLiteral("zbarimg"), { QStringLiteral("-q"), QStringLiteral("--raw"), shot });
        QVERIFY(zbar.waitForFinished());
        QCOMPARE(QString::fromUtf8(zbar.readAllStandardOutput()).trimmed(), url);
        QTest::keyClick(quickWindow, Qt::Key_Escape);

        QQuickItem* sendTab = item(window, "tab_sendText");
        QCOMPARE(sendTab->property("text").toString(), QStringLiteral("Send a text"));
        QMetaObject::invokeMethod(sendTab, "clicked");
        QTRY_VERIFY(item(window, "sendButton"));
        QCOMPARE(item(window, "sendButton")->property("text").toString(), QStringLiteral("Send to iPhone"));
        harness.service()->sendText(QString(), QStringLiteral("Bonjour"));
        QQuickItem* banner = item(window, "sendStatusBanner");
        QCOMPARE(item(banner, "sendStatusText")->property("text").toString(),
            QStringLiteral("Text ready — the iPhone picks it up with its next command"));
        QCOMPARE(
            item(banner, "sendStatusIcon")->property("symbol").toString(), QStringLiteral("checkmark.circle.fill"));
    }

private:
    // Searches the visual tree, where Repeater delegates live.
    static QQuickItem* item(QQuickItem* parent, const char* name)
    {
        for (QQuickItem* child : parent->childItems()) {
            if (child->objectName() == QLatin1String(name))
                return child;
            if (QQuickItem* found = item(child, name))
                return found;
        }
        return nullptr;
    }
};

QTEST_MAIN(TestEnglish)

#include "test_english.moc"
