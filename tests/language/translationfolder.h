#ifndef TRANSLATIONFOLDER_H
#define TRANSLATIONFOLDER_H

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A temporary folder "Translations" (inside a temporary root) that a test fills with
// compiled fixture catalogues and junk files. The fixtures app_de, app_fr, base_de and
// base_fr each translate one text of the context "Fixture": "language" to
// "Deutsch"/"Français", "base" to "qt_de"/"qt_fr".
class TranslationFolder
{
public:
    TranslationFolder();

    QString rootPath() const { return root.path(); }
    QString path() const { return root.path() + QStringLiteral("/Translations"); }
    QString filePath(const QString &fileName) const { return path() + '/' + fileName; }

    // Each returns the absolute path of what it created; a file name may lead out of
    // the folder ("../other/app_de.qm").
    QString addCatalogue(const QString &fixture, const QString &fileName);
    QString addFile(const QString &fileName, const QByteArray &content = "not a catalogue");

private:
    QTemporaryDir root;
};

// The language choice in the settings store, as the language dialog keeps it.
void storeLanguage(const QString &filePath, const QString &iso639Code);
QString storedSetting(const QString &key);

#endif
