#include "MainWindow.h"

#include <QQmlApplicationEngine>
#include <QUrl>

bool loadMainWindow(QQmlApplicationEngine& engine)
{
    engine.addImportPath(QStringLiteral("qrc:/"));
    engine.load(QUrl(QStringLiteral("qrc:/Quorvelantis/Remote/Main.qml")));
    return !engine.rootObjects().isEmpty();
}
