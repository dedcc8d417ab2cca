#pragma once

#include "service/MacRemoteService.h"

#include <QObject>
#include <QtQml/qqml.h>

class QJSEngine;
class QQmlEngine;

// Hands the views the one service, which they reach by name. Called once by main.cpp (or a test) before any engine
// loads a view; the service must outlive every engine.
void provideViewSingletons(MacRemoteService& service);

// `RemoteService` in QML: always the provided instance, never one the engine builds.
struct RemoteServiceSingleton {
    Q_GADGET
    QML_FOREIGN(MacRemoteService)
    QML_NAMED_ELEMENT(RemoteService)
    QML_SINGLETON

public:
    static MacRemoteService* create(QQmlEngine* engine, QJSEngine* scriptEngine);
};
