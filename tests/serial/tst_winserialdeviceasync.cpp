#include "serial/winserialdevice.h"
#include "serial/winserialdeviceasync.h"
#include "tests/serial/standarderrorcapture.h"
#include "tests/support/testersimulator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMetaMethod>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <climits>

using Ow::WinSerialDeviceAsync;

// The asynchronous device and its reader thread against the tester simulator.
class TestWinSerialDeviceAsync : public QObject
{
    Q_OBJECT

private slots:
    void metaObjectsNameTheirClassesAndSignals();
    void quietDeviceReadsZeroAndIsAtEnd();
    void queuedCommandsReachTesterInOrder();
    void chunksArriveAsReadyReadOnGuiThread();
    void readyReadWaitsUntilGuiTakesBytes();
    void burstTailArrivesWithoutWaitingForTimeOut();
    void partialReadsKeepTheRest();
    void quietLineTimesOutAboutOncePerTimeout_data();
    void quietLineTimesOutAboutOncePerTimeout();
    void effectiveReadTimeout_data();
    void effectiveReadTimeout();
    void secondOpenFailsAndLeavesTransferAlone();
    void closeDuringQuietLineReturnsWithinAboutOneTimeout();
    void closeWhenNotRunningDoesNothing();
    void waitsPassAtOnceWhenNotRunningAndTimeOutOnQuietLine();
    void hangUpKeepsBytesAndDoesNotSpin();
    void reopenStartsWithEmptyBuffer();
    void destroyingRunningDeviceFreesPort();
};

namespace {

TesterSimulator::Script replyOnOpen(const QList<TesterSimulator::Chunk> &reply)
{
    TesterSimulator::Script script;
    script.waitForCommands = false;
    script.reply = reply;
    return script;
}

// Collects what readyRead delivers, and on which thread.
struct Consumer
{
    explicit Consumer(WinSerialDeviceAsync *device)
    {
        QObject::connect(device, &QIODevice::readyRead, device, [this, device] {
            ++signalCount;
            if (QThread::currentThread() != QCoreApplication::instance()->thread())
                onOtherThread = true;
            const QByteArray chunk = device->readAll();
            if (chunk.isEmpty())
                ++emptyReads;
            bytes += chunk;
        });
    }

    QByteArray bytes;
    int signalCount = 0;
    int emptyReads = 0;
    bool onOtherThread = false;
};

int countTimeOutsDuring(WinSerialDeviceAsync *device, int windowMs)
{
    QSignalSpy spy(device, SIGNAL(readTimeOut()));
    QTest::qWait(windowMs);
    return spy.count();
}

int closeLinesDuring(const std::function<void()> &action)
{
    static int count;
    count = 0;
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &text) {
            if (text == QLatin1String("Win32SerialDevice::close()"))
                ++count;
        });
    action();
    qInstallMessageHandler(previous);
    return count;
}

} // namespace

void TestWinSerialDeviceAsync::metaObjectsNameTheirClassesAndSignals()
{
    WinSerialDeviceAsync device(nullptr, QStringLiteral("ttyLumetraMissing0"));
    const QMetaObject *meta = device.metaObject();
    QCOMPARE(meta->className(), "Ow::WinSerialDeviceAsync");
    QCOMPARE(meta->methodCount() - meta->methodOffset(), 1);
    QCOMPARE(meta->method(meta->methodOffset()).methodSignature(), QByteArray("readTimeOut()"));

    auto *thread = device.findChild<QThread *>();
    QVERIFY(thread);
    const QMetaObject *threadMeta = thread->metaObject();
    QCOMPARE(threadMeta->className(), "Ow::WorkerThread");
    QStringList signatures;
    for (int i = threadMeta->methodOffset(); i < threadMeta->methodCount(); ++i)
        signatures << threadMeta->method(i).methodSignature();
    QCOMPARE(signatures, QStringList({"readyRead()", "readTimeOut()", "bytesWritten(qlonglong)"}));
}

