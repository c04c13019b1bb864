#include "serial/winserialdevice.h"
#include "serial/winserialdeviceasync.h"
#include "serial/workerthread.h"
#include "tests/serial/standarderrorcapture.h"
#include "tests/support/testersimulator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMutex>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <atomic>
#include <thread>

using Ow::WinSerialDeviceAsync;

// The asynchronous device and its reader thread against the tester simulator.
class TestWinSerialDeviceAsync : public QObject
{
    Q_OBJECT

private slots:
    void queuedCommandsReachTesterInOrderAndAreReported();
    void chunksArriveAsReadyReadOnGuiThreadWithoutWaitingForTimeOut();
    void partialReadsKeepTheRest();
    void quietLineTimesOutAboutOncePerTimeout_data();
    void quietLineTimesOutAboutOncePerTimeout();
    void effectiveReadTimeout_data();
    void effectiveReadTimeout();
    void secondOpenFailsAndLeavesTransferAlone();
    void closeIsPromptWhateverTheReadTimeOutAndFreesThePort();
    void hangUpKeepsBytesAndDoesNotSpin();
    void failedWritePassDoesNotResendWhatWasSent();
    void queueingDoesNotWaitForAPassOnAStuckLine();
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
            if (QThread::currentThread() != QCoreApplication::instance()->thread())
                onOtherThread = true;
            const QByteArray chunk = device->readAll();
            if (chunk.isEmpty())
                ++emptyReads;
            bytes += chunk;
        });
    }

    QByteArray bytes;
    int emptyReads = 0;
    bool onOtherThread = false;
};

int countTimeOutsDuring(WinSerialDeviceAsync *device, int windowMs)
{
    QSignalSpy spy(device, SIGNAL(readTimeOut()));
    QTest::qWait(windowMs);
    return spy.count();
}

// A port that takes at most four bytes per write, fails every third write and stays quiet;
// or, stuck, takes nothing and has every write wait a while.
class FlakyPort : public QIODevice
{
public:
    explicit FlakyPort(bool stuck = false) : stuck(stuck)
    {
        open(QIODevice::ReadWrite | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }

    QByteArray sent() const
    {
        QMutexLocker locker(&mutex);
        return received;
    }

protected:
    qint64 readData(char *, qint64) override
    {
        QThread::msleep(20);
        return 0;
    }
    qint64 writeData(const char *data, qint64 size) override
    {
        if (stuck) {
            QThread::msleep(20);
            return 0;
        }
        QMutexLocker locker(&mutex);
        if (++writes % 3 == 0)
            return -1;
        const qint64 count = qMin<qint64>(size, 4);
        received.append(data, int(count));
        return count;
    }

private:
    const bool stuck;
    mutable QMutex mutex;
    QByteArray received;
    int writes = 0;
};

} // namespace

void TestWinSerialDeviceAsync::queuedCommandsReachTesterInOrderAndAreReported()
{
    TesterSimulator tester;
    TesterSimulator::Script script;
    script.reply = {{0, "ok\r\n"}};
    tester.start(script);
    WinSerialDeviceAsync device(nullptr, tester.portName());
    QSignalSpy written(&device, SIGNAL(bytesWritten(qint64)));
    Consumer consumer(&device);
    // Queued while the reader waits on a quiet line: the long read time-out must not delay them.
    QVERIFY(device.open(QIODevice::ReadWrite, 20000));
    QTest::qWait(100);

    QCOMPARE(device.write("SYST:REM\r\n"), qint64(0));
    QCOMPARE(device.write("MEM:DATA? ALL\r\n"), qint64(0));
    QVERIFY(tester.waitUntilFinished(1000));
    QCOMPARE(tester.received(), QByteArray("SYST:REM\r\nMEM:DATA? ALL\r\n"));
    QTRY_COMPARE(consumer.bytes, QByteArray("ok\r\n"));
    qint64 total = 0;
    for (const QList<QVariant> &arguments : written)
        total += arguments.at(0).toLongLong();
    QCOMPARE(total, qint64(25));
}

