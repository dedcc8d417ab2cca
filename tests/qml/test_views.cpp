// Qt Quick Test runner for the views: every tst_*.qml here runs against the real service on fake platform seams.

#include "ViewHarness.h"

#include <QQmlContext>
#include <QQmlEngine>
#include <QtQuickTest>

class ViewTestSetup : public QObject {
    Q_OBJECT

public slots:
    void qmlEngineAvailable(QQmlEngine* engine)
    {
        if (!m_harness)
            m_harness = std::make_unique<ViewHarness>();
        engine->addImportPath(QStringLiteral("qrc:/"));
        engine->rootContext()->setContextProperty(QStringLiteral("harness"), m_harness.get());
    }

private:
    std::unique_ptr<ViewHarness> m_harness;
};

QUICK_TEST_MAIN_WITH_SETUP(views, ViewTestSetup)

#include "test_views.moc"
