#include "app/settingskeys.h"
#include "language/dialoglanguage.h"
#include "language/translationloader.h"
#include "tests/language/translationfolder.h"
#include "tests/support/temporarysettings.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QPointer>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include <functional>

// The loader on a French system: stored choice, dialog, failures, and which
// Qt base translation comes with the result.
class TestTranslationLoader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void storedFileLoadsWithoutDialog_data();
    void storedFileLoadsWithoutDialog();
    void unloadableStoredFileBringsDialog_data();
    void unloadableStoredFileBringsDialog();
    void failureLeavesEnglishAndSystemLocale_data();
    void failureLeavesEnglishAndSystemLocale();

private:
    TemporarySettings settings;
    QString workingDirectory;
    QPointer<QObject> owner;
};

namespace {

// Answers every modal dialog that appears and counts them; unlike a booked
// answer, nothing stays pending when no dialog comes.
class DialogWatch
{
public:
    explicit DialogWatch(std::function<void(QDialog *)> answer) : answer(std::move(answer))
    {
        QObject::connect(&timer, &QTimer::timeout, [this]() { answerVisibleDialog(); });
        timer.start(10);
    }
    int seen() const { return count; }

private:
    void answerVisibleDialog()
    {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        ++count;
        answer(dialog);
        if (dialog->isVisible())
            dialog->reject();
    }

