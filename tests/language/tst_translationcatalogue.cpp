#include "language/translationcatalogue.h"
#include "tests/language/translationfolder.h"

#include <QDir>
#include <QTest>

// Which files of a folder become selectable languages, and how they are read.
class TestTranslationCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void followsTheRule_data();
    void followsTheRule();
    void missingFolderGivesEmptyCatalogue();
    void relativeFolderIsKeptAsGiven();
};

namespace {

// One entry as "file name|code|display name".
QStringList describe(const QList<TranslationEntry> &catalogue, const QString &folder)
{
    QStringList described;
    for (const TranslationEntry &entry : catalogue) {
        const QString fileName = entry.filePath.mid(folder.size() + 1);
        if (entry.filePath != folder + QLatin1Char('/') + fileName)
            return {QStringLiteral("unexpected path ") + entry.filePath};
        described << QStringList{fileName, entry.iso639Code, entry.displayName}.join('|');
    }
    return described;
}

} // namespace

void TestTranslationCatalogue::followsTheRule_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("Qt base translations are left out")
        << QStringList{"qt_de.qm", "qt_fr.qm"} << QStringList{} << QStringList{};
    QTest::newRow("only the exact lower-case qt_ prefix is left out")
        << QStringList{"QT_fr.qm", "Qt_es.qm", "qt_de.qm"} << QStringList{}
        << QStringList{"Qt_es.qm|es|Spanish", "QT_fr.qm|fr|French"};
    QTest::newRow("qtbase is listed as a language")
        << QStringList{"qtbase_de.qm"} << QStringList{} << QStringList{"qtbase_de.qm|de|German"};
    QTest::newRow("a country part is read by its last two letters")
        << QStringList{"app_pt_BR.qm"} << QStringList{} << QStringList{"app_pt_BR.qm|BR|Breton"};
    QTest::newRow("suffix matches without regard to case")
        << QStringList{"a_de.QM", "b_fr.Qm", "c_es.qm"} << QStringList{}
        << QStringList{"a_de.QM|de|German", "b_fr.Qm|fr|French", "c_es.qm|es|Spanish"};
    QTest::newRow("name order ignores case")
        << QStringList{"b_fr.qm", "C_es.qm", "A_de.qm"} << QStringList{}
        << QStringList{"A_de.qm|de|German", "b_fr.qm|fr|French", "C_es.qm|es|Spanish"};
    QTest::newRow("the same code twice gives two entries")
        << QStringList{"z_de.qm", "a_de.qm"} << QStringList{}
        << QStringList{"a_de.qm|de|German", "z_de.qm|de|German"};
    QTest::newRow("unknown codes and short names still become entries")
        << QStringList{"app_xx.qm", "x.qm", "de.qm"} << QStringList{}
        << QStringList{"app_xx.qm|xx|C", "de.qm|de|German", "x.qm|/x|C"};
    QTest::newRow("folders and other files are ignored")
        << QStringList{"notes_de.txt", "a_de.qm.bak", "b_fr.qm"} << QStringList{"dir_de.qm"}
        << QStringList{"b_fr.qm|fr|French"};
}

void TestTranslationCatalogue::followsTheRule()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, folders);
    QFETCH(QStringList, expected);
    TranslationFolder folder;
    for (const QString &file : files)
        folder.addFile(file);
    for (const QString &name : folders)
        folder.addFolder(name);

    QCOMPARE(describe(translationCatalogue(folder.path()), folder.path()), expected);
}

void TestTranslationCatalogue::missingFolderGivesEmptyCatalogue()
{
    TranslationFolder folder;
    QVERIFY(translationCatalogue(folder.rootPath() + QStringLiteral("/missing")).isEmpty());
}

void TestTranslationCatalogue::relativeFolderIsKeptAsGiven()
{
    TranslationFolder folder;
    folder.addFile(QStringLiteral("a_de.qm"));
    const QString workingDirectory = QDir::currentPath();
    QVERIFY(QDir::setCurrent(folder.rootPath()));
    const QList<TranslationEntry> catalogue = translationCatalogue(QStringLiteral("Translations"));
    QDir::setCurrent(workingDirectory);

    QCOMPARE(catalogue.size(), 1);
    QCOMPARE(catalogue.first().filePath, QStringLiteral("Translations/a_de.qm"));
    QCOMPARE(catalogue.first().language, QLocale::German);
}

QTEST_GUILESS_MAIN(TestTranslationCatalogue)
#include "tst_translationcatalogue.moc"
