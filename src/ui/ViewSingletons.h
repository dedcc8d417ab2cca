#pragma once

#include "service/MacRemoteService.h"

#include <QObject>
#include <QtQml/qqml.h>

class QJSEngine;
class QQmlEngine;
class TextClipboard;

// Hands the views the C++-owned objects they reach by name: the one service and the clipboard. Called once by
// main.cpp (or a test) before any engine loads a view; both must outlive every engine.
void provideViewSingletons(MacRemoteService& service, TextClipboard& clipboard);

// `RemoteService` in QML: always the provided instance, never one the engine builds.
struct RemoteServiceSingleton {
    Q_GADGET
    QML_FOREIGN(MacRemoteService)
    QML_NAMED_ELEMENT(RemoteService)
    QML_SINGLETON

public:
    static MacRemoteService* create(QQmlEngine* engine, QJSEngine* scriptEngine);
};

// `Clipboard` in QML: puts plain text on the provided clipboard.
class ClipboardSingleton : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(Clipboard)
    QML_SINGLETON

public:
    explicit ClipboardSingleton(TextClipboard& clipboard);
    static ClipboardSingleton* create(QQmlEngine* engine, QJSEngine* scriptEngine);

    Q_INVOKABLE void setText(const QString& text);

private:
    TextClipboard& m_clipboard;
};
