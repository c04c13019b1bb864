#include "tests/language/translationfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString fixturePath(const QString &fixture)
{
    return QStringLiteral(LDL_FIXTURE_DIR "/%1.qm").arg(fixture);
}

bool copyFixture(const QString &fixture, const QString &target)
{
    QDir().mkpath(QFileInfo(target).path());
    return QFile::copy(fixturePath(fixture), target);
}

} // namespace

TranslationFolder::TranslationFolder()
{
    QDir(root.path()).mkdir(QStringLiteral("Translations"));
}

QString TranslationFolder::path() const
{
    return root.path() + QStringLiteral("/Translations");
}

QString TranslationFolder::filePath(const QString &fileName) const
{
    return path() + QLatin1Char('/') + fileName;
}

QString TranslationFolder::addCatalogue(const QString &fixture, const QString &fileName)
{
    const QString target = filePath(fileName);
    if (!copyFixture(fixture, target))
        qFatal("cannot copy the fixture %s to %s", qPrintable(fixture), qPrintable(target));
    return target;
}

QString TranslationFolder::addCatalogueElsewhere(const QString &fixture,
                                                 const QString &relativePath)
{
    const QString target = root.path() + QLatin1Char('/') + relativePath;
    if (!copyFixture(fixture, target))
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

QString TranslationFolder::addFolder(const QString &name)
{
    QDir(path()).mkdir(name);
    return filePath(name);
}
