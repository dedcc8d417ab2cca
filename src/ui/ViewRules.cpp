#include "ViewRules.h"

#include "PortText.h"
#include "WordCount.h"

int ViewRules::parsePort(const QString& text) const
{
    const auto port = parsePortText(text);
    return port ? int(*port) : -1;
}

qint64 ViewRules::wordCount(const QString& text) const { return countWords(text); }

qint64 ViewRules::sectionCount(const QString& text) const { return countSections(text); }

bool ViewRules::isSendable(const QString& text) const { return !text.trimmed().isEmpty(); }
