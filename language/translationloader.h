#ifndef TRANSLATIONLOADER_H
#define TRANSLATIONLOADER_H

#include <QString>

class QObject;
class QTranslator;

// The folder of translation files beside the program, wherever it was started from.
QString translationsFolder();

// Loads (without installing) the stored translation into translator, asking
// the user with the language dialog when none can be loaded; on success makes
// the chosen language the default locale.
bool loadApplicationTranslation(QTranslator *translator, const QString &folder);

// Installs the chosen translation and Qt's base translation, made children of
// owner; true when the program's own translation was loaded and installed.
bool loadTranslations(QObject *owner, const QString &folder);

#endif
