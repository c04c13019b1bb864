#include "app/settingskeys.h"
#include "language/dialoglanguage.h"
#include "tests/language/translationfolder.h"
#include "tests/support/modaldialogs.h"
#include "tests/support/temporarysettings.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QPushButton>
#include <QTest>

// The language dialog on a German system: OK stores the preselected entry, the
// ways of cancelling store nothing.
class TestDialogLanguage : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void answerStores_data();
    void answerStores();

private:
    TemporarySettings settings;
    const QString workingDirectory = QDir::currentPath();
};

void TestDialogLanguage::init()
{
    settings.clear();
    QCOMPARE(QLocale::system().language(), QLocale::German);
}

void TestDialogLanguage::cleanup()
{
    QDir::setCurrent(workingDirectory);
}

void TestDialogLanguage::answerStores_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("stored"); // stored with the code "xx"
    QTest::addColumn<bool>("openedRelative");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("storedAfter"); // path|code

    // %1 stands for the folder as the dialog gets it.
    const QStringList deFr{"a_de.qm", "b_fr.qm"};
    const QString ok = QStringLiteral("ok");
    const int accepted = QDialog::Accepted;
    const int rejected = QDialog::Rejected;
    QTest::newRow("first start: the last entry of the system language")
        << QStringList{"a_de.qm", "z_de.qm", "b_fr.qm"} << QString() << false << ok << accepted
        << "%1/z_de.qm|de";
    QTest::newRow("first start without the system language: the first entry")
        << QStringList{"c_es.qm", "b_fr.qm"} << QString() << false << ok << accepted
        << "%1/b_fr.qm|fr";
    QTest::newRow("a stored path wins over the system language")
        << deFr << "%1/b_fr.qm" << false << ok << accepted << "%1/b_fr.qm|fr";
    QTest::newRow("a deleted stored file gives the first entry, not the system language")
        << QStringList{"b_es.qm", "c_de.qm"} << "%1/gone_de.qm" << false << ok << accepted
        << "%1/b_es.qm|es";
    QTest::newRow("a relative stored path matches the relative folder")
        << QStringList{"a_fr.qm", "b_de.qm", "c_es.qm"} << "%1/b_de.qm" << true << ok << accepted
        << "%1/b_de.qm|de";
    QTest::newRow("an empty list offers no OK and keeps the stored choice")
        << QStringList() << "%1/b_fr.qm" << false << ok << rejected << "%1/b_fr.qm|xx";
    QTest::newRow("Cancel stores nothing")
        << deFr << "%1/b_fr.qm" << false << QStringLiteral("cancel") << rejected << "%1/b_fr.qm|xx";
    QTest::newRow("closing stores nothing")
        << deFr << "%1/b_fr.qm" << false << QStringLiteral("close") << rejected << "%1/b_fr.qm|xx";
}

void TestDialogLanguage::answerStores()
{
    QFETCH(QStringList, files);
    QFETCH(QString, stored);
    QFETCH(bool, openedRelative);
    QFETCH(QString, answer);
    QFETCH(int, result);
    QFETCH(QString, storedAfter);
    TranslationFolder folder;
    for (const QString &file : files)
        folder.addFile(file);
    QString folderGiven = folder.path();
    if (openedRelative) {
        QVERIFY(QDir::setCurrent(folder.rootPath()));
        folderGiven = QStringLiteral("Translations");
    }
    if (!stored.isEmpty())
        storeLanguage(stored.arg(folderGiven), QStringLiteral("xx"));
    DialogLanguage dialog(folderGiven);
    bool okEnabled = false;
    whenModalAppears([&dialog, &okEnabled, answer](QWidget *) {
        auto *buttons = dialog.findChild<QDialogButtonBox *>();
        okEnabled = buttons->button(QDialogButtonBox::Ok)->isEnabled();
        // Accepted in code when OK is disabled: the dialog itself must refuse an empty choice.
        if (answer == QLatin1String("ok") && okEnabled)
            buttons->button(QDialogButtonBox::Ok)->click();
        else if (answer == QLatin1String("ok"))
            dialog.accept();
        else if (answer == QLatin1String("cancel"))
            buttons->button(QDialogButtonBox::Cancel)->click();
        else
            dialog.close();
    });

    QCOMPARE(dialog.exec(), result);
    QVERIFY(allModalAnswersGiven());
    QCOMPARE(okEnabled, !files.isEmpty());
    QCOMPARE(storedSetting(SettingsKeys::languageFilePath) + '|' +
                 storedSetting(SettingsKeys::languageIso639Code),
             storedAfter.replace(QLatin1String("%1"), folderGiven));
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
