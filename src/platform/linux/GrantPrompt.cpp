#include "platform/linux/GrantPrompt.h"

GrantPrompt::GrantPrompt(QString program, QStringList arguments)
    : m_program(std::move(program))
    , m_arguments(std::move(arguments))
{
    // The dialog speaks to the user, not to us; its output would only fill a pipe nobody reads.
    m_process.setProcessChannelMode(QProcess::ForwardedChannels);
}

void GrantPrompt::open()
{
    if (m_process.state() != QProcess::NotRunning)
        return;
    m_process.start(m_program, m_arguments);
}
