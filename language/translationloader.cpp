#include "language/translationloader.h"

#include "app/settingskeys.h"
#include "language/dialoglanguage.h"

#include <QCoreApplication>
#include <QLocale>
#include <QSettings>
#include <QTranslator>

namespace {

QString storedSetting(const QString &key)
{
    return QSettings().value(key).toString();
}

bool loadChosenInDialog(QTranslator *translator, const QString &folder)
{
    DialogLanguage dialog(folder);
    if (dialog.languageCount() == 0)
        return false;
    if (dialog.exec() == QDialog::Rejected)
        return false;
    // The dialog has stored the choice already, so a broken file is offered again next time.
    return translator->load(dialog.selectedFilePath());
}

} // namespace

QString translationsFolder()
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + translationsFolderName;
}

// A failure falls back to the system's locale, also after a pass that loaded a language.
bool loadApplicationTranslation(QTranslator *translator, const QString &folder)
{
    const bool loaded = translator->load(storedSetting(SettingsKeys::languageFilePath)) ||
                        loadChosenInDialog(translator, folder);
    QLocale::setDefault(loaded ? QLocale(storedSetting(SettingsKeys::languageIso639Code))
                               : QLocale::system());
    return loaded;
}

bool loadTranslations(QObject *owner, const QString &folder)
{
    auto *applicationTranslator = new QTranslator(owner);
    const bool loaded = loadApplicationTranslation(applicationTranslator, folder);
    if (loaded)
        QCoreApplication::installTranslator(applicationTranslator);

    // After a failure the default locale is the system's, so its base translation is tried.
    const QString baseFile = QStringLiteral("%1/qt_%2.qm").arg(folder, QLocale().name().left(2));
    auto *baseTranslator = new QTranslator(owner);
    if (baseTranslator->load(baseFile))
        QCoreApplication::installTranslator(baseTranslator);
    return loaded;
}
