#pragma once

#include "platform/FocusedWindow.h"

#include <QHash>
#include <QStringList>
#include <memory>

// Another backend's focused window, its program named as the desktop's menus name it: the Name, in the desktop's
// language, of the application entry (freedesktop.org desktop entry) whose StartupWMClass is the window's class,
// else whose file is named after it ("org.gnome.Evince.desktop" for the X11 class "Evince"). A program without an entry
// keeps an empty name. Entries are read once per class: the focus moves far more often than programs are installed.
class DesktopNamedWindow : public FocusedWindow {
public:
    // applicationDirs: searched in order, the first entry of a name wins; locale: "fr_FR", "fr" or empty.
    DesktopNamedWindow(std::unique_ptr<FocusedWindow> backend, QStringList applicationDirs, QString locale);

    // $XDG_DATA_HOME/applications, then each of $XDG_DATA_DIRS's, with the defaults of the XDG base directories.
    static QStringList applicationDirsFromEnvironment();

    KeyTarget current() override;

private:
    QString nameOf(const QString& program);

    std::unique_ptr<FocusedWindow> m_backend;
    QStringList m_applicationDirs;
    // Name[...] keys to try, the most precise first, then the plain Name.
    QStringList m_nameKeys;
    QHash<QString, QString> m_names;
};
