#include "language/translationcatalogue.h"

#include <QDir>

namespace {

// Two letters, then ".qm": the code sits five characters from the end.
QString iso639CodeOf(const QString &filePath)
{
    return filePath.mid(qMax(0, filePath.size() - 5), 2);
}

bool isQtBaseTranslation(const QString &fileName)
{
    return fileName.startsWith(QLatin1String("qt_"), Qt::CaseSensitive);
}

} // namespace

QList<TranslationEntry> translationCatalogue(const QString &folderPath)
{
    const QStringList fileNames =
        QDir(folderPath)
            .entryList({QStringLiteral("*.qm")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    QList<TranslationEntry> catalogue;
    for (const QString &fileName : fileNames) {
        if (isQtBaseTranslation(fileName))
            continue;
        TranslationEntry entry;
        entry.filePath = folderPath + QLatin1Char('/') + fileName;
        entry.iso639Code = iso639CodeOf(entry.filePath);
        entry.language = QLocale(entry.iso639Code).language();
        entry.displayName = QLocale::languageToString(entry.language);
        catalogue.append(entry);
    }
    return catalogue;
}
