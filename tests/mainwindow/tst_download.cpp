#include "app/settingskeys.h"
#include "serial/winserialdevice.h"
#include "tests/support/modaldialogs.h"
#include "tests/support/temporarysettings.h"
#include "tests/support/testersimulator.h"
#include "tests/support/windowdriver.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

#include <functional>

// The road from Download to the pane and the received bytes, against a simulated
// tester on a pseudo-terminal.
class TestDownload : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void multiChunkReplyEndsOnQuietLineAndIsOffered();
    void nulByteCutsOnlyThePaneText();
    void staleInputIsDiscardedBeforeTheCommands();
    void endlessZeroBytesDoNotHoldTheDownload();
    void unopenablePortWarnsAndReturnsToIdle_data();
    void unopenablePortWarnsAndReturnsToIdle();
    void cancelWhileWaitingOffersNothing();
    void cancelWhileReceivingKeepsTheData();
    void pauseLongerThanReadTimeOutEndsTheTransfer();
    void hangUpMidReplyKeepsWhatArrived();
    void unusableReadTimeOutIsReplacedBy110_data();
    void unusableReadTimeOutIsReplacedBy110();
    void closingTheWindowDuringADownloadEndsIt();
    void longReadTimeOutDelaysNeitherCommandsNorCancel();
    void saveDialogFollowsOneReadTimeOutAfterTheLastByte();
    void largeBacklogGoesIntoThePaneInPartsAndNothingIsLost();
    void doubleClickOnDownloadDoesNotCancel();
    void clickOnDownloadAsTheTransferEndsDoesNotRestartIt();

private:
    TemporarySettings settings;
};

namespace {

const QByteArray commands("SYST:REM\r\nMEM:DATA? ALL\r\n");

TesterSimulator::Chunk chunk(const QByteArray &bytes, int pauseMs = 0)
{
    TesterSimulator::Chunk result;
    result.pauseMs = pauseMs;
    result.bytes = bytes;
    return result;
}

QString shownAsText(const QByteArray &bytes)
{
    return QString::fromUtf8(bytes).remove(QLatin1Char('\r'));
}

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Runs an action whenever the watched widget is shown.
class ShowWatcher : public QObject
{
public:
    explicit ShowWatcher(std::function<void()> shown) : shown(std::move(shown)) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            shown();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> shown;
};

bool noModalDialogFor(int ms)
{
    return !QTest::qWaitFor([]() { return QApplication::activeModalWidget() != nullptr; }, ms);
}

} // namespace

void TestDownload::init()
{
    settings.clear();
}

void TestDownload::cleanup()
{
    QVERIFY(allModalAnswersGiven(0));
}

void TestDownload::multiChunkReplyEndsOnQuietLineAndIsOffered()
{
    const QByteArray first("No;Date;Voc/V;Isc/A\r\n1;01.06.2026;612.4;8.91\r\n");
    const QByteArray second("2;01.06.2026;\xB0"
                            "598.0;8.\x8A"
                            "77\r\n");
    const QByteArray third = QByteArray("3;02.06.2026;601.2;8.80\r\n").repeated(100);
    TesterSimulator tester;
    QVERIFY(tester.isValid());
    tester.start(
        TesterSimulator::Script::replying({chunk(first), chunk(second, 30), chunk(third, 30)}));
    WindowDriver driver(tester.portName());

    QVERIFY(driver.downloadUntilSaveDialog());

    QVERIFY(driver.wasIdleWhenSaveDialogOpened());
    QCOMPARE(tester.received(), commands);
    QCOMPARE(driver.paneText(), shownAsText(first + second + third));
    QVERIFY(driver.widget("saveBtn")->isVisible());
    QVERIFY(driver.widget("openBtn")->isVisible());
    QCOMPARE(driver.statusMessage(), QStringLiteral("Now initiate the download on the tester"));
}

void TestDownload::nulByteCutsOnlyThePaneText()
{
    TesterSimulator tester;
    tester.start(
        TesterSimulator::Script::replying({chunk(QByteArray("12.5;230\0hidden\r\n", 17))}));
    WindowDriver driver(tester.portName());

    QVERIFY(driver.downloadUntilSaveDialog());

    QCOMPARE(driver.paneText(), QStringLiteral("12.5;230"));
}

