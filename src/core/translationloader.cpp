#include "translationloader.h"

#include "settingsstore.h"

#include <QCoreApplication>
#include <QTranslator>

QTranslator *TranslationLoader::runtimeTranslator = nullptr;

QString TranslationLoader::resourceFor(int language)
{
    switch (language) {
    case 0:
        return QStringLiteral(":/trans/English.qm");
    case 1:
        return QStringLiteral(":/trans/Japanese.qm");
    case 2:
        return QStringLiteral(":/trans/Deutsch.qm");
    case 3:
        return QStringLiteral(":/trans/Russian.qm");
    default:
        return QString();
    }
}

void TranslationLoader::loadLanguage()
{
    if (runtimeTranslator) {
        QCoreApplication::removeTranslator(runtimeTranslator);
        delete runtimeTranslator;
        runtimeTranslator = nullptr;
    }
    const QString resource = resourceFor(SettingsStore().readInt(QStringLiteral("language")));
    runtimeTranslator = new QTranslator;
    // A translator that failed to load stays stored and is dropped by the next call.
    if (!resource.isEmpty() && runtimeTranslator->load(resource))
        QCoreApplication::installTranslator(runtimeTranslator);
}
