#include "app/restartloop.h"
#include "app/settingskeys.h"
#include "mainwindow/mainwindow.h"
#include "tests/support/modaldialogs.h"
#include "tests/support/temporarysettings.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QMessageBox>
#include <QSettings>
#include <QTest>
#include <QTimer>

// The start-up loop as the user lives it: warning, window, close, exit.
class TestRestartLoop : public QObject
{
    Q_OBJECT

private slots:
    void missingTranslationWarnsThenShowsWindowAndEndsOnClose();

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

QTEST_MAIN(TestRestartLoop)
#include "tst_restartloop.moc"
