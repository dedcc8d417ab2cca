#include "platform/linux/UinputKeyboard.h"

#include "platform/linux/EvdevKeyCode.h"
#include "platform/linux/KeysLogging.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <unistd.h>

QString UinputKeyboard::grantHelperPath()
{
    const QString binaryDir = QCoreApplication::applicationDirPath();
    const QString installed = binaryDir + QStringLiteral("/" QUORVELANTIS_HELPER_FROM_BINDIR "/grant-uinput-access");
    return QFileInfo::exists(installed) ? installed : binaryDir + QStringLiteral("/grant-uinput-access");
}

UinputKeyboard::UinputKeyboard(std::unique_ptr<KeyDeviceWriter> writer, std::chrono::milliseconds settleTime,
    QString devicePath, const QString& grantProgram, const QStringList& grantArguments)
    : m_writer(std::move(writer))
    , m_settleTime(settleTime)
    , m_devicePath(std::move(devicePath))
    , m_grantProgram(grantProgram)
    , m_grantArguments(grantArguments)
    , m_presses([this](Key key) { write(key); })
{
    // The dialog speaks to the user; what pkexec prints (a refusal, a cancel) is not ours to show or log.
    m_grantDialog.setStandardOutputFile(QProcess::nullDevice());
    m_grantDialog.setStandardErrorFile(QProcess::nullDevice());
    connect(&m_grantDialog, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            qCWarning(lcKeys).noquote() << "Cannot start" << m_grantProgram << ":" << m_grantDialog.errorString();
    });
    // The helper has granted the device, or not, by the time the dialog closes.
    connect(&m_grantDialog, &QProcess::finished, this, &RemoteInput::accessChanged);
}

bool UinputKeyboard::hasAccess()
{
    return ::access(QFile::encodeName(m_devicePath).constData(), R_OK | W_OK) == 0 && prepareDevice();
}

void UinputKeyboard::requestAccess()
{
    if (m_grantDialog.state() == QProcess::NotRunning)
        m_grantDialog.start(m_grantProgram, m_grantArguments);
}

bool UinputKeyboard::prepareDevice()
{
    if (!m_deviceCreated && m_writer->create()) {
        m_deviceCreated = true;
        m_presses.releaseAfter(m_settleTime);
    }
    return m_deviceCreated;
}

bool UinputKeyboard::pressKey(Key key)
{
    if (!prepareDevice())
        return false;
    m_presses.press(key);
    return true;
}

void UinputKeyboard::write(Key key)
{
    m_writer->writeKey(evdevKeyCodeFor(key), true);
    m_writer->writeKey(evdevKeyCodeFor(key), false);
}
