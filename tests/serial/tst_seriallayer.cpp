#include "serial/commapi.h"
#include "serial/deviceloss.h"
#include "serial/portsettings.h"
#include "serial/winserialdevice.h"
#include "serial/winserialdeviceasync.h"
#include "tests/support/testersimulator.h"

#include <QtTest>

#include <atomic>
#include <bitset>
#include <fcntl.h>
#include <functional>
#include <termios.h>
#include <thread>
#include <unistd.h>

using Ow::PortSettings;
using Ow::WinSerialDevice;
using Ow::WinSerialDeviceAsync;

namespace {

const QByteArray &commands = TesterSimulator::commands;

struct Member
{
    const char *name;
    void (*set)(PortSettings &, quint32);
    quint32 (*get)(const PortSettings &);
    bool (*isChanged)(const PortSettings &);
};

// Every accessor triple the record offers; which bits each may touch, the test works out.
#define LDL_MEMBER(Name, member, changeBit, Type, width)                                           \
    Member{                                                                                        \
        #Name, [](PortSettings &s, quint32 v) { s.set##Name(Type(v)); },                           \
        [](const PortSettings &s) { return quint32(std::make_unsigned_t<Type>(s.get##Name())); },  \
        [](const PortSettings &s) { return s.is##Name##Changed(); }},
const Member members[] = {LDL_PORT_SETTINGS_MEMBERS(LDL_MEMBER)};

QByteArray appliedOver(QByteArray driver, const PortSettings &settings)
{
    settings.applyTo(reinterpret_cast<DCB *>(driver.data()));
    return driver;
}

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

// A device that sets one of its time-outs to a value of the test's own.
struct TimeoutSetTo : WinSerialDevice
{
    TimeoutSetTo(const QString &name, DWORD COMMTIMEOUTS::*timeout, DWORD value)
        : WinSerialDevice(name), timeout(timeout), value(value)
    {}
    void adjustTimeouts(COMMTIMEOUTS *timeouts) override { timeouts->*timeout = value; }
    DWORD COMMTIMEOUTS::*const timeout;
    const DWORD value;
};

} // namespace

// The serial layer: the line settings record, the device and the comm API beneath it
// over real pseudo-terminals, and the asynchronous device with its reader thread.
class TestSerialLayer : public QObject
{
    Q_OBJECT

private slots:
    // Set alone, each member marks the next change bit and, applied over a driver's DCB, writes
    // as many bits as its getter keeps and no other member's; the driver keeps its own fields.
    void membersOwnTheirChangeBitAndTheirBits()
    {
        const QByteArray driver(int(sizeof(DCB)), '\xFF');
        QCOMPARE(appliedOver(driver, PortSettings()), driver);
        QByteArray untouched = driver;
        quint32 changeBits = 0;
        for (const Member &member : members) {
            PortSettings settings;
            member.set(settings, ~0u);
            const quint32 ones = member.get(settings);
            member.set(settings, 0);
            const QByteArray written = appliedOver(driver, settings);
            size_t width = 0;
            for (int i = 0; i < written.size(); ++i) {
                const uchar bits = uchar(~written[i]);
                QVERIFY2((uchar(untouched[i]) & bits) == bits, member.name);
                untouched[i] = char(uchar(untouched[i]) & ~bits);
                width += std::bitset<8>(bits).count();
            }
            const quint32 mask = settings.getChangedMask();
            QVERIFY2(member.isChanged(settings) && std::bitset<32>(mask).count() == 1 &&
                         mask > changeBits && ones == quint32((1ull << width) - 1),
                     member.name);
            changeBits |= mask;
        }
        QCOMPARE(changeBits, 0x027F3FFFu);
        QCOMPARE(untouched.toHex(),
                 QByteArray("ffffffff000000000080ffffffff000000000000000000ffff00ffff"));
    }

    // Each row: the name ("@": the pseudo-terminal) and the system code (0: opens, and holds the
    // port alone). The open failure text goes to standard error and errorString().
    void openFollowsTheNameAndReportsTheSystemCode()
    {
        const QList<QPair<QString, int>> cases{
            {"@dev", 0},  {"\\\\.\\@", 0}, {"ttyLumetraMissing0", 2}, {"", 2},
            {"@held", 5}, {"@file", 1},    {"@refused", 87}}; // no terminal; time-outs refused
        for (auto [name, error] : cases) {
            TesterSimulator tester;
            QTemporaryFile file;
            QVERIFY(file.open());
            WinSerialDevice holder(tester.portName());
            QVERIFY(name != "@held" || holder.open(QIODevice::ReadWrite, 110, 110));
            name.replace("@dev", tester.portName().mid(5)).replace("@file", file.fileName());
            name.replace(QRegExp("@\\w*"), tester.portName());
            // 87: reads that wait for their first byte without limit, which a driver refuses.
            const std::unique_ptr<WinSerialDevice> device(
                error == 87
                    ? new TimeoutSetTo(name, &COMMTIMEOUTS::ReadTotalTimeoutConstant, MAXDWORD)
                    : new WinSerialDevice(name));
            QTest::ignoreMessage(QtDebugMsg, "Win32SerialDevice::open()\n");
            bool opened = false;
            const QByteArray reported =
                standardErrorOf([&] { opened = device->open(QIODevice::ReadWrite, 110, 110); });

            const QString text =
                QString("Win32SerialDevice::open failed with error: %1").arg(error);
            QVERIFY2(opened == (error == 0), qPrintable(name));
            QCOMPARE(QString::fromUtf8(reported), error ? text : QString());
            QCOMPARE(device->errorString() == text, error != 0);
            QCOMPARE(device->openError(), quint32(error));
            // Held alone while open, and free again after a failed open.
            QCOMPARE(WinSerialDevice(tester.portName()).open(QIODevice::ReadWrite, 110, 110),
                     error && !holder.isOpen());
        }
    }

    void readsWaitForTheFirstByteAndFailuresAreReportedOnce()
    {
        TesterSimulator tester;
        TesterSimulator::Script script =
            TesterSimulator::Script::replying({{0, "hello"}, {800, "late"}});
        script.hangUpAfterChunk = 1;
        tester.start(script);
        WinSerialDevice device(tester.portName());
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
        const QString ownText = "Win32SerialDevice::writeData failed with error: 87";
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
            QCOMPARE(device.write(nullptr, 1), qint64(-1)); // its own code, not the line's
        });
        QCOMPARE(QString::fromUtf8(reported), readText + writeText + ownText);
    }

    // A read or write under way ends at once when another thread cancels it; no failure is
    // reported.
    void cancelEndsThePortCallUnderWay()
    {
        for (const bool writing : {false, true}) {
            TesterSimulator tester;
            WinSerialDevice device(tester.portName());
            QVERIFY(device.open(QIODevice::ReadWrite | QIODevice::Unbuffered, 60000, 60000));
            std::atomic<qint64> got{-2};
            bool ended = false;
            const QByteArray reported = standardErrorOf([&] {
                std::thread caller([&, byte = '\0']() mutable {
                    got = writing ? device.write(QByteArray(1 << 16, 0)) : device.read(&byte, 1);
                });
                ended = QTest::qWaitFor([&] { return device.cancelPendingIo(), got != -2; }, 5000);
                caller.join();
            });
            QVERIFY2(ended && got == -1 && reported.isEmpty(), reported.constData());
        }
    }

    // Over a quiet line, hung up or not: the queued commands go out, the reply is announced once
    // and read back; then one readTimeOut per read time-out (0 means 110, at most 60000), where a
    // spinning reader would give thousands in a second. A close right after open must not hang.
    void asynchronousRoundTripOverAQuietLine()
    {
        const std::tuple<int, bool, int, int> cases[]{
            {250, false, 2, 5}, {0, false, 4, 11}, {100, true, 4, 12}};
        QCOMPARE(WinSerialDeviceAsync::effectiveReadTimeout(70000), 60000);
        for (const auto &[readTimeout, hangUp, fewest, most] : cases) {
            TesterSimulator tester;
            TesterSimulator::Script script = TesterSimulator::Script::replying({{0, "ab\ncd"}});
            script.hangUpAfterChunk = hangUp ? 0 : -1;
            tester.start(script);
            WinSerialDeviceAsync device(nullptr, tester.portName());
            for (int i = 0; i < 10; ++i) {
                QVERIFY(device.open(QIODevice::ReadWrite, readTimeout));
                device.close();
            }
            QSignalSpy written(&device, SIGNAL(bytesWritten(qint64)));
            QSignalSpy arrived(&device, SIGNAL(readyRead()));
            QVERIFY(device.open(QIODevice::ReadWrite, readTimeout));
            QVERIFY(!device.open(QIODevice::ReadWrite, readTimeout)); // running already
            QCOMPARE(device.write(commands), qint64(0));
            QTRY_COMPARE(device.bytesAvailable(), qint64(5));
            QCOMPARE(tester.received(), commands);
            QTRY_COMPARE(written.count(), 1);
            QCOMPARE(written.at(0).at(0).toLongLong(), qint64(commands.size()));
            QTRY_COMPARE(arrived.count(), 1); // one announcement for bytes taken in one go
            QCOMPARE(device.read(2), QByteArray("ab"));
            QVERIFY(device.canReadLine());
            QCOMPARE(device.read(1), QByteArray("\n"));
            QVERIFY(!device.canReadLine());
            if (hangUp)
                device.write(commands); // writes that keep failing hold back no time-out
            QTest::qWait(qMax(readTimeout, 110) + 100);
            QSignalSpy timeOuts(&device, SIGNAL(readTimeOut()));
            QTest::qWait(1000);
            QVERIFY2(timeOuts.count() >= fewest && timeOuts.count() <= most,
                     qPrintable(QString("%1 at %2 ms").arg(timeOuts.count()).arg(readTimeout)));
            if (hangUp)
                continue;
            // The "cd" left unread at a close is gone after the next open.
            device.close();
            tester.start(TesterSimulator::Script::replying({{0, "new"}}));
            QVERIFY(device.open(QIODevice::ReadWrite, readTimeout));
            device.write(commands);
            QTRY_COMPARE(device.bytesAvailable(), qint64(3));
            QCOMPARE(device.readAll(), QByteArray("new"));
            QVERIFY(device.atEnd());
        }
    }

    // The codes a device that has gone gives, and not our own cancel or a slow drain. The loss
    // itself, after the bytes and once, is the Win32 suite's and the window tests'.
    void deviceGoneCodes()
    {
        for (const auto &[code, gone] :
             {std::pair(1167u, true), {22u, true}, {995u, false}, {121u, false}})
            QVERIFY2(Ow::isDeviceGoneError(code) == gone, qPrintable(QString::number(code)));
    }

    // A write that times out on a line nobody drains tells how much went out. While the reader is
    // stuck writing there, a write is queued at once; once drained, every byte has gone out once,
    // in order.
    void writePassNeitherResendsNorHoldsTheQueue()
    {
        TesterSimulator tester;
        {
            TesterSimulator silent;
            // Writes give up after their constant alone, not after a millisecond per byte.
            TimeoutSetTo stuck(silent.portName(), &COMMTIMEOUTS::WriteTotalTimeoutMultiplier, 0);
            QVERIFY(stuck.open(QIODevice::ReadWrite, 110, 300));
            const qint64 written = stuck.write(QByteArray(4 << 20, 'w'));
            QVERIFY2(written > 0 && written < 4 << 20, qPrintable(QString::number(written)));
        }
        WinSerialDeviceAsync device(nullptr, tester.portName());
        QVERIFY(device.open(QIODevice::ReadWrite, 110));
        QByteArray data(1 << 20, '\0');
        for (int i = 0; i < data.size(); ++i)
            data[i] = char(i % 251);
        device.write(data);
        QTest::qWait(300);
        std::atomic<bool> queued{false}; // on its own thread: a held queue cannot hang the test
        std::thread gui([&] { device.write("!"), queued = true; });
        const bool prompt = QTest::qWaitFor([&] { return queued.load(); }, 1000);
        tester.start(TesterSimulator::Script::replying({}));
        gui.join();
        QVERIFY(prompt);
        QTRY_VERIFY_WITH_TIMEOUT(tester.received().size() >= data.size() + 1, 20000);
        QVERIFY(tester.received() == data + "!");
    }

    // Output held off, as by a device's XOFF, holds the reader up no longer than a write time-out:
    // a reply sent unasked arrives and the quiet line is announced. Bytes the line takes nothing of
    // for seconds are given up; the close is prompt.
    void heldOffOutputHoldsNeitherReadsNorTheClose()
    {
        TesterSimulator tester;
        const int line = ::open(qPrintable(tester.portName()), O_RDWR | O_NOCTTY);
        ::tcflow(line, TCOOFF);
        tester.start({{{300, "unasked"}}, {}, -1});
        WinSerialDeviceAsync device(nullptr, tester.portName());
        QSignalSpy timeOuts(&device, SIGNAL(readTimeOut()));
        QVERIFY(device.open(QIODevice::ReadWrite, 100));
        device.write(QByteArray(1 << 16, 'w'));
        QTest::qWait(500);
        timeOuts.clear();
        QTRY_VERIFY(timeOuts.count() >= 2);
        QCOMPARE(device.readAll(), QByteArray("unasked"));
        QTest::qWait(2500);
        ::tcflow(line, TCOON);
        QTest::qWait(500);
        QCOMPARE(tester.received(), QByteArray());
        const QDeadlineTimer closing(5000);
        device.close();
        QVERIFY(!closing.hasExpired());
        ::close(line);
    }
};

QTEST_GUILESS_MAIN(TestSerialLayer)
#include "tst_seriallayer.moc"
