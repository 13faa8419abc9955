#pragma once

#include <QString>

class QTranslator;

// Run-time language switch shared by the main window and the dialogs. Instances are
// interchangeable: they share one process-wide translator, which only loadLanguage replaces.
class TranslationLoader
{
public:
    void loadLanguage();

    // Resource of a "language" value: ":/trans/English.qm" ... ; empty outside 0..3.
    static QString resourceFor(int language);

private:
    static QTranslator *runtimeTranslator;
};
