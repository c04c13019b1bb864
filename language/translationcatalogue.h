#ifndef TRANSLATIONCATALOGUE_H
#define TRANSLATIONCATALOGUE_H

#include <QList>
#include <QLocale>
#include <QString>

// One selectable language: a translation file of the program.
struct TranslationEntry
{
    QString filePath;
    QString iso639Code;
    QLocale::Language language = QLocale::AnyLanguage;
    QString displayName;
};

// The program's own translation files in folderPath, in the folder's name
// order; Qt's base translations ("qt_" files) are left out. The language code
// is read from the two characters before ".qm", whatever the rest of the name.
QList<TranslationEntry> translationCatalogue(const QString &folderPath);

#endif
