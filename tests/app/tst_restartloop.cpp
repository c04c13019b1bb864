#include "app/restartloop.h"
#include "app/settingskeys.h"
#include "language/dialoglanguage.h"
#include "mainwindow/mainwindow.h"
#include "tests/support/modaldialogs.h"
#include "tests/support/temporarysettings.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>

// The start-up loop as the user lives it: warning, window, close, exit.
class TestRestartLoop : public QObject
{
    Q_OBJECT

private slots:
    void missingTranslationWarnsThenShowsWindowAndEndsOnClose();
    void changingLanguageRebuildsTheWindowInTheNewLanguage();

private:
    TemporarySettings settings;
};

namespace {

MainWindow *shownMainWindow()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *window = qobject_cast<MainWindow *>(widget); window && window->isVisible())
            return window;
    }
    return nullptr;
}

QString downloadButtonText(MainWindow *window)
{
    return window->findChild<QPushButton *>(QStringLiteral("downloadBtn"))->text();
}

// Picks a language by its English name in the language dialog and presses OK.
void chooseLanguageInNextDialog(const QString &language, QWidget **parent)
{
    whenModalAppears([language, parent](QWidget *modal) {
        auto *dialog = qobject_cast<DialogLanguage *>(modal);
        if (!dialog) {
            modal->close();
            QFAIL("expected the language dialog");
        }
        *parent = dialog->parentWidget();
        auto *combo = dialog->findChild<QComboBox *>(QStringLiteral("languageCombo"));
        combo->setCurrentIndex(combo->findText(language));
        dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
}

// The start-up loop reads the translations beside the executable, which for a
// test is the test's own folder; this puts the program's there for one test.
class TranslationsBesideTest
{
public:
    explicit TranslationsBesideTest(const QString &source)
        : target(QCoreApplication::applicationDirPath() + QStringLiteral("/Translations"))
    {
        QDir(target).removeRecursively();
        QDir().mkpath(target);
        const QDir sourceDir(source);
        for (const QString &name : sourceDir.entryList({QStringLiteral("*.qm")}, QDir::Files))
            QFile::copy(sourceDir.filePath(name), target + QLatin1Char('/') + name);
    }
    ~TranslationsBesideTest() { QDir(target).removeRecursively(); }

private:
    QString target;
};

} // namespace

void TestRestartLoop::missingTranslationWarnsThenShowsWindowAndEndsOnClose()
{
    bool windowSeen = false;
    bool warningCameFirst = false;
    whenModalAppears([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        warningCameFirst = !shownMainWindow();
        QCOMPARE(box->icon(), QMessageBox::Warning);
        QCOMPARE(box->text(),
                 QStringLiteral("Failed to load translations, defaulting to English."));
        box->button(QMessageBox::Ok)->click();
    });
    QTimer closer;
    connect(&closer, &QTimer::timeout, [&]() {
        if (MainWindow *window = shownMainWindow()) {
            windowSeen = true;
            window->findChild<QComboBox *>("comPorts")->setCurrentIndex(1);
            window->close();
        }
    });
    closer.start(20);

    runRestartLoop([](QList<PortInfo> &ports) {
        for (const char *name : {"COM2", "COM5"}) {
            PortInfo info;
            info.portName = info.openPath = QString::fromLatin1(name);
            ports.append(info);
        }
    });

    QVERIFY(allModalAnswersGiven(0));
    QVERIFY(warningCameFirst);
    QVERIFY(windowSeen);
    QVERIFY2(!shownMainWindow(), "the loop must destroy its window before returning");
    QCOMPARE(QSettings().value(SettingsKeys::devicePortName).toString(), QStringLiteral("COM5"));
}

// First start: the dialog, German chosen, a German window. Change Language to
// French and Yes: the same process builds a French window, without asking again.
void TestRestartLoop::changingLanguageRebuildsTheWindowInTheNewLanguage()
{
    settings.clear();
    const QString runtimeDir = qEnvironmentVariable("LDL_RUNTIME_DIR");
    QVERIFY2(QFile::exists(runtimeDir + QStringLiteral("/Translations/LumetraDataLogger_de.qm")),
             "LDL_RUNTIME_DIR must hold the built translations");
    QVERIFY(QCoreApplication::applicationDirPath() != runtimeDir);
    const TranslationsBesideTest translations(runtimeDir + QStringLiteral("/Translations"));
    // Change Language lists the "Translations" folder of the working directory.
    const QString workingDirectory = QDir::currentPath();
    QVERIFY(QDir::setCurrent(runtimeDir));

    QWidget notAnswered;
    QWidget *startDialogParent = &notAnswered;
    QWidget *menuDialogParent = nullptr;
    chooseLanguageInNextDialog(QStringLiteral("German"), &startDialogParent);
    QPointer<MainWindow> firstWindow;
    QString firstDownloadText;
    QString secondDownloadText;
    QString secondBaseCancel;
    QLocale secondLocale;
    int windows = 0;
    QTimer watcher;
    connect(&watcher, &QTimer::timeout, [&]() {
        MainWindow *window = shownMainWindow();
        if (!window)
            return;
        if (windows == 0) {
            ++windows;
            firstWindow = window;
            firstDownloadText = downloadButtonText(window);
            chooseLanguageInNextDialog(QStringLiteral("French"), &menuDialogParent);
            pressMessageBoxButton(QMessageBox::Yes);
            auto *action = window->findChild<QAction *>(QStringLiteral("actionChangeLanguage"));
            QTimer::singleShot(0, action, &QAction::trigger);
        } else if (windows == 1 && !firstWindow) {
            ++windows;
            secondDownloadText = downloadButtonText(window);
            secondBaseCancel = QCoreApplication::translate("QPlatformTheme", "Cancel");
            secondLocale = QLocale();
            window->close();
        }
    });
    watcher.start(20);

    runRestartLoop([](QList<PortInfo> &) {});
    QDir::setCurrent(workingDirectory);

    QVERIFY(allModalAnswersGiven(0));
    QCOMPARE(windows, 2);
    QCOMPARE(startDialogParent, nullptr);
    QCOMPARE(firstDownloadText, QStringLiteral("Herunterladen"));
    QVERIFY(menuDialogParent);
    QCOMPARE(
        lastMessageBoxText(),
        QStringLiteral("Die Sprache wird beim nächsten Start von Ormwick DataLogger geändert."));
    QCOMPARE(secondDownloadText, QStringLiteral("Télécharger"));
    QCOMPARE(secondBaseCancel, QStringLiteral("Annuler"));
    QCOMPARE(secondLocale.language(), QLocale::French);
    QCOMPARE(QSettings().value(SettingsKeys::languageFilePath).toString(),
             QStringLiteral("Translations/LumetraDataLogger_fr.qm"));
    QCOMPARE(QSettings().value(SettingsKeys::languageIso639Code).toString(), QStringLiteral("fr"));
    QLocale::setDefault(QLocale::system());
}

QTEST_MAIN(TestRestartLoop)
#include "tst_restartloop.moc"