void TestWinSerialDeviceAsync::quietDeviceReadsZeroAndIsAtEnd()
{
    TesterSimulator tester;
    WinSerialDeviceAsync device(nullptr, tester.portName());
    QVERIFY(device.open(QIODevice::ReadWrite, 110));
    QVERIFY(device.isSequential());
    char buffer[16];
    QCOMPARE(device.read(buffer, sizeof buffer), qint64(0));
    QVERIFY(device.atEnd());
    QCOMPARE(device.bytesAvailable(), qint64(0));
    QVERIFY(!device.canReadLine());
}

void TestWinSerialDeviceAsync::queuedCommandsReachTesterInOrder()
{
    TesterSimulator tester;
    TesterSimulator::Script script;
    script.reply = {{0, "ok\r\n"}};
    tester.start(script);
    WinSerialDeviceAsync device(nullptr, tester.portName());
    QSignalSpy written(&device, SIGNAL(bytesWritten(qint64)));
    Consumer consumer(&device);
    QVERIFY(device.open(QIODevice::ReadWrite, 110));

    QCOMPARE(device.write("SYST:REM\r\n"), qint64(0));
    QCOMPARE(device.write("MEM:DATA? ALL\r\n"), qint64(0));
    QVERIFY(tester.waitUntilFinished(5000));
    QCOMPARE(tester.received(), QByteArray("SYST:REM\r\nMEM:DATA? ALL\r\n"));
    QTRY_COMPARE(consumer.bytes, QByteArray("ok\r\n"));
    qint64 total = 0;
    for (const QList<QVariant> &arguments : written)
        total += arguments.at(0).toLongLong();
    QCOMPARE(total, qint64(25));
}

void TestWinSerialDeviceAsync::chunksArriveAsReadyReadOnGuiThread()
{
    TesterSimulator tester;
    const QByteArray large = TesterSimulator::streamPattern(0, 5000);
    tester.start(replyOnOpen({{0, "alpha\r\n"}, {40, "beta\r\n"}, {40, large}}));
    WinSerialDeviceAsync device(nullptr, tester.portName());
    Consumer consumer(&device);
    QVERIFY(device.open(QIODevice::ReadWrite, 110));

    const QByteArray expected = "alpha\r\nbeta\r\n" + large;
    QTRY_COMPARE_WITH_TIMEOUT(consumer.bytes.size(), expected.size(), 5000);
    QCOMPARE(consumer.bytes, expected);
    QVERIFY(!consumer.onOtherThread);
    // No signal storm: every readyRead finds bytes to take.
    QCOMPARE(consumer.emptyReads, 0);
}

void TestWinSerialDeviceAsync::readyReadWaitsUntilGuiTakesBytes()
{
    TesterSimulator tester;
    tester.start(replyOnOpen({{0, "a"}, {60, "b"}, {60, "c"}, {400, "d"}}));
    WinSerialDeviceAsync device(nullptr, tester.portName());
    QSignalSpy announced(&device, SIGNAL(readyRead()));
    QVERIFY(device.open(QIODevice::ReadWrite, 110));

    // Three chunks, one signal: the first is still waiting for the GUI to take bytes.
    QTRY_COMPARE(device.bytesAvailable(), qint64(3));
    QCOMPARE(announced.count(), 1);
    QCOMPARE(device.readAll(), QByteArray("abc"));
    QTRY_COMPARE_WITH_TIMEOUT(announced.count(), 2, 3000);
    QCOMPARE(device.readAll(), QByteArray("d"));
}

void TestWinSerialDeviceAsync::burstTailArrivesWithoutWaitingForTimeOut()
{
    TesterSimulator tester;
    const QByteArray burst = TesterSimulator::streamPattern(0, 1500);
    tester.start(replyOnOpen({{0, burst}}));
    WinSerialDeviceAsync device(nullptr, tester.portName());
    Consumer consumer(&device);
    QElapsedTimer timer;
    timer.start();
    QVERIFY(device.open(QIODevice::ReadWrite, 1500));
    QTRY_COMPARE_WITH_TIMEOUT(consumer.bytes.size(), burst.size(), 5000);
    QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(consumer.bytes, burst);
}