void TestDownload::staleInputIsDiscardedBeforeTheCommands()
{
    // Reads at about 500, 700 and 900 ms after the open: the first two start with 0x00.
    TesterSimulator tester;
    TesterSimulator::Script script = TesterSimulator::Script::replying({chunk("fresh reply\r\n")});
    script.beforeCommands = {chunk(QByteArray("\0\0stale", 7)), chunk(QByteArray("\0more", 5), 300),
                             chunk(QByteArray("\0again", 6), 300)};
    tester.start(script);
    WindowDriver driver(tester.portName());

    QVERIFY(driver.downloadUntilSaveDialog());

    QCOMPARE(tester.received(), commands);
    QCOMPARE(driver.paneText(), QStringLiteral("fresh reply\n"));
}

void TestDownload::endlessZeroBytesDoNotHoldTheDownload()
{
    // Twenty seconds of 0x00 bytes: the flush gives up after about five and sends the commands.
    TesterSimulator tester;
    TesterSimulator::Script script = TesterSimulator::Script::replying({chunk("reply\r\n")});
    for (int i = 0; i < 200; ++i)
        script.beforeCommands.append(chunk(QByteArray(1, '\0'), 100));
    tester.start(script);
    WindowDriver driver(tester.portName());

    QElapsedTimer connecting;
    connecting.start();
    driver.button("downloadBtn")->click();
    QVERIFY(connecting.elapsed() < 10000);
    QTRY_COMPARE_WITH_TIMEOUT(tester.received(), commands, 2000);
    driver.cancelDownload();
}

void TestDownload::unopenablePortWarnsAndReturnsToIdle_data()
{
    QTest::addColumn<QString>("whyUnopenable");
    QTest::newRow("held by another open") << "held";
    QTest::newRow("missing") << "missing";
    QTest::newRow("empty port list") << "none";
}

void TestDownload::unopenablePortWarnsAndReturnsToIdle()
{
    QFETCH(QString, whyUnopenable);

    TesterSimulator tester;
    tester.start(TesterSimulator::Script::replying({chunk("earlier download\r\n")}));
    WindowDriver driver(tester.portName());
    QVERIFY(driver.downloadUntilSaveDialog());
    QVERIFY(!driver.paneText().isEmpty());

    Ow::WinSerialDevice holder(tester.portName());
    auto *ports = driver.window()->findChild<QComboBox *>("comPorts");
    if (whyUnopenable == QLatin1String("held"))
        QVERIFY(holder.open(QIODevice::ReadWrite, 110, 110));
    else if (whyUnopenable == QLatin1String("missing"))
        ports->setItemData(0, QStringLiteral("/dev/ttyLumetraMissing"));
    else
        ports->clear();

    pressMessageBoxButton(QMessageBox::Ok);
    driver.button("downloadBtn")->click();

    QVERIFY(allModalAnswersGiven(0));
    QCOMPARE(
        lastMessageBoxText(),
        QStringLiteral("Failed to connect. Please check the device is connected and switched on"));
    QVERIFY(driver.isIdle());
    QVERIFY(!driver.widget("openBtn")->isVisible());
    QVERIFY(!driver.widget("saveBtn")->isVisible());
    QVERIFY(driver.paneText().isEmpty());
    QCOMPARE(driver.statusMessage(), QStringLiteral("Now initiate the download on the tester"));
}

void TestDownload::cancelWhileWaitingOffersNothing()
{
    TesterSimulator tester;
    tester.start(TesterSimulator::Script::replying({}));
    WindowDriver driver(tester.portName());

    driver.button("downloadBtn")->click();
    QVERIFY(!driver.isIdle());
    QVERIFY(driver.window()->statusBar()->findChild<QProgressBar *>()->isVisible());
    driver.cancelDownload();

    QVERIFY(driver.isIdle());
    QVERIFY(!driver.widget("openBtn")->isVisible());
    QVERIFY(!driver.widget("saveBtn")->isVisible());
    QVERIFY2(noModalDialogFor(300), "no save flow after a cancel");
}

