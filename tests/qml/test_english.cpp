// The English catalogue in the real window at 620 × 680: both tabs and the service's texts speak English, and the
// colours of the HTTP pill, the tabs and the banners come from the states, not from French words.

#include "ViewHarness.h"
#include "service/Translation.h"
#include "ui/MainWindow.h"
#include "ui/Palette.h"
#include "ui/SystemIconFont.h"

#include <QProcess>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <fontconfig/fontconfig.h>

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
        // As the app before its window: of the icon font's copies on this machine, only the TrueType file is left,
        // and the symbols below draw from it.
        hideIconFontWebCopies();
        FcPattern* iconFamily = FcNameParse(reinterpret_cast<const FcChar8*>("Material Icons"));
        FcObjectSet* files = FcObjectSetBuild(FC_FILE, nullptr);
        FcFontSet* copies = FcFontList(nullptr, iconFamily, files);
        FcChar8* file = nullptr;
        const QString onlyCopy = copies->nfont == 1 && FcPatternGetString(copies->fonts[0], FC_FILE, 0, &file) == 0
            ? QString::fromUtf8(reinterpret_cast<const char*>(file))
            : QString::number(copies->nfont) + QStringLiteral(" copies");
        FcFontSetDestroy(copies);
        FcObjectSetDestroy(files);
        FcPatternDestroy(iconFamily);
        QVERIFY2(onlyCopy.endsWith(u".ttf"), qPrintable(onlyCopy));
        ViewHarness harness;
        MainWindow mainWindow;
        QVERIFY(mainWindow.show());
        QQuickWindow* quickWindow = mainWindow.window();
        QVERIFY(QTest::qWaitForWindowExposed(quickWindow));
        QQuickItem* window = quickWindow->contentItem();
        QCOMPARE(quickWindow->title(), QStringLiteral("Quorvelantis Remote"));
        QCOMPARE(quickWindow->size(), QSize(620, 680));
        QCOMPARE(quickWindow->minimumSize(), QSize(620, 480));
        QCOMPARE(quickWindow->maximumWidth(), 620);
        QVERIFY(quickWindow->maximumHeight() > 680);

        // Each appearance reads the permission at once, before any poll tick could write its text; a hidden window
        // leaves the poll stopped.
        MacRemoteService& service = *harness.service();
        QTimer* poll = service.findChild<QTimer*>();
        QVERIFY(poll->isActive());
        harness.fakes.keys.trusted = false;
        service.refreshAccessibilityStatus();
        harness.fakes.keys.trusted = true;
        quickWindow->hide();
        QTRY_VERIFY(!poll->isActive());
        quickWindow->show();
        QTRY_VERIFY(poll->isActive());
        QTRY_VERIFY(service.hasAccessibility());
        QVERIFY(QTest::qWaitForWindowExposed(quickWindow));

        QCOMPARE(item(window, "tab_remote")->property("text").toString(), QStringLiteral("Remote"));
        QCOMPARE(item(window, "statusLine")->property("text").toString(), QStringLiteral("Waiting for the iPhone"));
        QQuickItem* pill = item(window, "httpPill");
        QCOMPARE(pill->property("isActive").toBool(), false);
        harness.reportHttpState(QStringLiteral("ready"));
        QCOMPARE(item(pill, "pillValue")->property("text").toString(), QStringLiteral("Listening on port 4777"));
        QCOMPARE(item(pill, "pillIcon")->property("color").value<QColor>(), Palette::accent());
        QImage look = quickWindow->grabWindow();
        checkSelectedTab(look, item(window, "tab_remote"), item(window, "tab_sendText"));
        QCOMPARE(look.pixelColor(8, 660).rgb(), paper.rgb()); // the left margin of the tab content

        // A command without the permission: the orange warning first, then the accent banner.
        harness.setTrusted(false);
        harness.executeCommand(QStringLiteral("next"));
        QQuickItem* commandBanner = item(window, "commandBanner");
        QTRY_COMPARE(commandBanner->scale(), 1.0);
        QTRY_VERIFY(item(window, "permissionWarning")->isVisible());
        QCOMPARE(quickWindow->grabWindow().pixelColor(inside(commandBanner)).rgb(), accent.rgb());
        // The wrapped first instruction keeps its natural height of two lines after the layout changed.
        QVERIFY(item(window, "firstInstruction")->height() < 40);
        harness.setTrusted(true);

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
        QTRY_COMPARE(sendTab->property("selection").toReal(), 1.0);
        QCOMPARE(item(window, "sendButton")->property("text").toString(), QStringLiteral("Send to iPhone"));
        harness.service()->sendText(QString(), QStringLiteral("Bonjour"));
        QQuickItem* banner = item(window, "sendStatusBanner");
        QCOMPARE(item(banner, "sendStatusText")->property("text").toString(),
            QStringLiteral("Text ready — the iPhone picks it up with its next command"));
        QCOMPARE(
            item(banner, "sendStatusIcon")->property("symbol").toString(), QStringLiteral("checkmark.circle.fill"));
        QTRY_COMPARE(banner->opacity(), 1.0);
        look = quickWindow->grabWindow();
        checkSelectedTab(look, sendTab, item(window, "tab_remote"));
        QCOMPARE(look.pixelColor(8, 660).rgb(), paper.rgb());
        // The success look: system green at opacity 0.1 over the paper.
        const QColor tint = look.pixelColor(inside(banner));
        QVERIFY2(qAbs(tint.red() - 227) <= 2 && qAbs(tint.green() - 237) <= 2 && qAbs(tint.blue() - 218) <= 2,
            qPrintable(tint.name()));

        // Every symbol the views name is one glyph of the icon font, not its ligature spelled out in letters.
        QQmlComponent component(qmlEngine(quickWindow));
        component.setData("import Quorvelantis.Remote\nSymbolIcon { font.pixelSize: 20 }", QUrl());
        std::unique_ptr<QObject> icon(component.create());
        QVERIFY2(icon, qPrintable(component.errorString()));
        const QVariantMap names = icon->property("materialNames").toMap();
        QVERIFY(names.size() >= 20);
        for (const QString& symbol : names.keys()) {
            icon->setProperty("symbol", symbol);
            const qreal width = icon->property("implicitWidth").toReal();
            QVERIFY2(width > 10 && width <= 24, qPrintable(symbol + u' ' + QString::number(width)));
        }
    }

private:
    const QColor accent = QColor(185, 68, 53);
    const QColor paper = QColor(246, 241, 232);

    static QPoint inside(QQuickItem* banner) { return banner->mapToScene(QPointF(6, banner->height() / 2)).toPoint(); }

    // The selected tab has the accent underline along its bottom edge; the other shows paper there.
    void checkSelectedTab(const QImage& image, QQuickItem* selected, QQuickItem* other) const
    {
        for (const auto& [tab, expected] : { std::pair { selected, accent }, std::pair { other, paper } }) {
            QCOMPARE(image.pixelColor(tab->mapToScene(QPointF(tab->width() / 2, tab->height() - 1)).toPoint()).rgb(),
                expected.rgb());
            QVERIFY(image.pixelColor(tab->mapToScene(QPointF(4, tab->height() - 4)).toPoint()).rgb() != accent.rgb());
        }
    }

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