    std::function<void(QDialog *)> answer;
    QTimer timer;
    int count = 0;
};

void rejectDialog(QDialog *dialog)
{
    dialog->reject();
}

void acceptDialog(QDialog *dialog)
{
    dialog->accept();
}

QString translated(const char *source)
{
    return QCoreApplication::translate("Fixture", source);
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

void TestTranslationLoader::initTestCase()
{
    workingDirectory = QDir::currentPath();
    QCOMPARE(QLocale::system().language(), QLocale::French);
}

void TestTranslationLoader::init()
{
    settings.clear();
    QLocale::setDefault(QLocale::system());
    owner = new QObject;
}

void TestTranslationLoader::cleanup()
{
    delete owner;
    QLocale::setDefault(QLocale::system());
    QDir::setCurrent(workingDirectory);
}

void TestTranslationLoader::storedFileLoadsWithoutDialog_data()
{
    QTest::addColumn<bool>("storedRelative");
    QTest::newRow("absolute path outside the folder") << false;
    QTest::newRow("relative path from the working directory") << true;
}

void TestTranslationLoader::storedFileLoadsWithoutDialog()
{
    QFETCH(bool, storedRelative);
    TranslationFolder folder;
    folder.addCatalogue(QStringLiteral("app_fr"), QStringLiteral("b_fr.qm"));
    folder.addCatalogue(QStringLiteral("base_de"), QStringLiteral("qt_de.qm"));
    folder.addCatalogue(QStringLiteral("base_fr"), QStringLiteral("qt_fr.qm"));
    const QString elsewhere =
        folder.addCatalogueElsewhere(QStringLiteral("app_de"), QStringLiteral("other/app_de.qm"));
    if (storedRelative)
        QVERIFY(QDir::setCurrent(folder.rootPath()));
    storeLanguage(storedRelative ? QStringLiteral("other/app_de.qm") : elsewhere,
                  QStringLiteral("de"));
    DialogWatch watch(rejectDialog);

    QVERIFY(loadTranslations(owner, folder.path()));

    QCOMPARE(watch.seen(), 0);
    QCOMPARE(translated("language"), QStringLiteral("Deutsch"));
    QCOMPARE(QLocale().language(), QLocale::German);
    QCOMPARE(translated("base"), QStringLiteral("qt_de"));
    delete owner;
    QCOMPARE(translated("language"), QStringLiteral("language"));
    QCOMPARE(translated("base"), QStringLiteral("base"));
}

void TestTranslationLoader::unloadableStoredFileBringsDialog_data()
{
    QTest::addColumn<QString>("storedPath"); // %1 stands for the folder
    QTest::addColumn<QString>("preselected");

    QTest::newRow("first start preselects the system language") << QString() << "French";
    QTest::newRow("deleted file") << "%1/gone_de.qm"
                                  << "German";
    QTest::newRow("file that is no catalogue") << "%1/broken_de.qm"
                                               << "German";
    QTest::newRow("relative path from another working directory") << "Translations/a_de.qm"
                                                                  << "German";
}

void TestTranslationLoader::unloadableStoredFileBringsDialog()
{
    QFETCH(QString, storedPath);
    QFETCH(QString, preselected);
    TranslationFolder folder;
    folder.addCatalogue(QStringLiteral("app_de"), QStringLiteral("a_de.qm"));
    folder.addCatalogue(QStringLiteral("app_fr"), QStringLiteral("b_fr.qm"));
    folder.addFile(QStringLiteral("broken_de.qm"));
    folder.addCatalogue(QStringLiteral("base_fr"), QStringLiteral("qt_fr.qm"));
    if (!storedPath.isEmpty())
        storeLanguage(QString(storedPath).replace(QLatin1String("%1"), folder.path()),
                      QStringLiteral("es"));
    QString shownPreselected;
    DialogWatch watch([&shownPreselected](QDialog *dialog) {
        auto *combo = dialog->findChild<QComboBox *>(QStringLiteral("languageCombo"));
        shownPreselected = combo->currentText();
        combo->setCurrentIndex(combo->findData(QStringLiteral("fr"), Qt::UserRole + 1));
        dialog->accept();
    });

    QVERIFY(loadTranslations(owner, folder.path()));

    QCOMPARE(watch.seen(), 1);
    QCOMPARE(shownPreselected, preselected);
    QCOMPARE(stored(SettingsKeys::languageFilePath), folder.filePath(QStringLiteral("b_fr.qm")));
    QCOMPARE(stored(SettingsKeys::languageIso639Code), QStringLiteral("fr"));
    QCOMPARE(translated("language"), QStringLiteral("Français"));
    QCOMPARE(QLocale().language(), QLocale::French);
    QCOMPARE(translated("base"), QStringLiteral("qt_fr"));
}

void TestTranslationLoader::failureLeavesEnglishAndSystemLocale_data()
{
    QTest::addColumn<QStringList>("catalogues"); // fixture:file name
    QTest::addColumn<QStringList>("junk");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<int>("dialogs");
    QTest::addColumn<QString>("storedAfter"); // %1 stands for the folder
    QTest::addColumn<QString>("baseTranslation");

    const QStringList baseFiles{"base_de:qt_de.qm", "base_fr:qt_fr.qm"};
    QTest::newRow("only Qt base files: no dialog")
        << baseFiles << QStringList() << true << 0 << "%1/gone_de.qm"
        << "qt_fr";
    QTest::newRow("junk only: no dialog")
        << baseFiles << QStringList{"qt_de.QM", "x.txt"} << true << 0 << "%1/gone_de.qm"
        << "qt_fr";
    QTest::newRow("dialog cancelled stores nothing")
        << (baseFiles + QStringList{"app_de:a_de.qm"}) << QStringList() << false << 1
        << "%1/gone_de.qm"
        << "qt_fr";
    QTest::newRow("chosen file is no catalogue but stays chosen")
        << baseFiles << QStringList{"broken_de.qm"} << true << 1 << "%1/broken_de.qm"
        << "qt_fr";
    QTest::newRow("no base file for the system language")
        << QStringList{"base_de:qt_de.qm"} << QStringList() << true << 0 << "%1/gone_de.qm"
        << "base";
}

void TestTranslationLoader::failureLeavesEnglishAndSystemLocale()
{
    QFETCH(QStringList, catalogues);
    QFETCH(QStringList, junk);
    QFETCH(bool, accept);
    QFETCH(int, dialogs);
    QFETCH(QString, storedAfter);
    QFETCH(QString, baseTranslation);
    TranslationFolder folder;
    for (const QString &catalogue : catalogues)
        folder.addCatalogue(catalogue.section(':', 0, 0), catalogue.section(':', 1));
    for (const QString &file : junk)
        folder.addFile(file);
    folder.addFolder(QStringLiteral("dir_de.qm"));
    // A stored code that would show if the default locale were set on failure.
    storeLanguage(folder.filePath(QStringLiteral("gone_de.qm")), QStringLiteral("de"));
    DialogWatch watch(accept ? acceptDialog : rejectDialog);

    QVERIFY(!loadTranslations(owner, folder.path()));

    QCOMPARE(watch.seen(), dialogs);
    QCOMPARE(stored(SettingsKeys::languageFilePath), storedAfter.arg(folder.path()));
    QCOMPARE(translated("language"), QStringLiteral("language"));
    QCOMPARE(QLocale(), QLocale::system());
    QCOMPARE(translated("base"), baseTranslation);
}

int main(int argc, char *argv[])
{
    // The system language that a failed start keeps and a first start preselects.
    qputenv("LC_ALL", "fr_FR.UTF-8");
    QApplication application(argc, argv);
    TestTranslationLoader test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_translationloader.moc"
