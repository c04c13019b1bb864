#include "app/settingskeys.h"

#include "programinfo.h"

namespace SettingsKeys {
const QString mainWindowGeometry = QStringLiteral("MainWindow/Geometry");
const QString mainWindowState = QStringLiteral("MainWindow/State");
const QString devicePortName = QStringLiteral("Device/PortName");
// The USB identity of the port the tester last sent data on, to find it under another name.
const QString devicePortIdentity = QStringLiteral("Device/PortIdentity");
const QString deviceReadTimeout = QStringLiteral("Device/ReadTimeout");
const QString deviceLastSavedFilePath = QStringLiteral("Device/LastSavedFilePath");
const QString convertData = QStringLiteral("ConvertData");
const QString languageGroup = QStringLiteral("OwGui/DialogLanguage");
const QString languageFilePath = QStringLiteral("%1/FilePath").arg(languageGroup);
const QString languageIso639Code = QStringLiteral("%1/Iso639Code").arg(languageGroup);
} // namespace SettingsKeys

const QString translationsFolderName = QStringLiteral(LDL_TRANSLATIONS_FOLDER);
