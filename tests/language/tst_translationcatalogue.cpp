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
};

void TestTranslationCatalogue::followsTheRule_data()
{
    QTest::addColumn<QStringList>("files");    // a name ending in / is a folder
    QTest::addColumn<QStringList>("expected"); // file name|code|display name

    QTest::newRow("only the exact lower-case qt_ prefix is left out")
        << QStringList{"qt_de.qm", "QT_fr.qm", "qtbase_de.qm"}
        << QStringList{"QT_fr.qm|fr|French", "qtbase_de.qm|de|German"};
    QTest::newRow("a country part is read by its last two letters")
        << QStringList{"app_pt_BR.qm"} << QStringList{"app_pt_BR.qm|BR|Breton"};
    QTest::newRow("suffix and name order without regard to case")
        << QStringList{"b_fr.Qm", "C_es.qm", "A_de.QM"}
        << QStringList{"A_de.QM|de|German", "b_fr.Qm|fr|French", "C_es.qm|es|Spanish"};
    QTest::newRow("folders and other files are ignored")
        << QStringList{"notes_de.txt", "a_de.qm.bak", "dir_de.qm/", "b_fr.qm"}
        << QStringList{"b_fr.qm|fr|French"};
}

void TestTranslationCatalogue::followsTheRule()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, expected);
    TranslationFolder folder;
    for (const QString &file : files) {
        if (file.endsWith('/'))
            QDir().mkdir(folder.filePath(file));
        else
            folder.addFile(file);
    }

    QStringList described;
    for (const TranslationEntry &entry : translationCatalogue(folder.path())) {
        QCOMPARE(entry.filePath.left(folder.path().size() + 1), folder.path() + '/');
        described << QStringList{entry.filePath.mid(folder.path().size() + 1), entry.iso639Code,
                                 entry.displayName}
                         .join('|');
    }
    QCOMPARE(described, expected);
}

QTEST_GUILESS_MAIN(TestTranslationCatalogue)
#include "tst_translationcatalogue.moc"