void TestWinSerialDeviceAsync::partialReadsKeepTheRest()
{
    TesterSimulator tester;
    tester.start(replyOnOpen({{0, "ab\ncd"}}));
    WinSerialDeviceAsync device(nullptr, tester.portName());
    QVERIFY(device.open(QIODevice::ReadWrite, 110));
    QTRY_COMPARE(device.bytesAvailable(), qint64(5));

    QVERIFY(device.canReadLine());
    QCOMPARE(device.read(2), QByteArray("ab"));
    QCOMPARE(device.bytesAvailable(), qint64(3));
    QVERIFY(!device.atEnd());
    QVERIFY(device.canReadLine());
    QCOMPARE(device.read(1), QByteArray("\n"));
    QVERIFY(!device.canReadLine());
    QCOMPARE(device.readAll(), QByteArray("cd"));
    QVERIFY(device.atEnd());
    QCOMPARE(device.bytesAvailable(), qint64(0));
}

void TestWinSerialDeviceAsync::quietLineTimesOutAboutOncePerTimeout_data()
{
    QTest::addColumn<int>("readTimeout");
    QTest::addColumn<int>("fewest");
    QTest::addColumn<int>("most");
    // Counted over one second; the bounds are generous, spinning would give thousands.
    QTest::newRow("100 ms") << 100 << 4 << 12;
    QTest::newRow("0 ms means 110") << 0 << 4 << 11;
    QTest::newRow("negative means 110") << -20 << 4 << 11;
    QTest::newRow("250 ms") << 250 << 2 << 5;
}

void TestWinSerialDeviceAsync::quietLineTimesOutAboutOncePerTimeout()
{
    QFETCH(int, readTimeout);
    QFETCH(int, fewest);
    QFETCH(int, most);
    TesterSimulator tester;
    WinSerialDeviceAsync device(nullptr, tester.portName());
    QVERIFY(device.open(QIODevice::ReadWrite, readTimeout));
    QTest::qWait(50);
    const int count = countTimeOutsDuring(&device, 1000);
    QVERIFY2(count >= fewest && count <= most, qPrintable(QString::number(count)));
}

void TestWinSerialDeviceAsync::effectiveReadTimeout_data()
{
    QTest::addColumn<int>("requested");
    QTest::addColumn<int>("used");
    QTest::newRow("negative") << -1 << 110;
    QTest::newRow("zero") << 0 << 110;
    QTest::newRow("one") << 1 << 1;
    QTest::newRow("default") << 110 << 110;
    QTest::newRow("one minute") << 60000 << 60000;
    QTest::newRow("just above a minute") << 60001 << 60000;
    QTest::newRow("largest int") << INT_MAX << 60000;
}

void TestWinSerialDeviceAsync::effectiveReadTimeout()
{
    QFETCH(int, requested);
    QFETCH(int, used);
    QCOMPARE(WinSerialDeviceAsync::effectiveReadTimeout(requested), used);
}

void TestWinSerialDeviceAsync::secondOpenFailsAndLeavesTransferAlone()
{
    TesterSimulator tester;
    tester.start(replyOnOpen({{0, "one "}, {150, "two "}, {150, "three"}}));
    WinSerialDeviceAsync device(nullptr, tester.portName());
    Consumer consumer(&device);
    QVERIFY(device.open(QIODevice::ReadWrite, 110));
    QTRY_VERIFY(!consumer.bytes.isEmpty());

    QVERIFY(!device.open(QIODevice::ReadWrite, 110));
    QVERIFY(device.isOpen());
    QTRY_COMPARE_WITH_TIMEOUT(consumer.bytes, QByteArray("one two three"), 5000);
}

