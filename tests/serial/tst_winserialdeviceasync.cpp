#include "serial/winserialdevice.h"
#include "serial/winserialdeviceasync.h"
#include "serial/workerthread.h"
#include "tests/support/testersimulator.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <thread>

using Ow::WinSerialDeviceAsync;

// The asynchronous device and its reader thread.
class TestWinSerialDeviceAsync : public QObject
{
    Q_OBJECT

private slots:
    void roundTripIsQueuedPromptAndAnnounced();
    void quietLineTimesOutOncePerReadTimeOut_data();
    void quietLineTimesOutOncePerReadTimeOut();
    void writePassNeitherResendsNorHoldsTheQueue();
};

namespace {

const QByteArray commands("SYST:REM\r\nMEM:DATA? ALL\r\n");

// Takes at most four bytes per write and fails every third; or, stuck, takes nothing.
class FlakyPort : public QIODevice
{
public:
    explicit FlakyPort(bool stuck) : stuck(stuck) { open(ReadWrite | Unbuffered); }
    bool isSequential() const override { return true; }
    QByteArray sent() const
    {
        QMutexLocker locker(&mutex);
        return taken;
    }

protected:
    qint64 readData(char *, qint64) override { return QThread::msleep(20), 0; }
    qint64 writeData(const char *data, qint64 size) override
    {
        QThread::msleep(stuck ? 20 : 0);
        QMutexLocker locker(&mutex);
        if (stuck || ++writes % 3 == 0)
            return stuck ? 0 : -1;
        taken.append(data, int(qMin<qint64>(size, 4)));
        return qMin<qint64>(size, 4);
    }

private:
    const bool stuck;
    mutable QMutex mutex;
    QByteArray taken;
    int writes = 0;
};

} // namespace

void TestWinSerialDeviceAsync::roundTripIsQueuedPromptAndAnnounced()
{
    TesterSimulator tester;
    tester.start(TesterSimulator::Script::replying({{0, "ab\ncd"}}));
    WinSerialDeviceAsync device(nullptr, tester.portName());
    QSignalSpy written(&device, SIGNAL(bytesWritten(qint64)));
    QSignalSpy arrived(&device, SIGNAL(readyRead()));
    QVERIFY(device.open(QIODevice::ReadWrite, 20000));
    QVERIFY(!device.open(QIODevice::ReadWrite, 20000)); // running already
    QTest::qWait(100);
    // Queued while the reader waits on the quiet line: the long time-out must not delay them.
    QCOMPARE(device.write(commands), qint64(0));
    QVERIFY(tester.waitUntilFinished(1000));
    QCOMPARE(tester.received(), commands);
    QTRY_COMPARE(device.bytesAvailable(), qint64(5));
    QTRY_COMPARE(written.count(), 1);
    QCOMPARE(written.at(0).at(0).toLongLong(), qint64(commands.size()));
    QTRY_COMPARE(arrived.count(), 1); // one announcement for bytes taken in one go
    QCOMPARE(device.read(2), QByteArray("ab"));
    QVERIFY(device.canReadLine());
    QCOMPARE(device.read(1), QByteArray("\n"));
    QVERIFY(!device.canReadLine());
    QCOMPARE(device.readAll(), QByteArray("cd"));
    QVERIFY(device.atEnd());

    QElapsedTimer closing;
    closing.start();
    device.close();
    QVERIFY2(closing.elapsed() < 1000, qPrintable(QString::number(closing.elapsed())));
    QVERIFY(Ow::WinSerialDevice(tester.portName()).open(QIODevice::ReadWrite, 110, 110));
}

void TestWinSerialDeviceAsync::quietLineTimesOutOncePerReadTimeOut_data()
{
    QTest::addColumn<int>("readTimeout");
    QTest::addColumn<int>("fewest"); // in one second; a spinning reader gives thousands
    QTest::addColumn<int>("most");
    QTest::newRow("250 ms") << 250 << 2 << 5;
    QTest::newRow("0 ms means 110") << 0 << 4 << 11;
    QTest::newRow("hung up, 100 ms") << -100 << 4 << 12;
}

void TestWinSerialDeviceAsync::quietLineTimesOutOncePerReadTimeOut()
{
    QFETCH(int, readTimeout);
    QFETCH(int, fewest);
    QFETCH(int, most);
    TesterSimulator tester;
    TesterSimulator::Script script = TesterSimulator::Script::replying({{0, "kept"}});
    script.hangUpAfterChunk = readTimeout < 0 ? 0 : -1;
    tester.start(script);
    WinSerialDeviceAsync device(nullptr, tester.portName());
    for (int i = 0; i < 10; ++i) { // a close right after open must not hang
        QVERIFY(device.open(QIODevice::ReadWrite, qAbs(readTimeout)));
        device.close();
    }
    QVERIFY(device.open(QIODevice::ReadWrite, qAbs(readTimeout)));
    device.write(commands);
    QTRY_COMPARE(device.bytesAvailable(), qint64(4));
    QTest::qWait(qAbs(readTimeout) + 100);
    QSignalSpy timeOuts(&device, SIGNAL(readTimeOut()));
    QTest::qWait(1000);
    QVERIFY2(timeOuts.count() >= fewest && timeOuts.count() <= most,
             qPrintable(QString::number(timeOuts.count())));
    QCOMPARE(device.readAll(), QByteArray("kept"));
}

void TestWinSerialDeviceAsync::writePassNeitherResendsNorHoldsTheQueue()
{
    for (bool stuck : {false, true}) {
        FlakyPort port(stuck);
        Ow::WorkerThread reader(nullptr, &port);
        reader.queueWrite(commands.constData(), commands.size());
        reader.clearStopRequest();
        reader.start();
        QTest::qWait(100);
        std::atomic<bool> queued{false}; // on its own thread: a held queue cannot hang the test
        std::thread gui([&] { reader.queueWrite("!", 1), queued = true; });
        const bool prompt = QTest::qWaitFor([&] { return queued.load(); }, 1000);
        reader.requestStop();
        reader.wait();
        gui.join();
        QVERIFY(prompt);
        QCOMPARE(port.sent(), stuck ? QByteArray() : commands + "!");
    }
}

QTEST_GUILESS_MAIN(TestWinSerialDeviceAsync)
#include "tst_winserialdeviceasync.moc"
