// Renders the real window at 620 × 680, writes both tabs as PNGs next to the test and checks key pixels.

#include "ViewHarness.h"
#include "ui/MainWindow.h"

#include <QQmlApplicationEngine>
#include <QQmlComponent>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>
#include <QTimer>

class TestWindowLook : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(loadMainWindow(m_engine));
        m_window = qobject_cast<QQuickWindow*>(m_engine.rootObjects().constFirst());
        QVERIFY(m_window);
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
    }

    void windowShape()
    {
        QCOMPARE(m_window->title(), QStringLiteral("Quorvelantis Remote"));
        QCOMPARE(m_window->size(), QSize(620, 680));
        QCOMPARE(m_window->minimumSize(), QSize(620, 480));
        QCOMPARE(m_window->maximumWidth(), 620);
        QVERIFY(m_window->maximumHeight() > 680);
    }

    void eachAppearanceStartsThePermissionPoll()
    {
        MacRemoteService& service = *m_harness.service();
        QVERIFY(service.findChild<QTimer*>()->isActive());
        // Granted again while hidden: the appearance reads it at once, before any tick could write the poll's text.
        m_harness.fakes.keys.trusted = false;
        service.refreshAccessibilityStatus();
        m_harness.fakes.keys.trusted = true;
        m_window->hide();
        m_window->show();
        QTRY_VERIFY(service.hasAccessibility());
        QVERIFY(service.statusMessage() != QStringLiteral("✅ Accessibilité autorisée"));
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
    }

    void bothTabsRendered()
    {
        QImage remote = grab(QStringLiteral("window-remote-tab.png"));
        QCOMPARE(remote.size(), QSize(620, 680));
        checkSelectedTab(remote, QStringLiteral("tab_remote"), QStringLiteral("tab_sendText"));
        // Paper shows in the left margin of the tab content, near the bottom.
        QCOMPARE(remote.pixelColor(8, 660).rgb(), QColor(246, 241, 232).rgb());

        QQuickItem* sendTab = item(QStringLiteral("tab_sendText"));
        QTest::mouseClick(m_window, Qt::LeftButton, {}, center(sendTab));
        QTRY_COMPARE(sendTab->property("selection").toReal(), 1.0);
        m_harness.postTextOverHttp(QString(), QStringLiteral("Bonjour"));
        QQuickItem* status = item(QStringLiteral("sendStatusBanner"));
        QTRY_COMPARE(status->opacity(), 1.0);
        QImage sendText = grab(QStringLiteral("window-send-text-tab.png"));
        checkSelectedTab(sendText, QStringLiteral("tab_sendText"), QStringLiteral("tab_remote"));
        QCOMPARE(sendText.pixelColor(8, 660).rgb(), QColor(246, 241, 232).rgb());
        // The success look: system green at opacity 0.1 over the paper.
        const QColor tint = sendText.pixelColor(status->mapToScene(QPointF(4, status->height() / 2)).toPoint());
        QVERIFY2(qAbs(tint.red() - 227) <= 2 && qAbs(tint.green() - 237) <= 2 && qAbs(tint.blue() - 218) <= 2,
            qPrintable(tint.name()));
    }

    // The Remote tab after a command, without the permission: the orange warning first, then the accent banner.
    void activeLookRendered()
    {
        QQuickItem* remoteTab = item(QStringLiteral("tab_remote"));
        QTest::mouseClick(m_window, Qt::LeftButton, {}, center(remoteTab));
        QTRY_COMPARE(remoteTab->property("selection").toReal(), 1.0);
        m_harness.setTrusted(false);
        m_harness.executeCommand(QStringLiteral("next"));
        QQuickItem* banner = item(QStringLiteral("commandBanner"));
        QTRY_COMPARE(banner->scale(), 1.0);
        QTRY_VERIFY(item(QStringLiteral("permissionWarning"))->isVisible());
        const QImage image = grab(QStringLiteral("window-remote-tab-active.png"));
        const QPoint insideBanner = banner->mapToScene(QPointF(6, banner->height() / 2)).toPoint();
        QCOMPARE(image.pixelColor(insideBanner).rgb(), QColor(185, 68, 53).rgb());
        // The wrapped first instruction keeps its natural height of two lines after the layout changed.
        QVERIFY(item(QStringLiteral("firstInstruction"))->height() < 40);
        m_harness.setTrusted(true);
    }

    // Every engine gets the one C++-owned service, and destroying an engine leaves it alive.
    void viewsShareTheOneService()
    {
        const QByteArray source
            = "import QtQml\nimport Quorvelantis.Remote\nQtObject { property QtObject service: RemoteService }";
        {
            QQmlEngine other;
            other.addImportPath(QStringLiteral("qrc:/"));
            QQmlComponent component(&other);
            component.setData(source, QUrl());
            std::unique_ptr<QObject> holder(component.create());
            QVERIFY2(holder, qPrintable(component.errorString()));
            QCOMPARE(holder->property("service").value<QObject*>(), m_harness.service());
        }
        QQmlComponent component(&m_engine);
        component.setData(source, QUrl());
        std::unique_ptr<QObject> holder(component.create());
        QCOMPARE(holder->property("service").value<QObject*>(), m_harness.service());
    }

    // Every symbol the views name is one glyph of the icon font, not its ligature spelled out in letters.
    void everySymbolIsAGlyph()
    {
        QQmlComponent component(&m_engine);
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
    // Searches the visual tree, where Repeater delegates live.
    static QQuickItem* findItem(QQuickItem* parent, const QString& name)
    {
        for (QQuickItem* child : parent->childItems()) {
            if (child->objectName() == name)
                return child;
            if (QQuickItem* found = findItem(child, name))
                return found;
        }
        return nullptr;
    }

    QQuickItem* item(const QString& name) const
    {
        QQuickItem* found = findItem(m_window->contentItem(), name);
        if (!found)
            qFatal("no item named %s", qPrintable(name));
        return found;
    }

    QPoint center(QQuickItem* target) const
    {
        return target->mapToScene(QPointF(target->width() / 2, target->height() / 2)).toPoint();
    }

    QImage grab(const QString& fileName) const
    {
        QImage image = m_window->grabWindow();
        image.save(QStringLiteral(SCREENSHOT_DIR "/") + fileName);
        return image;
    }

    // The selected tab has the accent underline along its bottom edge; the other shows paper there.
    void checkSelectedTab(const QImage& image, const QString& selected, const QString& other) const
    {
        const QColor accent = QColor(185, 68, 53);
        const QColor paper = QColor(246, 241, 232);
        for (const auto& [name, expected] : { std::pair { selected, accent }, std::pair { other, paper } }) {
            QQuickItem* tab = item(name);
            const QPoint bottom = tab->mapToScene(QPointF(tab->width() / 2, tab->height() - 1)).toPoint();
            QCOMPARE(image.pixelColor(bottom).rgb(), expected.rgb());
            const QPoint above = tab->mapToScene(QPointF(4, tab->height() - 4)).toPoint();
            QVERIFY(image.pixelColor(above).rgb() != accent.rgb());
        }
    }

    ViewHarness m_harness;
    QQmlApplicationEngine m_engine;
    QQuickWindow* m_window = nullptr;
};

QTEST_MAIN(TestWindowLook)
#include "test_window_look.moc"
