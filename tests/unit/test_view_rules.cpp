// The pure rules behind the views: port field parsing and word counting.

#include "ui/PortText.h"
#include "ui/SceneGraphBackend.h"
#include "ui/WordCount.h"

#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTest>

class TestViewRules : public QObject {
    Q_OBJECT

private slots:
    void parsePortText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("port"); // -1: not a port
        QTest::newRow("zero") << "0" << 0;
        QTest::newRow("plus") << "+8080" << 8080;
        QTest::newRow("leading zeros") << "08080" << 8080;
        QTest::newRow("highest") << "65535" << 65535;
        QTest::newRow("above range") << "65536" << -1;
        QTest::newRow("trailing letter") << "80a" << -1;
        QTest::newRow("negative") << "-1" << -1;
        QTest::newRow("leading space") << " 80" << -1;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("sign alone") << "+" << -1;
        QTest::newRow("two signs") << "+-1" << -1;
        QTest::newRow("non-ASCII digits") << QStringLiteral("٨٠") << -1;
    }

    void parsePortText()
    {
        QFETCH(QString, text);
        QFETCH(int, port);
        const std::optional<quint16> parsed = ::parsePortText(text);
        QCOMPARE(parsed ? int(*parsed) : -1, port);
    }

    void countWords_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qsizetype>("words");
        QTest::newRow("blank with a line break") << "   \n" << qsizetype(0);
        QTest::newRow("one word") << "Bonjour" << qsizetype(1);
        QTest::newRow("single spaces") << "un deux trois" << qsizetype(3);
        QTest::newRow("runs of spaces") << "  un   deux  " << qsizetype(2);
        QTest::newRow("two lines") << "un\ndeux" << qsizetype(1);
        QTest::newRow("tab") << "un\tdeux" << qsizetype(1);
        QTest::newRow("no-break space") << QStringLiteral("un\u00A0deux") << qsizetype(1);
        QTest::newRow("lines with spaces") << "un deux\ntrois quatre" << qsizetype(3);
    }

    void countWords()
    {
        QFETCH(QString, text);
        QFETCH(qsizetype, words);
        QCOMPARE(::countWords(text), words);
    }

    void softwareSceneGraphOnlyWithoutAGraphicsDevice()
    {
        qunsetenv("QT_QUICK_BACKEND");
        qunsetenv("QSG_RHI_BACKEND");
        QTemporaryDir devices;
        QFile renderNode(devices.filePath(QStringLiteral("renderD128")));
        QVERIFY(renderNode.open(QIODevice::WriteOnly));
        renderNode.close();
        chooseSceneGraphBackend(devices.path());
        QCOMPARE(QQuickWindow::sceneGraphBackend(), QString());

        QVERIFY(renderNode.remove());
        qputenv("QT_QUICK_BACKEND", "opengl");
        chooseSceneGraphBackend(devices.path());
        QCOMPARE(QQuickWindow::sceneGraphBackend(), QString());

        qunsetenv("QT_QUICK_BACKEND");
        chooseSceneGraphBackend(devices.path());
        QCOMPARE(QQuickWindow::sceneGraphBackend(), QStringLiteral("software"));
    }
};

QTEST_APPLESS_MAIN(TestViewRules)
#include "test_view_rules.moc"
