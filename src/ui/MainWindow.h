#pragma once

#include "AppWindow.h"

#include <QObject>
#include <memory>

class QQmlApplicationEngine;
class QQuickWindow;

// The one window, built when first shown: an app started with the session serves without it. The view singletons
// must be provided before.
class MainWindow : public QObject, public AppWindow {
    Q_OBJECT

public:
    MainWindow();
    ~MainWindow() override;

    bool show() override;
    // Null until first shown.
    QQuickWindow* window() const { return m_window; }

private:
    std::unique_ptr<QQmlApplicationEngine> m_engine;
    QQuickWindow* m_window = nullptr;
};
