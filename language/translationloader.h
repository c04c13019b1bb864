#ifndef TRANSLATIONLOADER_H
#define TRANSLATIONLOADER_H

#include <QString>

class QObject;

// Installs the chosen translation and Qt's base translation, made children of
// owner; true when the program's own translation was loaded and installed.
bool loadTranslations(QObject *owner, const QString &folder);

#endif
