#include "serial/commapi.h"
#include "serial/portsettings.h"
#include "serial/winserialdevice.h"
#include "serial/winserialdeviceasync.h"
#include "serial/workerthread.h"
#include "tests/support/testersimulator.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <atomic>
#include <functional>
#include <iterator>
#include <thread>
#include <type_traits>
#include <unistd.h>

using Ow::PortSettings;
using Ow::WinSerialDevice;
using Ow::WinSerialDeviceAsync;

// The serial layer: the line settings record, the device and the comm API beneath it
// over real pseudo-terminals, and the asynchronous device with its reader thread.
class TestSerialLayer : public QObject
{
    Q_OBJECT

private slots:
    void memberOwnsItsChangeBitAndItsBits_data();
    void memberOwnsItsChangeBitAndItsBits();
    void openFollowsTheNameAndReportsTheSystemCode_data();
    void openFollowsTheNameAndReportsTheSystemCode();
    void readsWaitForTheFirstByteAndFailuresAreReportedOnce();
    void roundTripIsQueuedPromptAndAnnounced();
    void quietLineTimesOutOncePerReadTimeOut_data();
    void quietLineTimesOutOncePerReadTimeOut();
    void writePassNeitherResendsNorHoldsTheQueue();
};

namespace {

struct Member
{
    const char *name;
    int changeBit, offset, shift, bits; // the bits: byte offset in the image, first bit, count
    void (*set)(PortSettings &, quint32);
    quint32 (*get)(const PortSettings &);
    bool (*isChanged)(const PortSettings &);
};

// clang-format off
#define LDL_MEMBER(name, type, changeBit, offset, shift, bits)                                     \
    Member{#name, changeBit, offset, shift, bits,                                                  \
           [](PortSettings &s, quint32 v) { s.set##name(type(v)); },                               \
           [](const PortSettings &s) {                                                             \
               static_assert(std::is_same_v<decltype(s.get##name()), type>);                       \
               return quint32(std::make_unsigned_t<type>(s.get##name()));                          \
           },                                                                                      \
           [](const PortSettings &s) { return s.is##name##Changed(); }}

// The flags word lies at byte 8.
const Member members[] = {
    LDL_MEMBER(BaudRate, quint32, 0, 4, 0, 32),       LDL_MEMBER(FBinary, quint32, 1, 8, 0, 1),
    LDL_MEMBER(FParity, quint32, 2, 8, 1, 1),         LDL_MEMBER(FOutxCtsFlow, quint32, 3, 8, 2, 1),
    LDL_MEMBER(FOutxDsrFlow, quint32, 4, 8, 3, 1),    LDL_MEMBER(FDtrControl, quint32, 5, 8, 4, 2),
    LDL_MEMBER(FDsrSensitivity, quint32, 6, 8, 6, 1), LDL_MEMBER(FTXContinueOnXoff, quint32, 7, 8, 7, 1),
    LDL_MEMBER(FOutX, quint32, 8, 8, 8, 1),           LDL_MEMBER(FInX, quint32, 9, 8, 9, 1),
    LDL_MEMBER(FErrorChar, quint32, 10, 8, 10, 1),    LDL_MEMBER(FNull, quint32, 11, 8, 11, 1),
    LDL_MEMBER(FRtsControl, quint32, 12, 8, 12, 2),   LDL_MEMBER(FAbortOnError, quint32, 13, 8, 14, 1),
    LDL_MEMBER(XonLim, quint16, 16, 14, 0, 16),       LDL_MEMBER(XoffLim, quint16, 17, 16, 0, 16),
    LDL_MEMBER(ByteSize, quint8, 18, 18, 0, 8),       LDL_MEMBER(Parity, quint8, 19, 19, 0, 8),
    LDL_MEMBER(StopBits, quint8, 20, 20, 0, 8),       LDL_MEMBER(XonChar, char, 21, 21, 0, 8),
    LDL_MEMBER(XoffChar, char, 22, 22, 0, 8),         LDL_MEMBER(EvtChar, char, 25, 25, 0, 8)};
// clang-format on

QByteArray bytesOf(const DCB &dcb)
{
    return QByteArray(reinterpret_cast<const char *>(&dcb), int(sizeof dcb));
}

// The image with the member's bits set to value, from the layout alone.
QByteArray withMember(QByteArray image, const Member &member, quint32 value)
{
    for (int i = 0; i < member.bits; ++i) {
        const int at = 8 * member.offset + member.shift + i, bit = 1 << (at % 8);
        image[at / 8] = char((value >> i) & 1 ? image[at / 8] | bit : image[at / 8] & ~bit);
    }
    return image;
}

QByteArray appliedOver(QByteArray driver, const PortSettings &settings)
{
    settings.applyTo(reinterpret_cast<DCB *>(driver.data()));
    return driver;
}

const QByteArray commands("SYST:REM\r\nMEM:DATA? ALL\r\n");

// What the action writes to standard error.
QByteArray standardErrorOf(const std::function<void()> &action)
{
    QTemporaryFile file;
    file.open();
    const int saved = ::dup(STDERR_FILENO);
    ::dup2(file.handle(), STDERR_FILENO);
    action();
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    file.seek(0);
    return file.readAll();
}

// Writes give up after their constant alone; a read may wait for its first byte without
// limit, which a serial driver refuses.
class HookedDevice : public WinSerialDevice
{
public:
    HookedDevice(const QString &name, bool unlimitedRead)
        : WinSerialDevice(name), unlimited(unlimitedRead)
    {}

private:
    void adjustTimeouts(COMMTIMEOUTS *timeouts) override
    {
        timeouts->WriteTotalTimeoutMultiplier = 0;
        timeouts->ReadTotalTimeoutConstant =
            unlimited ? MAXDWORD : timeouts->ReadTotalTimeoutConstant;
    }
    const bool unlimited;
};

// Takes at most four bytes per write and fails every third; or, stuck, takes nothing.
class FlakyPort : public QIODevice
{
public:
    explicit FlakyPort(bool stuck) : stuck(stuck) { open(ReadWrite | Unbuffered); }
    bool isSequential() const override { return true; }
    QByteArray taken; // read once the reader has ended

protected:
    qint64 readData(char *, qint64) override { return QThread::msleep(20), 0; }
    qint64 writeData(const char *data, qint64 size) override
    {
        QThread::msleep(stuck ? 20 : 0);
        if (stuck || ++writes % 3 == 0)
            return stuck ? 0 : -1;
        taken.append(data, int(qMin<qint64>(size, 4)));
        return qMin<qint64>(size, 4);
    }

private:
    const bool stuck;
    int writes = 0;
};

} // namespace

void TestSerialLayer::memberOwnsItsChangeBitAndItsBits_data()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < int(std::size(members)); ++i)
        QTest::newRow(members[i].name) << i;
}

void TestSerialLayer::memberOwnsItsChangeBitAndItsBits()
{
    QFETCH(int, index);
    const Member &member = members[index];
    const quint32 ones = member.bits == 32 ? ~0u : (1u << member.bits) - 1;
    QByteArray fresh(28, '\0'), driver(28, '\xFF');
    fresh[0] = 28;
    QCOMPARE(appliedOver(driver, PortSettings()), driver);

    PortSettings alone; // bits beyond the member's width are dropped
    member.set(alone, ~0u);
    QCOMPARE(member.get(alone), ones);
    QCOMPARE(alone.getChangedMask(), 1u << member.changeBit);
    QVERIFY(member.isChanged(alone));
    QCOMPARE(bytesOf(alone.image()), withMember(fresh, member, ones));

    PortSettings all; // set to zero among members all ones: the neighbours keep their bits
    for (const Member &other : members)
        other.set(all, ~0u);
    const QByteArray before = bytesOf(all.image());
    member.set(all, 0);
    QCOMPARE(bytesOf(all.image()), withMember(before, member, 0));
    QCOMPARE(all.getChangedMask(), 0x027F3FFFu);
    PortSettings zero;
    member.set(zero, 0);
    QCOMPARE(appliedOver(driver, zero), withMember(driver, member, 0));
}

void TestSerialLayer::openFollowsTheNameAndReportsTheSystemCode_data()
{
    QTest::addColumn<QString>("name"); // "@": the pseudo-terminal
    QTest::addColumn<int>("error");    // 0: opens, and holds the port alone
    QTest::newRow("name under /dev") << "@dev" << 0;
    QTest::newRow("already prefixed") << "\\\\.\\@" << 0;
    QTest::newRow("link, a path longer than 15") << "@link" << 0;
    QTest::newRow("missing port") << "ttyLumetraMissing0" << 2;
    QTest::newRow("empty name") << "" << 2;
    QTest::newRow("folder") << "@folder" << 5;
    QTest::newRow("held by another") << "@held" << 5;
    QTest::newRow("no terminal: GetCommState fails") << "@file" << 1;
    QTest::newRow("time-outs refused") << "@refused" << 87;
}

void TestSerialLayer::openFollowsTheNameAndReportsTheSystemCode()
{
    QFETCH(QString, name);
    QFETCH(int, error);
    TesterSimulator tester;
    QTemporaryDir folder;
    QTemporaryFile file;
    QVERIFY(file.open() && QFile::link(tester.portName(), folder.filePath("link")));
    WinSerialDevice holder(tester.portName());
    QVERIFY(name != "@held" || holder.open(QIODevice::ReadWrite, 110, 110));
    name.replace("@dev", tester.portName().mid(5)).replace("@link", folder.filePath("link"));
    name.replace("@folder", folder.path()).replace("@file", file.fileName());
    HookedDevice device(name.replace(QRegExp("@\\w*"), tester.portName()), error == 87);
    QTest::ignoreMessage(QtDebugMsg, "Win32SerialDevice::open()\n");
    bool opened = false;
    const QByteArray reported =
        standardErrorOf([&] { opened = device.open(QIODevice::ReadWrite, 110, 110); });

    const QString text = QStringLiteral("Win32SerialDevice::open failed with error: %1").arg(error);
    QCOMPARE(opened, error == 0);
    QCOMPARE(QString::fromUtf8(reported), error ? text : QString());
    QCOMPARE(device.errorString() == text, error != 0);
    // Held alone while open, and free again after a failed open.
    QCOMPARE(WinSerialDevice(tester.portName()).open(QIODevice::ReadWrite, 110, 110),
             error && !holder.isOpen());
}

void TestSerialLayer::readsWaitForTheFirstByteAndFailuresAreReportedOnce()
{
    TesterSimulator tester;
    TesterSimulator::Script script =
        TesterSimulator::Script::replying({{0, "hello"}, {800, "late"}});
    script.hangUpAfterChunk = 1;
    tester.start(script);
    HookedDevice device(tester.portName(), false);
    QVERIFY(device.open(QIODevice::ReadWrite, 1500, 300));
    QCOMPARE(device.write(commands), qint64(commands.size()));
    QTest::qSleep(200);
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(device.read(1024), QByteArray("hello")); // waiting: at once
    QCOMPARE(device.read(1024), QByteArray("late"));  // the first byte: as soon as it comes
    QVERIFY2(timer.elapsed() < 1400, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(tester.received(), commands);
    QVERIFY(tester.waitUntilFinished(5000));

    const QString readText = "Win32SerialDevice::readData failed with error: 1167";
    const QString writeText = "Win32SerialDevice::writeData failed with error: 1167";
    QTest::ignoreMessage(QtDebugMsg, qPrintable(readText));
    QTest::ignoreMessage(QtDebugMsg, qPrintable(writeText));
    const QByteArray reported = standardErrorOf([&] {
        for (int pass = 0; pass < 2; ++pass) {
            timer.restart();
            QCOMPARE(device.read(1024), QByteArray()); // a failed read waits out the time-out
            QVERIFY2(timer.elapsed() >= 1490, qPrintable(QString::number(timer.elapsed())));
        }
        QCOMPARE(device.errorString(), readText);
        QCOMPARE(device.write(commands), qint64(-1));
        QCOMPARE(device.write(commands), qint64(-1));
    });
    QCOMPARE(QString::fromUtf8(reported), readText + writeText);

    TesterSimulator silent; // nobody reads its master: the line takes only what fits
    HookedDevice stuck(silent.portName(), false);
    QVERIFY(stuck.open(QIODevice::ReadWrite, 110, 300));
    const qint64 written = stuck.write(QByteArray(4 << 20, 'w'));
    QVERIFY2(written > 0 && written < 4 << 20, qPrintable(QString::number(written)));
}

void TestSerialLayer::roundTripIsQueuedPromptAndAnnounced()
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

void TestSerialLayer::quietLineTimesOutOncePerReadTimeOut_data()
{
    QTest::addColumn<int>("readTimeout");
    QTest::addColumn<int>("fewest"); // in one second; a spinning reader gives thousands
    QTest::addColumn<int>("most");
    QTest::newRow("250 ms") << 250 << 2 << 5;
    QTest::newRow("0 ms means 110") << 0 << 4 << 11;
    QTest::newRow("hung up, 100 ms") << -100 << 4 << 12;
}

void TestSerialLayer::quietLineTimesOutOncePerReadTimeOut()
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

void TestSerialLayer::writePassNeitherResendsNorHoldsTheQueue()
{
    for (bool stuck : {false, true}) {
        FlakyPort port(stuck);
        Ow::WorkerThread reader(nullptr, &port);
        reader.queueWrite(commands.constData(), commands.size());
        reader.clearStopRequest();
        reader.start();
        QTest::qWait(300);
        std::atomic<bool> queued{false}; // on its own thread: a held queue cannot hang the test
        std::thread gui([&] { reader.queueWrite("!", 1), queued = true; });
        const bool prompt = QTest::qWaitFor([&] { return queued.load(); }, 1000);
        reader.requestStop();
        reader.wait();
        gui.join();
        QVERIFY(prompt);
        const QByteArray sent = stuck ? QByteArray() : commands; // each byte once, "!" perhaps
        QVERIFY2(port.taken == sent || port.taken == sent + "!", port.taken.constData());
    }
}

QTEST_GUILESS_MAIN(TestSerialLayer)
#include "tst_seriallayer.moc"
