#pragma once

#include <QObject>
#include <QSocketNotifier>

// SIGTERM (logout, shutdown, `kill`) and SIGINT (Ctrl+C in a terminal) quit through the event loop like "Quitter", so
// the servers close as on any other quit instead of dying mid-answer. One per process.
class TerminationSignals : public QObject {
    Q_OBJECT

public:
    TerminationSignals();
    ~TerminationSignals() override;

private:
    static void onSignal(int signal);

    // A signal handler may only write to a descriptor; the notifier reads it on the main thread.
    static inline int s_pipe[2] = { -1, -1 };
    QSocketNotifier* m_notifier = nullptr;
};