void TestWinSerialDeviceAsync::chunksArriveAsReadyReadOnGuiThreadWithoutWaitingForTimeOut()
{
    TesterSimulator tester;
    const QByteArray large = TesterSimulator::streamPattern(0, 5000);
    tester.start(replyOnOpen({{0, "alpha\r\n"}, {40, "beta\r\n"}, {40, large}}));
    WinSerialDeviceAsync device(nullptr, tester.portName());
    Consumer consumer(&device);
    QElapsedTimer timer;
    timer.start();
    QVERIFY(device.open(QIODevice::ReadWrite, 1500));

    const QByteArray expected = "alpha\r\nbeta\r\n" + large;
    QTRY_COMPARE_WITH_TIMEOUT(consumer.bytes.size(), expected.size(), 5000);
    // The tail of a burst is not held back for a read time-out.
    QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(consumer.bytes, expected);
    QVERIFY(!consumer.onOtherThread);
    // No signal storm: every readyRead finds bytes to take.
    QCOMPARE(consumer.emptyReads, 0);
}

void TestWinSerialDeviceAsync::partialReadsKeepTheRest()
{
    TesterSimulator tester;
    tester.start(replyOnOpen({{0, "ab\ncd"}}));
    WinSerialDeviceAsync device(nullptr, tester.portName());
    QVERIFY(device.open(QIODevice::ReadWrite, 110));
    QTRY_COMPARE(device.bytesAvailable(), qint64(5));

    QCOMPARE(device.read(2), QByteArray("ab"));
    QVERIFY(device.canReadLine());
    QCOMPARE(device.read(1), QByteArray("\n"));
    QVERIFY(!device.canReadLine());
    QCOMPARE(device.bytesAvailable(), qint64(2));
    QCOMPARE(device.readAll(), QByteArray("cd"));
    QVERIFY(device.atEnd());
    char buffer[16];
    QCOMPARE(device.read(buffer, sizeof buffer), qint64(0));
}

void TestWinSerialDeviceAsync::quietLineTimesOutAboutOncePerTimeout_data()
{
    QTest::addColumn<int>("readTimeout");
    QTest::addColumn<int>("fewest");
    QTest::addColumn<int>("most");
    // Counted over one second; the bounds are generous, spinning would give thousands.
    QTest::newRow("250 ms") << 250 << 2 << 5;
    QTest::newRow("0 ms means 110") << 0 << 4 << 11;
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
    QTest::newRow("one minute") << 60000 << 60000;
    QTest::newRow("just above a minute") << 60001 << 60000;
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

void TestWinSerialDeviceAsync::closeIsPromptWhateverTheReadTimeOutAndFreesThePort()
{
    TesterSimulator tester;
    WinSerialDeviceAsync device(nullptr, tester.portName());
    // A close right after open must not lose its stop to the starting reader (it would hang).
    for (int i = 0; i < 10; ++i) {
        QVERIFY(device.open(QIODevice::ReadWrite, 110));
        device.close();
    }

    QVERIFY(device.open(QIODevice::ReadWrite, 60000));
    QTest::qWait(120);
    QElapsedTimer timer;
    timer.start();
    device.close();
    QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(!device.isOpen());
    Ow::WinSerialDevice other(tester.portName());
    QVERIFY(other.open(QIODevice::ReadWrite, 110, 110));
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

void TestWinSerialDeviceAsync::failedWritePassDoesNotResendWhatWasSent()
{
    const QByteArray commands("SYST:REM\r\nMEM:DATA? ALL\r\n");
    FlakyPort port;
    Ow::WorkerThread reader(nullptr, &port);
    const auto stop = qScopeGuard([&reader] {
        reader.requestStop();
        reader.wait();
    });
    reader.queueWrite(commands.constData(), commands.size());
    reader.clearStopRequest();
    reader.start();
    QTRY_COMPARE(port.sent(), commands);
    QTest::qWait(100);
    QCOMPARE(port.sent(), commands);
}

void TestWinSerialDeviceAsync::queueingDoesNotWaitForAPassOnAStuckLine()
{
    FlakyPort port(true);
    Ow::WorkerThread reader(nullptr, &port);
    reader.queueWrite("SYST:REM\r\n", 10);
    reader.clearStopRequest();
    reader.start();
    QTest::qWait(50);

    // From another thread, so that a queue held by the pass cannot hang the test itself.
    std::atomic<bool> queued{false};
    std::thread gui([&]() {
        reader.queueWrite("MEM:DATA? ALL\r\n", 15);
        queued = true;
    });
    const bool prompt = QTest::qWaitFor([&]() { return queued.load(); }, 1000);
    reader.requestStop();
    reader.wait();
    gui.join();
    QVERIFY(prompt);
}

QTEST_GUILESS_MAIN(TestWinSerialDeviceAsync)
#include "tst_winserialdeviceasync.moc"
