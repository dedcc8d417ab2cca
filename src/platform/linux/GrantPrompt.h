#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// Starts the system's authentication dialog that grants this user the right to post keys, without waiting for it.
// The dialog can stay open for minutes; while it is open, asking again opens nothing, so repeated slide commands
// never stack dialogs.
class GrantPrompt {
public:
    // pkexec on the helper that opens /dev/uinput to the active user.
    static inline const QString pkexecPath = QStringLiteral("/usr/bin/pkexec");
    // The helper installed with the app, or the copy beside a binary run from its build tree.
    static QString helperPath();

    GrantPrompt(QString program, QStringList arguments);

    // A program that cannot be started is dropped silently: the permission is observed through later checks only.
    void open();

private:
    QString m_program;
    QStringList m_arguments;
    QProcess m_process;
};
