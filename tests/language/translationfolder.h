#ifndef TRANSLATIONFOLDER_H
#define TRANSLATIONFOLDER_H

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A temporary folder "Translations" (inside a temporary root) that a test fills
// with compiled fixture catalogues, junk files and sub-folders. The fixtures
// app_de, app_fr, base_de and base_fr each translate one text of the context
// "Fixture": "language" to "Deutsch"/"Français", "base" to "qt_de"/"qt_fr".
class TranslationFolder
{
public:
    TranslationFolder();

    QString rootPath() const { return root.path(); }
    QString path() const;
    QString filePath(const QString &fileName) const;

    // Each returns the absolute path of what it created.
    QString addCatalogue(const QString &fixture, const QString &fileName);
    QString addCatalogueElsewhere(const QString &fixture, const QString &relativePath);
    QString addFile(const QString &fileName, const QByteArray &content = "not a catalogue");
    QString addFolder(const QString &name);

private:
    QTemporaryDir root;
};

#endif
