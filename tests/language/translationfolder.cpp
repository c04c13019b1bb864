#include "tests/language/translationfolder.h"

#include "app/settingskeys.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

TranslationFolder::TranslationFolder()
{
    QDir(root.path()).mkdir(QStringLiteral("Translations"));
}

QString TranslationFolder::addCatalogue(const QString &fixture, const QString &fileName)
{
    const QString target = filePath(fileName);
    QDir().mkpath(QFileInfo(target).path());
    if (!QFile::copy(QStringLiteral(LDL_FIXTURE_DIR "/%1.qm").arg(fixture), target))
        qFatal("cannot copy the fixture %s to %s", qPrintable(fixture), qPrintable(target));
    return target;
}

QString TranslationFolder::addFile(const QString &fileName, const QByteArray &content)
{
    QFile file(filePath(fileName));
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(file.fileName()));
    return file.fileName();
}

void storeLanguage(const QString &filePath, const QString &iso639Code)
{
    QSettings settings;
    settings.setValue(SettingsKeys::languageFilePath, filePath);
    settings.setValue(SettingsKeys::languageIso639Code, iso639Code);
}

QString storedSetting(const QString &key)
{
    return QSettings().value(key).toString();
}
