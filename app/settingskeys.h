#ifndef SETTINGSKEYS_H
#define SETTINGSKEYS_H

#include <QString>

// Every key of the per-user settings store, created once for the whole program.
namespace SettingsKeys {
extern const QString mainWindowGeometry;
extern const QString mainWindowState;
extern const QString devicePortName;
extern const QString devicePortIdentity;
extern const QString deviceReadTimeout;
extern const QString deviceLastSavedFilePath;
extern const QString convertData;
extern const QString languageGroup;
extern const QString languageFilePath;
extern const QString languageIso639Code;
} // namespace SettingsKeys

// Name of the folder of translation files; not a key, but kept with them.
extern const QString translationsFolderName;

#endif
