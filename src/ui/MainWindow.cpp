#include "MainWindow.h"

#include "UiLogging.h"

#include <QQmlApplicationEngine>
#include <QQuickWindow>
#include <QUrl>

MainWindow::MainWindow() = default;

MainWindow::~MainWindow() = default;

bool MainWindow::show()
{
    if (!m_window) {
        m_engine = std::make_unique<QQmlApplicationEngine>();
        m_engine->addImportPath(QStringLiteral("qrc:/"));
        m_engine->load(QUrl(QStringLiteral("qrc:/Quorvelantis/Remote/Main.qml")));
        if (m_engine->rootObjects().isEmpty()) {
            qCWarning(lcUi, "The window could not be built");
            return false;
        }
        m_window = qobject_cast<QQuickWindow*>(m_engine->rootObjects().constFirst());
        // A new window maps itself on top, as any program's first window.
        return true;
    }
    m_window->show();
    m_window->raise();
    m_window->requestActivate();
    return true;
}