void TestDownload::cancelWhileReceivingKeepsTheData()
{
    QSettings().setValue(SettingsKeys::deviceReadTimeout, 3000);
    TesterSimulator tester;
    tester.start(
        TesterSimulator::Script::replying({chunk("first part\r\n"), chunk("late part\r\n", 8000)}));
    WindowDriver driver(tester.portName());

    driver.button("downloadBtn")->click();
    QTRY_COMPARE_WITH_TIMEOUT(driver.paneText(), QStringLiteral("first part\n"), 5000);
    driver.cancelDownload();

    QVERIFY(driver.isIdle());
    QVERIFY(driver.widget("openBtn")->isVisible());
    QVERIFY(driver.widget("saveBtn")->isVisible());
    QVERIFY2(noModalDialogFor(300), "no save flow after a cancel");
}

void TestDownload::pauseLongerThanReadTimeOutEndsTheTransfer()
{
    TesterSimulator tester;
    tester.start(TesterSimulator::Script::replying(
        {chunk("before the pause\r\n"), chunk("after the pause\r\n", 700)}));
    WindowDriver driver(tester.portName());

    QVERIFY(driver.downloadUntilSaveDialog());

    QCOMPARE(driver.paneText(), QStringLiteral("before the pause\n"));
}

void TestDownload::hangUpMidReplyKeepsWhatArrived()
{
    QSettings().setValue(SettingsKeys::deviceReadTimeout, 300);
    TesterSimulator tester;
    TesterSimulator::Script script = TesterSimulator::Script::replying(
        {chunk("1;612.4\r\n2;598.0\r\n"), chunk("never sent\r\n", 2000)});
    script.hangUpAfterChunk = 0;
    tester.start(script);
    WindowDriver driver(tester.portName());

    QVERIFY(driver.downloadUntilSaveDialog());

    QVERIFY(tester.hasHungUp());
    QCOMPARE(driver.paneText(), QStringLiteral("1;612.4\n2;598.0\n"));
    QVERIFY(driver.widget("saveBtn")->isVisible());
}

void TestDownload::unusableReadTimeOutIsReplacedBy110_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::newRow("text") << QVariant(QStringLiteral("soon"));
    QTest::newRow("too large for an int") << QVariant(QStringLiteral("2147483648"));
    QTest::newRow("zero") << QVariant(0);
}

void TestDownload::unusableReadTimeOutIsReplacedBy110()
{
    QFETCH(QVariant, stored);
    QSettings().setValue(SettingsKeys::deviceReadTimeout, stored);
    TesterSimulator tester;
    tester.start(TesterSimulator::Script::replying({chunk("data\r\n")}));
    WindowDriver driver(tester.portName());

    QVERIFY(driver.downloadUntilSaveDialog());

    QCOMPARE(QSettings().value(SettingsKeys::deviceReadTimeout), QVariant(110));
}

void TestDownload::closingTheWindowDuringADownloadEndsIt()
{
    TesterSimulator tester;
    tester.start(TesterSimulator::Script::replying({chunk("part\r\n"), chunk("rest\r\n", 5000)}));
    WindowDriver driver(tester.portName());

    driver.button("downloadBtn")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!driver.paneText().isEmpty(), 5000);
    driver.window()->close();
    driver.destroyWindow();

    // The port is free again: the window's device closed it.
    Ow::WinSerialDevice next(tester.portName());
    QVERIFY(next.open(QIODevice::ReadWrite, 110, 110));
}

void TestDownload::longReadTimeOutDelaysNeitherCommandsNorCancel()
{
    QSettings().setValue(SettingsKeys::deviceReadTimeout, 20000);
    TesterSimulator tester;
    tester.start(TesterSimulator::Script::replying({}));
    WindowDriver driver(tester.portName());

    driver.button("downloadBtn")->click();
    QTRY_COMPARE_WITH_TIMEOUT(tester.received(), commands, 1000);
    QTest::qWait(QApplication::doubleClickInterval());
    QElapsedTimer cancelling;
    cancelling.start();
    driver.button("cancelBtn")->click();

    QVERIFY2(cancelling.elapsed() < 1000, qPrintable(QString::number(cancelling.elapsed())));
    QVERIFY(driver.isIdle());
}

