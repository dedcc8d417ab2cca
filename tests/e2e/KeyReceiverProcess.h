#pragma once

#include <QProcess>
#include <QString>
#include <QTest>

// Runs tests/e2e/key_receiver (its path in KEY_RECEIVER_PATH) and reads its lines: see key_receiver.cpp for the format.
class KeyReceiverProcess {
public:
    ~KeyReceiverProcess()
    {
        m_process.kill();
        m_process.waitForFinished();
    }

    // Starts the window and waits until it holds the keyboard focus. Start it after every other window the test
    // maps, since a window mapped later may take the focus.
    bool startAndWaitUntilReady(int timeoutMs = 15000)
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(KEY_RECEIVER_PATH), {});
        return m_process.waitForStarted(timeoutMs) && nextLine(timeoutMs) == QStringLiteral("ready");
    }

    // The next line the receiver printed, without its newline; empty when none came in time.
    QString nextLine(int timeoutMs = 5000)
    {
        // Runs the event loop while it waits: keys posted on this thread are sent from it.
        if (!QTest::qWaitFor([this] { return m_process.canReadLine(); }, timeoutMs))
            return {};
        return QString::fromUtf8(m_process.readLine()).trimmed();
    }

private:
    QProcess m_process;
};
