#include "app/restartloop.h"
#include "app/settingskeys.h"
#include "mainwindow/mainwindow.h"
#include "tests/support/modaldialogs.h"
#include "tests/support/temporarysettings.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
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

void noPorts(QList<PortInfo> &) {}

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
void chooseLanguageInNextDialog(const QString &language)
{
    whenModalAppears([language](QWidget *modal) {
        auto *combo = modal->findChild<QComboBox *>(QStringLiteral("languageCombo"));
        if (!combo) {
            modal->close();
            QFAIL("expected the language dialog");
        }
        combo->setCurrentIndex(combo->findText(language));
        qobject_cast<QDialog *>(modal)->accept();
    });
}

} // namespace

void TestRestartLoop::missingTranslationWarnsThenShowsWindowAndEndsOnClose()
{
    pressMessageBoxButton(QMessageBox::Ok);
    bool warnedBeforeWindow = false;
    QTimer closer;
    connect(&closer, &QTimer::timeout, [&]() {
        if (MainWindow *window = shownMainWindow()) {
            warnedBeforeWindow = allModalAnswersGiven(0);
            window->close();
        }
    });
    closer.start(20);

    runRestartLoop(noPorts);

    QVERIFY(warnedBeforeWindow);
    QCOMPARE(lastMessageBoxText(),
             QStringLiteral("Failed to load translations, defaulting to English."));
    QVERIFY2(!shownMainWindow(), "the loop must destroy its window before returning");
}

// First start: the dialog, German chosen, a German window. Change Language to
// French and Yes: the same process builds a French window, without asking again.
void TestRestartLoop::changingLanguageRebuildsTheWindowInTheNewLanguage()
{
    settings.clear();
    const QString runtimeDir = qEnvironmentVariable("LDL_RUNTIME_DIR");
    QVERIFY2(QFile::exists(runtimeDir + QStringLiteral("/Translations/LumetraDataLogger_de.qm")),
             "LDL_RUNTIME_DIR must hold the built translations");
    // The loop reads the translations beside the executable, here the test's own folder.
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/Translations");
    QVERIFY(QCoreApplication::applicationDirPath() != runtimeDir);
    QFile::remove(beside);
    QVERIFY(QFile::link(runtimeDir + QStringLiteral("/Translations"), beside));
    const auto unlink = qScopeGuard([beside]() { QFile::remove(beside); });

    chooseLanguageInNextDialog(QStringLiteral("German"));
    QPointer<MainWindow> firstWindow;
    QString firstDownloadText;
    QString secondDownloadText;
    QString secondBaseCancel;
    QLocale secondLocale;
    QTimer watcher;
    connect(&watcher, &QTimer::timeout, [&]() {
        MainWindow *window = shownMainWindow();
        if (window && firstDownloadText.isEmpty()) {
            firstWindow = window;
            firstDownloadText = downloadButtonText(window);
            chooseLanguageInNextDialog(QStringLiteral("French"));
            pressMessageBoxButton(QMessageBox::Yes);
            auto *action = window->findChild<QAction *>(QStringLiteral("actionChangeLanguage"));
            QTimer::singleShot(0, action, &QAction::trigger);
        } else if (window && !firstWindow && secondDownloadText.isEmpty()) {
            secondDownloadText = downloadButtonText(window);
            secondBaseCancel = QCoreApplication::translate("QPlatformTheme", "Cancel");
            secondLocale = QLocale();
            window->close();
        }
    });
    watcher.start(20);

    runRestartLoop(noPorts);

    QVERIFY(allModalAnswersGiven(0));
    QCOMPARE(firstDownloadText, QStringLiteral("Herunterladen"));
    QCOMPARE(
        lastMessageBoxText(),
        QStringLiteral("Die Sprache wird beim nächsten Start von Ormwick DataLogger geändert."));
    QCOMPARE(secondDownloadText, QStringLiteral("Télécharger"));
    QCOMPARE(secondBaseCancel, QStringLiteral("Annuler"));
    QCOMPARE(secondLocale.language(), QLocale::French);
    QCOMPARE(QSettings().value(SettingsKeys::languageFilePath).toString(),
             beside + QStringLiteral("/LumetraDataLogger_fr.qm"));
    QLocale::setDefault(QLocale::system());
}

QTEST_MAIN(TestRestartLoop)
#include "tst_restartloop.moc"
