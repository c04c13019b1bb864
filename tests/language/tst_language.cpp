#include "app/applicationidentity.h"
#include "app/restartloop.h"
#include "app/settingskeys.h"
#include "language/dialoglanguage.h"
#include "mainwindow/mainwindow.h"
#include "tests/support/temporarysettings.h"

#include <QtTest>
#include <QtWidgets>

// Languages and the application shell as the user meets them, on a French system.
class TestLanguage : public QObject
{
    Q_OBJECT

    TemporarySettings settings;
    const QString shipped = qEnvironmentVariable("LDL_RUNTIME_DIR") + "/Translations";
    const QString home = QCoreApplication::applicationDirPath(), beside = home + "/Translations";
    QPointer<MainWindow> window;
    QStringList steps, journal; // answers to modals and actions of windows; what the user saw

    Q_INVOKABLE void openUrl(const QUrl &url) { journal << "open " + url.path().remove(home); }

    // Notes each new window; answers a message box with the button named, the language dialog
    // with Ok, a code to pick or else Cancel; queues the window's next action (it may block).
    void timerEvent(QTimerEvent *) override
    {
        QWidget *modal = QApplication::activeModalWidget();
        auto *shown = qobject_cast<MainWindow *>(QApplication::activeWindow());
        if (shown && std::exchange(window, shown) != shown)
            journal << "window " + qApp->translate("MainWindow", "Download") + '|' +
                           qApp->translate("QPlatformTheme", "Cancel");
        const bool idle = !modal && window && window->isVisible();
        const QString step = (modal || idle) && !steps.isEmpty() ? steps.takeFirst() : "";
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            journal << box->windowTitle() + ": " + box->text();
            box->done(
                QMetaEnum::fromType<QMessageBox::StandardButtons>().keyToValue(qPrintable(step)));
        } else if (auto *dialog = qobject_cast<DialogLanguage *>(modal)) {
            auto *combo = dialog->findChild<QComboBox *>();
            QStringList listed;
            for (int entry = 0; entry < combo->count(); ++entry)
                listed << combo->itemText(entry);
            auto *ok = dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
            journal << "dialog " + listed.join(',') + ": " + combo->currentText() +
                           (ok->isEnabled() ? "" : " without OK");
            if (step != "Ok")
                combo->setCurrentIndex(combo->findData(step, Qt::UserRole + 1));
            step == "Ok" || combo->currentIndex() >= 0 ? dialog->accept() : dialog->reject();
        } else if (idle) {
            auto *action = window->findChild<QAction *>("action" + step);
            action ? QTimer::singleShot(0, action, &QAction::trigger) : void(window->close());
        }
    }

