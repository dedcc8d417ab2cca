#include "KeyTargetReport.h"

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

QString programName(const KeyTarget& target)
{
    return target.name.isEmpty() ? readableProgramName(target.program) : target.name;
}
