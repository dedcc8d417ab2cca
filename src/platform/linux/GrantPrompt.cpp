#include "platform/linux/GrantPrompt.h"

#include <QCoreApplication>
#include <QFileInfo>

QString GrantPrompt::helperPath()
{
    const QString binaryDir = QCoreApplication::applicationDirPath();
    const QString installed = binaryDir + QStringLiteral("/" QUORVELANTIS_HELPER_FROM_BINDIR "/grant-uinput-access");
    return QFileInfo::exists(installed) ? installed : binaryDir + QStringLiteral("/grant-uinput-access");
}

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
