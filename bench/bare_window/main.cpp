// The footprint reference: an empty Qt Quick window of the app's size, on the same scene-graph backend.

#include "ui/SceneGraphBackend.h"

#include <QGuiApplication>
#include <QQmlApplicationEngine>

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    chooseSceneGraphBackend();
    QQmlApplicationEngine engine;
    engine.loadData(R"(import QtQuick
Window { width: 620; height: 680; color: "#F6F1E8"; title: "Bare Quick window"; visible: true })");
    if (engine.rootObjects().isEmpty())
        return 1;
    return app.exec();
}
