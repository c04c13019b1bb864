#include "app/settingskeys.h"
#include "language/dialoglanguage.h"
#include "tests/language/translationfolder.h"
#include "tests/support/modaldialogs.h"
#include "tests/support/temporarysettings.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QPushButton>
#include <QSettings>
#include <QTest>

// The language dialog on a German system: what it lists, which entry it
// preselects, and what OK and the ways of cancelling store.
class TestDialogLanguage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void listsAndPreselects_data();
    void listsAndPreselects();
    void okStoresTheSelectedEntry();
    void okOnAnEmptyListStoresEmptyStrings();
    void cancellingStoresNothing_data();
    void cancellingStoresNothing();

private:
    TemporarySettings settings;
    QString workingDirectory;
};

namespace {

QComboBox *languageCombo(const DialogLanguage &dialog)
{
    return dialog.findChild<QComboBox *>(QStringLiteral("languageCombo"));
}

QStringList listedLanguages(const DialogLanguage &dialog)
{
    QStringList languages;
    for (int i = 0; i < languageCombo(dialog)->count(); ++i)
        languages << languageCombo(dialog)->itemText(i);
    return languages;
}

QString stored(const QString &key)
{
    return QSettings().value(key).toString();
}

void storeLanguage(const QString &filePath, const QString &code)
{
    QSettings settings;
    settings.setValue(SettingsKeys::languageFilePath, filePath);
    settings.setValue(SettingsKeys::languageIso639Code, code);
}

} // namespace

void TestDialogLanguage::initTestCase()
{
    workingDirectory = QDir::currentPath();
    QCOMPARE(QLocale::system().language(), QLocale::German);
}

void TestDialogLanguage::init()
{
    settings.clear();
}

void TestDialogLanguage::cleanup()
{
    QDir::setCurrent(workingDirectory);
}

void TestDialogLanguage::listsAndPreselects_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<bool>("openedRelative");
    QTest::addColumn<QString>("storedPath"); // %1 stands for the absolute folder
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QString>("current");

    QTest::newRow("first start: the last entry of the system language")
        << QStringList{"a_de.qm", "z_de.qm", "b_fr.qm"} << false << QString()
        << QStringList{"German", "French", "German"} << "z_de.qm";
    QTest::newRow("first start without the system language: the first entry")
        << QStringList{"c_es.qm", "b_fr.qm"} << false << QString()
        << QStringList{"French", "Spanish"} << "b_fr.qm";
    QTest::newRow("the Qt base translation is not listed")
        << QStringList{"b_fr.qm", "a_de.qm", "qt_de.qm"} << false << QString()
        << QStringList{"German", "French"} << "a_de.qm";
    QTest::newRow("a stored path wins over the system language")
        << QStringList{"a_de.qm", "b_fr.qm"} << false << "%1/b_fr.qm"
        << QStringList{"German", "French"} << "b_fr.qm";
    QTest::newRow("a deleted stored file gives the first entry, not the system language")
        << QStringList{"b_es.qm", "c_de.qm"} << false << "%1/gone_de.qm"
        << QStringList{"Spanish", "German"} << "b_es.qm";
    QTest::newRow("a relative stored path never matches the absolute folder")
        << QStringList{"a_fr.qm", "b_de.qm"} << false << "Translations/b_de.qm"
        << QStringList{"French", "German"} << "a_fr.qm";
    QTest::newRow("an absolute stored path never matches the relative folder")
        << QStringList{"a_fr.qm", "b_de.qm"} << true << "%1/b_de.qm"
        << QStringList{"French", "German"} << "a_fr.qm";
    QTest::newRow("a relative stored path matches the relative folder")
        << QStringList{"a_fr.qm", "b_de.qm", "c_es.qm"} << true << "Translations/b_de.qm"
        << QStringList{"French", "German", "Spanish"} << "b_de.qm";
}

