#include <QGuiApplication>
#include <QQmlApplicationEngine>

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    QGuiApplication::setOrganizationName(QStringLiteral("Quorvelantis"));
    QGuiApplication::setApplicationName(QStringLiteral("QuorvelantisRemote"));

    QQmlApplicationEngine engine;
    engine.loadData(R"(import QtQuick
Window { width: 620; minimumWidth: 620; maximumWidth: 620; height: 680; minimumHeight: 680
         color: "#F6F1E8"; title: "Quorvelantis Remote"; visible: true })");
    if (engine.rootObjects().isEmpty())
        return 1;
    return app.exec();
}