void TestWinSerialDeviceAsync::closeDuringQuietLineReturnsWithinAboutOneTimeout()
{
    TesterSimulator tester;
    auto *device = new WinSerialDeviceAsync(nullptr, tester.portName());
    QSignalSpy closing(device, SIGNAL(aboutToClose()));
    QVERIFY(device->open(QIODevice::ReadWrite, 500));
    QTest::qWait(120);

    QElapsedTimer timer;
    timer.start();
    device->close();
    QVERIFY2(timer.elapsed() < 1200, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(!device->isOpen());
    QCOMPARE(closing.count(), 1);
    QVERIFY(!device->findChild<QThread *>()->isRunning());
    // The port is released.
    Ow::WinSerialDevice other(tester.portName());
    QVERIFY(other.open(QIODevice::ReadWrite, 110, 110));
    delete device;
}

void TestWinSerialDeviceAsync::closeWhenNotRunningDoesNothing()
{
    WinSerialDeviceAsync device(nullptr, QStringLiteral("ttyLumetraMissing0"));
    QSignalSpy closing(&device, SIGNAL(aboutToClose()));
    QCOMPARE(closeLinesDuring([&device] { device.close(); }), 0);
    QCOMPARE(closing.count(), 0);

    TesterSimulator tester;
    WinSerialDeviceAsync closed(nullptr, tester.portName());
    QVERIFY(closed.open(QIODevice::ReadWrite, 110));
    QCOMPARE(closeLinesDuring([&closed] { closed.close(); }), 1);
    QCOMPARE(closeLinesDuring([&closed] { closed.close(); }), 0);
}

void TestWinSerialDeviceAsync::waitsPassAtOnceWhenNotRunningAndTimeOutOnQuietLine()
{
    TesterSimulator tester;
    WinSerialDeviceAsync device(nullptr, tester.portName());
    QVERIFY(device.waitForReadyRead(0));
    QVERIFY(device.waitForBytesWritten(0));

    QVERIFY(device.open(QIODevice::ReadWrite, 1000));
    QTest::qWait(50);
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!device.waitForReadyRead(200));
    QVERIFY(!device.waitForBytesWritten(200));
    QVERIFY2(timer.elapsed() >= 390, qPrintable(QString::number(timer.elapsed())));
}

void TestWinSerialDeviceAsync::hangUpKeepsBytesAndDoesNotSpin()
{
    TesterSimulator tester;
    TesterSimulator::Script script = replyOnOpen({{0, "first "}, {30, "second"}});
    script.hangUpAfterChunk = 1;
    tester.start(script);
    QByteArray written;
    int timeOuts = 0;
    {
        StandardErrorCapture capture;
        WinSerialDeviceAsync device(nullptr, tester.portName());
        Consumer consumer(&device);
        QVERIFY(device.open(QIODevice::ReadWrite, 100));
        QVERIFY(tester.waitUntilFinished(5000));
        QVERIFY(tester.hasHungUp());
        QTRY_COMPARE(consumer.bytes, QByteArray("first second"));

        timeOuts = countTimeOutsDuring(&device, 1000);
        device.close();
        QCOMPARE(consumer.bytes, QByteArray("first second"));
        written = capture.text();
    }
    QVERIFY2(timeOuts >= 4 && timeOuts <= 12, qPrintable(QString::number(timeOuts)));
    QCOMPARE(written, QByteArray("Win32SerialDevice::readData failed with error: 1167"));
}

void TestWinSerialDeviceAsync::reopenStartsWithEmptyBuffer()
{
    TesterSimulator tester;
    tester.start(replyOnOpen({{0, "left behind"}}));
    WinSerialDeviceAsync device(nullptr, tester.portName());
    QVERIFY(device.open(QIODevice::ReadWrite, 110));
    QTRY_COMPARE(device.bytesAvailable(), qint64(11));
    device.close();
    QCOMPARE(device.bytesAvailable(), qint64(11));

    tester.start(replyOnOpen({{100, "fresh"}}));
    QVERIFY(device.open(QIODevice::ReadWrite, 110));
    QTRY_COMPARE(device.bytesAvailable(), qint64(5));
    QCOMPARE(device.readAll(), QByteArray("fresh"));
}

void TestWinSerialDeviceAsync::destroyingRunningDeviceFreesPort()
{
    TesterSimulator tester;
    tester.start(replyOnOpen({}));
    auto *device = new WinSerialDeviceAsync(nullptr, tester.portName());
    QVERIFY(device->open(QIODevice::ReadWrite, 200));
    QCOMPARE(device->write("SYST:REM\r\n"), qint64(0));
    QTRY_COMPARE(tester.received(), QByteArray("SYST:REM\r\n"));
    QCOMPARE(closeLinesDuring([device] { delete device; }), 2);

    Ow::WinSerialDevice other(tester.portName());
    QVERIFY(other.open(QIODevice::ReadWrite, 110, 110));
}

QTEST_GUILESS_MAIN(TestWinSerialDeviceAsync)
#include "tst_winserialdeviceasync.moc"