void TestDialogLanguage::listsAndPreselects()
{
    QFETCH(QStringList, files);
    QFETCH(bool, openedRelative);
    QFETCH(QString, storedPath);
    QFETCH(QStringList, listed);
    QFETCH(QString, current);
    TranslationFolder folder;
    for (const QString &file : files)
        folder.addFile(file);
    if (!storedPath.isEmpty())
        storeLanguage(QString(storedPath).replace(QLatin1String("%1"), folder.path()),
                      QStringLiteral("xx"));
    QString folderGiven = folder.path();
    if (openedRelative) {
        QVERIFY(QDir::setCurrent(folder.rootPath()));
        folderGiven = QStringLiteral("Translations");
    }

    DialogLanguage dialog(folderGiven);

    QCOMPARE(listedLanguages(dialog), listed);
    QCOMPARE(dialog.languageCount(), listed.size());
    QCOMPARE(dialog.selectedFilePath(), folderGiven + QLatin1Char('/') + current);
    QCOMPARE(dialog.selectedIso639Code(), current.mid(current.size() - 5, 2));
}

void TestDialogLanguage::okStoresTheSelectedEntry()
{
    TranslationFolder folder;
    folder.addFile(QStringLiteral("a_de.qm"));
    folder.addFile(QStringLiteral("b_fr.qm"));
    folder.addFile(QStringLiteral("c_es.qm"));
    DialogLanguage dialog(folder.path());
    whenModalAppears([&dialog, &folder](QWidget *modal) {
        QCOMPARE(modal, &dialog);
        languageCombo(dialog)->setCurrentIndex(1);
        dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        // Stored before exec() returns, so the caller finds the choice.
        QCOMPARE(stored(SettingsKeys::languageFilePath), folder.filePath("b_fr.qm"));
    });

    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QVERIFY(allModalAnswersGiven());
    QCOMPARE(stored(SettingsKeys::languageFilePath), folder.filePath("b_fr.qm"));
    QCOMPARE(stored(SettingsKeys::languageIso639Code), QStringLiteral("fr"));
}

void TestDialogLanguage::okOnAnEmptyListStoresEmptyStrings()
{
    storeLanguage(QStringLiteral("old/app_de.qm"), QStringLiteral("de"));
    TranslationFolder folder;
    DialogLanguage dialog(folder.path());
    acceptNextDialog();

    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QVERIFY(allModalAnswersGiven());
    QVERIFY(QSettings().contains(SettingsKeys::languageFilePath));
    QCOMPARE(stored(SettingsKeys::languageFilePath), QString());
    QCOMPARE(stored(SettingsKeys::languageIso639Code), QString());
}

void TestDialogLanguage::cancellingStoresNothing_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Cancel button") << "cancel";
    QTest::newRow("Escape key") << "escape";
    QTest::newRow("window closed") << "close";
}

void TestDialogLanguage::cancellingStoresNothing()
{
    QFETCH(QString, how);
    storeLanguage(QStringLiteral("old/app_es.qm"), QStringLiteral("es"));
    TranslationFolder folder;
    folder.addFile(QStringLiteral("a_de.qm"));
    folder.addFile(QStringLiteral("b_fr.qm"));
    DialogLanguage dialog(folder.path());
    whenModalAppears([&dialog, how](QWidget *) {
        languageCombo(dialog)->setCurrentIndex(1);
        if (how == QLatin1String("cancel"))
            dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->click();
        else if (how == QLatin1String("escape"))
            QTest::keyClick(&dialog, Qt::Key_Escape);
        else
            dialog.close();
    });

    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QVERIFY(allModalAnswersGiven());
    QCOMPARE(stored(SettingsKeys::languageFilePath), QStringLiteral("old/app_es.qm"));
    QCOMPARE(stored(SettingsKeys::languageIso639Code), QStringLiteral("es"));
}

int main(int argc, char *argv[])
{
    // The system language that a first start falls back to.
    qputenv("LC_ALL", "de_DE.UTF-8");
    QApplication application(argc, argv);
    TestDialogLanguage test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_dialoglanguage.moc"