void TestDownload::saveDialogFollowsOneReadTimeOutAfterTheLastByte()
{
    const int readTimeout = 2000;
    QSettings().setValue(SettingsKeys::deviceReadTimeout, readTimeout);
    TesterSimulator tester;
    tester.start(TesterSimulator::Script::replying({chunk("1;612.4\r\n")}));
    WindowDriver driver(tester.portName());
    qint64 lastByte = -1;
    connect(driver.window()->findChild<QPlainTextEdit *>("outputTextEdit"),
            &QPlainTextEdit::textChanged, [&]() { lastByte = driver.elapsed(); });

    QVERIFY(driver.downloadUntilSaveDialog());

    const qint64 quiet = driver.saveDialogAt() - lastByte;
    QVERIFY2(quiet > readTimeout - 100 && quiet < readTimeout + 1000,
             qPrintable(QString::number(quiet)));
}

// A reply far faster than the pane takes it: the pane takes the backlog in parts, so the
// window keeps its event loop turning, and the quiet line that comes meanwhile ends nothing
// before the pane has caught up.
void TestDownload::largeBacklogGoesIntoThePaneInPartsAndNothingIsLost()
{
    const QByteArray reply = QByteArray("1;06.12.2026;14:02:11;612.4;8.91;OK\r\n").repeated(400000);
    TesterSimulator tester;
    tester.start(TesterSimulator::Script::replying({chunk(reply)}));
    WindowDriver driver(tester.portName());
    auto *pane = driver.window()->findChild<QPlainTextEdit *>("outputTextEdit");
    int largestInsert = 0;
    connect(pane->document(), &QTextDocument::contentsChange,
            [&](int, int, int added) { largestInsert = qMax(largestInsert, added); });
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("reply.txt"));

    QVERIFY(driver.downloadUntilSaveDialog(path));
    QVERIFY(allModalAnswersGiven());

    QVERIFY2(largestInsert <= 64 * 1024, qPrintable(QString::number(largestInsert)));
    QVERIFY(contentsOf(path) == reply);
    QCOMPARE(pane->toPlainText().size(), reply.size() - reply.count('\r'));
    // Read-only: an undo history would only multiply the memory a large reply takes.
    QCOMPARE(pane->document()->availableUndoSteps(), 0);
}

void TestDownload::doubleClickOnDownloadDoesNotCancel()
{
    TesterSimulator tester;
    tester.start(TesterSimulator::Script::replying({}));
    WindowDriver driver(tester.portName());
    QSignalSpy cancelClicks(driver.button("cancelBtn"), SIGNAL(clicked()));

    // The second click comes while the window sleeps connecting, where Cancel now is.
    driver.queueClickAt("downloadBtn");
    driver.button("downloadBtn")->click();
    QTRY_COMPARE(cancelClicks.count(), 1);

    QVERIFY(!driver.isIdle());
    QTRY_COMPARE_WITH_TIMEOUT(tester.received(), commands, 2000);
    driver.cancelDownload();
    QVERIFY(driver.isIdle());
}

void TestDownload::clickOnDownloadAsTheTransferEndsDoesNotRestartIt()
{
    const QByteArray reply("1;612.4\r\n");
    TesterSimulator tester;
    tester.start(TesterSimulator::Script::replying({chunk(reply)}));
    WindowDriver driver(tester.portName());
    // The click arrives just as Download shows again, before the save dialog opens.
    ShowWatcher clickWhenShown([&driver]() { driver.queueClickAt("downloadBtn"); });
    driver.button("downloadBtn")->installEventFilter(&clickWhenShown);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("reply.txt"));

    QVERIFY(driver.downloadUntilSaveDialog(path));
    driver.button("downloadBtn")->removeEventFilter(&clickWhenShown);
    QVERIFY(allModalAnswersGiven());

    QCOMPARE(contentsOf(path), reply);
    QTest::qWait(200);
    QCOMPARE(tester.received(), commands);
    QVERIFY(driver.isIdle());
}

QTEST_MAIN(TestDownload)
#include "tst_download.moc"
