#pragma once

#include <QLibrary>
#include <QObject>
#include <memory>

class MacRemoteService;
class AppWindow;

// The window, built at its first show from the views' library, which only then is loaded: an app started with the
// session serves from the tray without mapping Qt Quick or QML.
class WindowLoader : public QObject {
    Q_OBJECT

public:
    // The service must outlive the loader.
    explicit WindowLoader(MacRemoteService& service);
    ~WindowLoader() override;

    // Builds the window if needed, shows it and brings it to the front; false when it could not be built.
    bool show();

private:
    MacRemoteService& m_service;
    QLibrary m_library;
    std::unique_ptr<AppWindow> m_window;
};
