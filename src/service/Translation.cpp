#include "Translation.h"

#include "ServiceLogging.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

bool installTranslation(QCoreApplication& app, const QStringList& preferredLanguages)
{
    // Only the first choice counts: a French user who lists English as a fallback keeps the French source.
    if (preferredLanguages.isEmpty() || !preferredLanguages.constFirst().startsWith(QLatin1String("en")))
        return false;
    auto* translator = new QTranslator(&app);
    if (translator->load(QStringLiteral(":/i18n/quorvelantis_en.qm"))
        && QCoreApplication::installTranslator(translator))
        return true;
    qCWarning(lcService, "Cannot install the English translation");
    delete translator;
    return false;
}

bool installTranslation(QCoreApplication& app) { return installTranslation(app, QLocale::system().uiLanguages()); }