private slots:
    void initTestCase()
    {
        QDesktopServices::setUrlHandler("file", this, "openUrl");
        startTimer(5);
    }

    // The stored settings depend on these literal values.
    void identityAndKeys()
    {
        setApplicationIdentity();
        using namespace SettingsKeys;
        QCOMPARE((QStringList{qApp->organizationName(), qApp->organizationDomain(),
                              qApp->applicationName(), qApp->applicationVersion(),
                              mainWindowGeometry, mainWindowState, devicePortName,
                              devicePortIdentity, deviceReadTimeout, deviceLastSavedFilePath,
                              convertData, languageFilePath, languageIso639Code}),
                 QString("Ormwick|ormwick.com|Lumetra DataLogger|3.1|MainWindow/Geometry|"
                         "MainWindow/State|Device/PortName|Device/PortIdentity|Device/ReadTimeout|"
                         "Device/LastSavedFilePath|ConvertData|OwGui/DialogLanguage/FilePath|"
                         "OwGui/DialogLanguage/Iso639Code")
                     .split('|'));
    }

    void start_data()
    {
        // Files beside the program (none: the shipped ones) | the file stored, with the code de |
        // the steps | what the user sees, then the file stored; @ is the folder beside.
        QTest::addColumn<QString>("story");
        const QString failed = ": Failed to load translations, defaulting to English. / window ";
        QTest::newRow("only .qm files of any case, not Qt's, by name; the code before .qm; a first "
                      "start takes the last entry of the system's language, and keeps it if broken")
            << "b_pt_BR.Qm C_es.qm A_de.QM QT_fr.qm qtbase_de.qm a.txt qt_de.qm z_fr.qm |  | Ok | "
               "dialog German,Breton,Spanish,French,German,French: French / " +
                   failed + "Download|Cancel / @/z_fr.qm";
        QTest::newRow("a stored file gone: the first entry, not the system's; Cancel keeps it")
            << "a_de.qm b_fr.qm | @/gone_fr.qm | Cancel | dialog German,French: German / " +
                   failed + "Download|Cancel / @/gone_fr.qm";
        QTest::newRow("only Qt's files: no dialog at start, About, and nothing to choose later")
            << "qt_de.qm | @/gone_de.qm | Ok About Ok ChangeLanguage Cancel ChangeLanguage Ok | " +
                   failed +
                   "Download|Cancel / About Ormwick DataLogger: Ormwick DataLogger\n\n "
                   "3.1\n / dialog :  without OK / dialog :  without OK / @/gone_de.qm";
        QTest::newRow("a failed load after a restart: the system's base translation again")
            << "a_de.qm=LumetraDataLogger_de.qm b_es.qm qt_de.qm=qt_de.qm qt_fr.qm=qt_fr.qm | "
               "@/a_de.qm | ChangeLanguage es Yes Cancel | window Herunterladen|Abbrechen / dialog "
               "German,Spanish: German / : Die Sprache wird beim nächsten Start von Ormwick "
               "DataLogger geändert. / dialog German,Spanish: Spanish / " +
                   failed + "Download|Annuler / @/b_es.qm";
        // Each language's name in the list, its window's Download and Qt's Cancel. No to a
        // restart keeps the window; Yes builds one in the chosen language.
        const QMap<QString, QString> shown{{"de", "German Herunterladen|Abbrechen"},
                                           {"en", "English Download|Cancel"},
                                           {"es", "Spanish Descargar|Cancelar"},
                                           {"fr", "French Télécharger|Annuler"}};
        const QStringList codes = QString(LDL_LANGUAGES).split(',');
        QStringList names;
        for (const QString &code : codes)
            names << shown.value(code).section(' ', 0, 0);
        const QString dialog = "dialog " + names.join(',') + ": ",
                      asked = " / : The language will be changed next time Ormwick DataLogger is "
                              "started. / ";
        for (const QString &code : codes)
            QTest::newRow(qPrintable(code))
                << " |  | Cancel Ok ChangeLanguage " + code + " No ChangeLanguage Ok Yes Help | " +
                       dialog + "French / " + failed + "Download|Annuler / " + dialog + "French" +
                       asked + dialog + shown.value(code).section(' ', 0, 0) + asked + "window " +
                       shown.value(code).section(' ', 1) + " / open /Help/LumetraDataLoggerHelp_" +
                       code + ".html / @/LumetraDataLogger_" + code + ".qm";
    }

    void start()
    {
        QFETCH(QString, story); // files | stored | steps | seen
        const QStringList part = story.replace("@", beside).split(" | ");
        if (part[0].isEmpty())
            checkTranslationSource(QTest::currentDataTag());
        QTemporaryDir folder; // also where the program is started from
        for (const QString &file : part[0].split(' ', Qt::SkipEmptyParts)) // name=shipped file
            QVERIFY(file.contains('=') ? QFile::copy(shipped + '/' + file.section('=', 1),
                                                     folder.filePath(file.section('=', 0, 0)))
                                       : QFile(folder.filePath(file)).open(QIODevice::WriteOnly));
        QVERIFY(QDir::setCurrent(folder.path()));
        QFile::remove(beside);
        QVERIFY(QFile::link(part[0].isEmpty() ? shipped : folder.path(), beside));
        settings.clear();
        QSettings().setValue(SettingsKeys::languageFilePath, part[1]);
        QSettings().setValue(SettingsKeys::languageIso639Code, "de");
        QLocale::setDefault(QLocale::system());
        steps = part[2].split(' ', Qt::SkipEmptyParts);
        journal.clear();

        runRestartLoop([](QList<PortInfo> &) {});

        QCOMPARE(journal << QSettings().value(SettingsKeys::languageFilePath).toString(),
                 part[3].split(" / "));
        // The translators of a pass go with it.
        QCOMPARE(qApp->translate("MainWindow", "Download"), QString("Download"));
    }

private:
    // lupdate merges the code's texts into a copy of the source, as scripts/update-translations
    // does: it must come out unchanged. Every text is translated and keeps its %1.
    void checkTranslationSource(const QString &code)
    {
        QFile source(LDL_SOURCE_DIR "/resources/Translations/LumetraDataLogger_" + code + ".ts");
        QTemporaryDir scratch;
        QFile merged(scratch.filePath("merged.ts"));
        QVERIFY(source.copy(merged.fileName()) && source.open(QIODevice::ReadOnly));
        QVERIFY(QDir::setCurrent(LDL_SOURCE_DIR));
        QCOMPARE(QProcess::execute(QLibraryInfo::location(QLibraryInfo::BinariesPath) + "/lupdate",
                                   {"-silent", "-locations", "none", "-extensions", "cpp,h", "-I",
                                    ".", "app", "serial", "ports", "language", "mainwindow", "-ts",
                                    merged.fileName()}),
                 0);
        const QString text = source.readAll();
        QVERIFY(merged.open(QIODevice::ReadOnly));
        QVERIFY2(QString(text).remove(QRegularExpression("\\n *<location[^>]*>")) ==
                     merged.readAll(),
                 "the texts of the code have changed: run scripts/update-translations");
        QVERIFY(!text.contains(QRegularExpression("\"unfinished\"|<translation></")));
        QCOMPARE(text.count(QRegularExpression("<translation>[^<]*%1")),
                 text.count(QRegularExpression("<source>[^<]*%1")));
        QVERIFY(QFile::exists(shipped + "/../Help/LumetraDataLoggerHelp_" + code + ".html"));
    }
};

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"
