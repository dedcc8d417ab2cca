#include "platform/linux/GrantPrompt.h"

GrantPrompt::GrantPrompt(QString program, QStringList arguments)
    : m_program(std::move(program))
    , m_arguments(std::move(arguments))
{
    // The dialog speaks to the user; what pkexec prints (a refusal, a cancel) is not ours to show or log.
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setStandardErrorFile(QProcess::nullDevice());
}

void GrantPrompt::open()
{
    if (m_process.state() != QProcess::NotRunning)
        return;
    m_process.start(m_program, m_arguments);
}
