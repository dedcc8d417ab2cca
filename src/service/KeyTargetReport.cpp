#include "KeyTargetReport.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

QString readableProgramName(const QString& program)
{
    // Reverse-domain app ids end with the program's own name.
    QString name = program.mid(program.lastIndexOf(u'.') + 1);
    name.replace(u'-', u' ').replace(u'_', u' ');
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (i == 0 || name.at(i - 1) == u' ')
            name[i] = name.at(i).toUpper();
    }
    return name;
}

}

QString rawValue(KeyTarget::State state)
{
    switch (state) {
    case KeyTarget::State::nothing:
        return QStringLiteral("nothing");
    case KeyTarget::State::ownWindow:
        return QStringLiteral("ownWindow");
    case KeyTarget::State::program:
        return QStringLiteral("program");
    case KeyTarget::State::unknown:
        break;
    }
    return QStringLiteral("unknown");
}

QString programName(const KeyTarget& target)
{
    return target.name.isEmpty() ? readableProgramName(target.program) : target.name;
}

QByteArray keyTargetJson(const KeyTarget& target)
{
    const QJsonObject answer { { QStringLiteral("state"), rawValue(target.state) },
        { QStringLiteral("program"), target.program }, { QStringLiteral("name"), programName(target) } };
    return QJsonDocument(answer).toJson(QJsonDocument::Compact);
}
