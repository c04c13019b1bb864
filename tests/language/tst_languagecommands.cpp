#include "app/settingskeys.h"
#include "mainwindow/mainwindow.h"
#include "tests/language/translationfolder.h"
#include "tests/support/modaldialogs.h"
#include "tests/support/temporarysettings.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QScopeGuard>
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
    void init();
    void cleanup();
    void aboutShowsNameAndVersion();
    void helpOpensThePageOfTheDefaultLanguage_data();
    void helpOpensThePageOfTheDefaultLanguage();
    void changeLanguage_data();
    void changeLanguage();

private:
    TemporarySettings settings;
    const QString workingDirectory = QDir::currentPath();
};

namespace {

void noPorts(QList<PortInfo> &) {}

void trigger(MainWindow &window, const char *actionName)
{
    window.findChild<QAction *>(QString::fromLatin1(actionName))->trigger();
}

} // namespace

void TestLanguageCommands::init()
{
    settings.clear();
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
    pressMessageBoxButton(QMessageBox::Ok);

    trigger(window, "actionAbout");

    QVERIFY(allModalAnswersGiven());
    QCOMPARE(lastMessageBoxText(), QStringLiteral("Ormwick DataLogger\n\n 3.1\n"));
}

void TestLanguageCommands::helpOpensThePageOfTheDefaultLanguage_data()
{
    QTest::addColumn<QString>("page"); // the row names the default locale
    QTest::newRow("de_DE") << "LumetraDataLoggerHelp_de.html";
    QTest::newRow("en_US") << "LumetraDataLoggerHelp_en.html";
}

void TestLanguageCommands::helpOpensThePageOfTheDefaultLanguage()
{
    QFETCH(QString, page);
    QLocale::setDefault(QLocale(QString::fromLatin1(QTest::currentDataTag())));
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "openUrl");
    MainWindow window(nullptr, Qt::WindowFlags(), noPorts);

    trigger(window, "actionHelp");

    QCOMPARE(catcher.urls, QList<QUrl>{QUrl::fromLocalFile(QCoreApplication::applicationDirPath() +
                                                           QStringLiteral("/Help/") + page)});
}

// The dialog lists the "Translations" folder beside the program, wherever the program
// was started from; only a chosen language brings the restart question.
void TestLanguageCommands::changeLanguage_data()
{
    QTest::addColumn<bool>("acceptLanguage");
    QTest::addColumn<int>("restartAnswer");
    QTest::newRow("dialog cancelled") << false << 0;
    QTest::newRow("language chosen, restart declined") << true << int(QMessageBox::No);
    QTest::newRow("language chosen, restart agreed") << true << int(QMessageBox::Yes);
}

void TestLanguageCommands::changeLanguage()
{
    QFETCH(bool, acceptLanguage);
    QFETCH(int, restartAnswer);
    TranslationFolder besideProgram;
    besideProgram.addFile(QStringLiteral("a_de.qm"));
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/Translations");
    QFile::remove(beside);
    QVERIFY(QFile::link(besideProgram.path(), beside));
    const auto unlink = qScopeGuard([beside]() { QFile::remove(beside); });
    // Started from another folder, with translations of its own.
    TranslationFolder workingFolder;
    workingFolder.addFile(QStringLiteral("b_fr.qm"));
    QVERIFY(QDir::setCurrent(workingFolder.rootPath()));
    storeLanguage(QStringLiteral("gone_fr.qm"), QStringLiteral("fr"));
    MainWindow window(nullptr, Qt::WindowFlags(), noPorts);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    if (acceptLanguage) {
        acceptNextDialog();
        pressMessageBoxButton(restartAnswer);
    } else {
        rejectNextDialog();
    }

    trigger(window, "actionChangeLanguage");

    QVERIFY(allModalAnswersGiven());
    QCOMPARE(storedSetting(SettingsKeys::languageFilePath),
             acceptLanguage ? beside + QStringLiteral("/a_de.qm") : QStringLiteral("gone_fr.qm"));
    const bool restartRequested = restartAnswer == QMessageBox::Yes;
    QCOMPARE(window.isRestartRequested(), restartRequested);
    QCOMPARE(window.isVisible(), !restartRequested);
}

QTEST_MAIN(TestLanguageCommands)
#include "tst_languagecommands.moc"
