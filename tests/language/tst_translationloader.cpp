#include "app/settingskeys.h"
#include "language/translationloader.h"
#include "tests/language/translationfolder.h"
#include "tests/support/temporarysettings.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QPointer>
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
    void loadTranslations_data();
    void loadTranslations();

private:
    TemporarySettings settings;
    QPointer<QObject> owner;
};

namespace {

// Answers every modal dialog that appears and counts them; unlike a booked answer,
// nothing stays pending when no dialog comes. A dialog left open is rejected.
struct DialogWatch
{
    explicit DialogWatch(const std::function<void(QDialog *)> &answer)
    {
        QObject::connect(&timer, &QTimer::timeout, [this, answer]() {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible())
                return;
            ++seen;
            answer(dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
        timer.start(10);
    }

    QTimer timer;
    int seen = 0;
};

QString translated(const char *source)
{
    return QCoreApplication::translate("Fixture", source);
}

} // namespace

void TestTranslationLoader::initTestCase()
{
    QCOMPARE(QLocale::system().language(), QLocale::French);
}

void TestTranslationLoader::init()
{
    settings.clear();
    owner = new QObject;
}

// The translators belong to the owner: deleting it takes both translations away.
void TestTranslationLoader::cleanup()
{
    delete owner;
    QLocale::setDefault(QLocale::system());
    QCOMPARE(translated("language"), QStringLiteral("language"));
    QCOMPARE(translated("base"), QStringLiteral("base"));
}

void TestTranslationLoader::loadTranslations_data()
{
    // Besides qt_de.qm and qt_fr.qm: fixture:file name, or a file that is no catalogue.
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("stored");           // file name, stored with the code "de"
    QTest::addColumn<QLocale::Language>("dialog"); // preselected; AnyLanguage: no dialog
    QTest::addColumn<QString>("choice");           // the code chosen, empty to cancel
    QTest::addColumn<QString>("language");

    const QStringList both{"app_de:a_de.qm", "app_fr:b_fr.qm"};
    const QLocale::Language none = QLocale::AnyLanguage;
    QTest::newRow("stored file loads without a dialog")
        << QStringList{"app_fr:b_fr.qm", "app_de:../a/app_de.qm"} << "../a/app_de.qm" << none
        << QString() << "Deutsch";
    QTest::newRow("first start preselects the system language")
        << both << QString() << QLocale::French << QStringLiteral("fr") << "Français";
    QTest::newRow("deleted stored file preselects the first entry")
        << both << "gone_de.qm" << QLocale::German << QStringLiteral("fr") << "Français";
    QTest::newRow("only Qt base files: no dialog, nothing loaded")
        << QStringList() << "gone_de.qm" << none << QString() << "language";
    QTest::newRow("dialog cancelled stores nothing")
        << QStringList{"app_de:a_de.qm"} << "gone_de.qm" << QLocale::German << QString()
        << "language";
    QTest::newRow("chosen file is no catalogue but stays chosen")
        << QStringList{"broken_de.qm"} << "gone_de.qm" << QLocale::German << QStringLiteral("de")
        << "language";
}

// On success the stored code becomes the default locale; on failure the system's
// stays. Either way the Qt base translation follows the default locale.
void TestTranslationLoader::loadTranslations()
{
    QFETCH(QStringList, files);
    QFETCH(QString, stored);
    QFETCH(QLocale::Language, dialog);
    QFETCH(QString, choice);
    QFETCH(QString, language);
    TranslationFolder folder;
    folder.addCatalogue(QStringLiteral("base_de"), QStringLiteral("qt_de.qm"));
    folder.addCatalogue(QStringLiteral("base_fr"), QStringLiteral("qt_fr.qm"));
    for (const QString &file : files) {
        if (file.contains(':'))
            folder.addCatalogue(file.section(':', 0, 0), file.section(':', 1));
        else
            folder.addFile(file);
    }
    if (!stored.isEmpty())
        storeLanguage(folder.filePath(stored), QStringLiteral("de"));
    const QString storedBefore = storedSetting(SettingsKeys::languageFilePath);
    QString preselected;
    QString chosenPath;
    DialogWatch watch([&](QDialog *shown) {
        auto *combo = shown->findChild<QComboBox *>(QStringLiteral("languageCombo"));
        preselected = combo->currentText();
        if (choice.isEmpty())
            return;
        combo->setCurrentIndex(combo->findData(choice, Qt::UserRole + 1));
        chosenPath = combo->currentData(Qt::UserRole).toString();
        shown->accept();
    });
    const bool loaded = language != QLatin1String("language");

    QCOMPARE(::loadTranslations(owner, folder.path()), loaded);

    QCOMPARE(watch.seen, dialog == QLocale::AnyLanguage ? 0 : 1);
    if (watch.seen)
        QCOMPARE(preselected, QLocale::languageToString(dialog));
    QCOMPARE(storedSetting(SettingsKeys::languageFilePath),
             chosenPath.isEmpty() ? storedBefore : chosenPath);
    QCOMPARE(translated("language"), language);
    if (loaded)
        QCOMPARE(QLocale().name().left(2), storedSetting(SettingsKeys::languageIso639Code));
    else
        QCOMPARE(QLocale(), QLocale::system());
    QCOMPARE(translated("base"), QStringLiteral("qt_") + QLocale().name().left(2));
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
