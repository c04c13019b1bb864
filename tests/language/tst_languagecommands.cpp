#include "app/settingskeys.h"
#include "language/dialoglanguage.h"
#include "mainwindow/mainwindow.h"
#include "tests/language/translationfolder.h"
#include "tests/support/modaldialogs.h"
#include "tests/support/temporarysettings.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QUrl>

// Receives what the main window hands to the desktop's handler for local files.
class UrlCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls;

public slots:
    void openUrl(const QUrl &url) { urls.append(url); }
};

// The main window's Help, About and Change Language commands.
class TestLanguageCommands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void aboutShowsNameAndVersion();
    void helpOpensThePageOfTheDefaultLanguage_data();
    void helpOpensThePageOfTheDefaultLanguage();
    void changeLanguage_data();
    void changeLanguage();

private:
    TemporarySettings settings;
    QString workingDirectory;
};

namespace {

void noPorts(QList<PortInfo> &) {}

void trigger(MainWindow &window, const char *actionName)
{
    window.findChild<QAction *>(QString::fromLatin1(actionName))->trigger();
}

QString stored(const QString &key)
{
    return QSettings().value(key).toString();
}

} // namespace

void TestLanguageCommands::initTestCase()
{
    workingDirectory = QDir::currentPath();
}

void TestLanguageCommands::init()
{
    settings.clear();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestLanguageCommands::cleanup()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QDir::setCurrent(workingDirectory);
    QLocale::setDefault(QLocale::system());
}

void TestLanguageCommands::aboutShowsNameAndVersion()
{
    MainWindow window(nullptr, Qt::WindowFlags(), noPorts);
    window.show();
    QString text;
    QString title;
    QWidget *parent = nullptr;
    whenModalAppears([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        text = box->text();
        title = box->windowTitle();
        parent = box->parentWidget();
        box->button(QMessageBox::Ok)->click();
    });

    trigger(window, "actionAbout");

    QVERIFY(allModalAnswersGiven());
    QCOMPARE(text, QStringLiteral("Ormwick DataLogger\n\n 3.1\n"));
    QCOMPARE(title, QStringLiteral("About Ormwick DataLogger"));
    QCOMPARE(parent, &window);
}

void TestLanguageCommands::helpOpensThePageOfTheDefaultLanguage_data()
{
    QTest::addColumn<QLocale>("defaultLocale");
    QTest::addColumn<QString>("page");
    QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany)
                            << "LumetraDataLoggerHelp_de.html";
    QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedStates)
                             << "LumetraDataLoggerHelp_en.html";
    QTest::newRow("Spanish of Mexico")
        << QLocale(QLocale::Spanish, QLocale::Mexico) << "LumetraDataLoggerHelp_es.html";
}

void TestLanguageCommands::helpOpensThePageOfTheDefaultLanguage()
{
    QFETCH(QLocale, defaultLocale);
    QFETCH(QString, page);
    QLocale::setDefault(defaultLocale);
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "openUrl");
    MainWindow window(nullptr, Qt::WindowFlags(), noPorts);

    trigger(window, "actionHelp");

    QCOMPARE(catcher.urls.size(), 1);
    QVERIFY(catcher.urls.first().isLocalFile());
    QCOMPARE(catcher.urls.first().toLocalFile(),
             QCoreApplication::applicationDirPath() + QStringLiteral("/Help/") + page);
}

void TestLanguageCommands::changeLanguage_data()
{
    QTest::addColumn<bool>("acceptLanguage");
    QTest::addColumn<int>("restartAnswer");
    QTest::addColumn<bool>("restartRequested");
    QTest::newRow("dialog cancelled") << false << 0 << false;
    QTest::newRow("language chosen, restart declined") << true << int(QMessageBox::No) << false;
    QTest::newRow("language chosen, restart agreed") << true << int(QMessageBox::Yes) << true;
}

void TestLanguageCommands::changeLanguage()
{
    QFETCH(bool, acceptLanguage);
    QFETCH(int, restartAnswer);
    QFETCH(bool, restartRequested);
    TranslationFolder folder;
    folder.addCatalogue(QStringLiteral("app_de"), QStringLiteral("a_de.qm"));
    folder.addCatalogue(QStringLiteral("app_fr"), QStringLiteral("b_fr.qm"));
    QVERIFY(QDir::setCurrent(folder.rootPath()));
    {
        QSettings settings;
        settings.setValue(SettingsKeys::languageFilePath, QStringLiteral("Translations/a_de.qm"));
        settings.setValue(SettingsKeys::languageIso639Code, QStringLiteral("de"));
    }
    MainWindow window(nullptr, Qt::WindowFlags(), noPorts);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QStringList listedPaths;
    QWidget *dialogParent = nullptr;
    whenModalAppears([&](QWidget *modal) {
        auto *dialog = qobject_cast<DialogLanguage *>(modal);
        if (!dialog) {
            modal->close();
            QFAIL("expected the language dialog");
        }
        dialogParent = dialog->parentWidget();
        auto *combo = dialog->findChild<QComboBox *>(QStringLiteral("languageCombo"));
        for (int i = 0; i < combo->count(); ++i)
            listedPaths << combo->itemData(i, Qt::UserRole).toString();
        combo->setCurrentIndex(1);
        if (acceptLanguage)
            dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        else
            dialog->reject();
    });
    bool questionAsked = false;
    if (acceptLanguage) {
        whenModalAppears([&](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            if (!box) {
                modal->close();
                QFAIL("expected the restart question");
            }
            questionAsked = true;
            QCOMPARE(box->parentWidget(), nullptr);
            QCOMPARE(box->icon(), QMessageBox::Question);
            QCOMPARE(box->text(),
                     QStringLiteral("The language will be changed next time Ormwick DataLogger "
                                    "is started."));
            QCOMPARE(box->informativeText(), QStringLiteral("Would you like to restart now?"));
            QCOMPARE(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
            box->button(QMessageBox::StandardButton(restartAnswer))->click();
        });
    }

    trigger(window, "actionChangeLanguage");

    QVERIFY(allModalAnswersGiven());
    QCOMPARE(dialogParent, &window);
    QCOMPARE(listedPaths, QStringList({"Translations/a_de.qm", "Translations/b_fr.qm"}));
    QCOMPARE(questionAsked, acceptLanguage);
    QCOMPARE(stored(SettingsKeys::languageFilePath), acceptLanguage
                                                         ? QStringLiteral("Translations/b_fr.qm")
                                                         : QStringLiteral("Translations/a_de.qm"));
    QCOMPARE(window.isRestartRequested(), restartRequested);
    QCOMPARE(window.isVisible(), !restartRequested);
}

QTEST_MAIN(TestLanguageCommands)
#include "tst_languagecommands.moc"
