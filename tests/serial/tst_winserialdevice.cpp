#include "serial/portsettings.h"
#include "serial/winserialdevice.h"
#include "tests/serial/standarderrorcapture.h"
#include "tests/support/testersimulator.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <memory>
#include <termios.h>

using Ow::PortSettings;
using Ow::WinSerialDevice;

// The serial device, and the comm API beneath it, over real pseudo-terminals.
class TestWinSerialDevice : public QObject
{
    Q_OBJECT

private slots:
    void failedOpenReportsCodeOnStandardErrorAndErrorString_data();
    void failedOpenReportsCodeOnStandardErrorAndErrorString();
    void portNameFollowsPrefixRuleAndIsHeldExclusively_data();
    void portNameFollowsPrefixRuleAndIsHeldExclusively();
    void recordReachesTermios_data();
    void recordReachesTermios();
    void readReturnsWhatArrivesAtOnceAndNothingAfterTimeout();
    void writeReturnsOnceEverythingIsSent();
    void writeToALineThatTakesNothingGivesUpAtItsTimeout();
    void failuresAfterHangUpAreReportedOnceAndReadsWaitOutTimeout();
};

namespace {

const QString prefix = QStringLiteral("\\\\.\\");

TesterSimulator::Script replyOnOpen(const QList<TesterSimulator::Chunk> &reply)
{
    TesterSimulator::Script script;
    script.waitForCommands = false;
    script.reply = reply;
    return script;
}

// Lets a write give up on a stuck line after its constant alone, and shortens the read time-out.
class HookedDevice : public WinSerialDevice
{
public:
    using WinSerialDevice::WinSerialDevice;

protected:
    void adjustTimeouts(COMMTIMEOUTS *timeouts) override
    {
        timeouts->ReadTotalTimeoutConstant = 150;
        timeouts->WriteTotalTimeoutMultiplier = 0;
    }
};

// Asks for a first byte without any limit, which a serial driver refuses.
class RefusedTimeoutsDevice : public WinSerialDevice
{
public:
    using WinSerialDevice::WinSerialDevice;

protected:
    void adjustTimeouts(COMMTIMEOUTS *timeouts) override
    {
        timeouts->ReadTotalTimeoutConstant = MAXDWORD;
    }
};

} // namespace

void TestWinSerialDevice::failedOpenReportsCodeOnStandardErrorAndErrorString_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<int>("error");
    QTest::newRow("missing port") << "ttyLumetraMissing0" << 2;
    QTest::newRow("empty port name") << "" << 2;
    QTest::newRow("folder") << "folder" << 5;
    QTest::newRow("port held by another") << "held" << 5;
    QTest::newRow("file that is no terminal fails at GetCommState") << "file" << 1;
    QTest::newRow("time-outs the driver refuses") << "refused time-outs" << 87;
}

void TestWinSerialDevice::failedOpenReportsCodeOnStandardErrorAndErrorString()
{
    QFETCH(QString, port);
    QFETCH(int, error);
    TesterSimulator tester;
    WinSerialDevice holder(tester.portName());
    QTemporaryFile file;
    QVERIFY(file.open());
    QTemporaryDir folder;
    const bool held = port == "held";
    if (held)
        QVERIFY(holder.open(QIODevice::ReadWrite, 110, 110));
    port = QMap<QString, QString>{{"held", tester.portName()},
                                  {"file", file.fileName()},
                                  {"folder", folder.path()}}
               .value(port, port);

    std::unique_ptr<WinSerialDevice> opened;
    if (port == "refused time-outs")
        opened = std::make_unique<RefusedTimeoutsDevice>(tester.portName());
    else
        opened = std::make_unique<WinSerialDevice>(port);
    WinSerialDevice &device = *opened;
    QTest::ignoreMessage(QtDebugMsg, "Win32SerialDevice::open()\n");
    QTest::ignoreMessage(QtDebugMsg, "Win32SerialDevice::close()");
    if (port == "refused time-outs")
        QTest::ignoreMessage(QtDebugMsg, "Win32SerialDevice::open failed with error: 87");
    bool isOpen;
    QByteArray written;
    {
        StandardErrorCapture capture;
        isOpen = device.open(QIODevice::ReadWrite, 110, 110);
        written = capture.text();
    }
    const QString text = QStringLiteral("Win32SerialDevice::open failed with error: %1").arg(error);
    QVERIFY(!isOpen);
    QCOMPARE(QString::fromUtf8(written), text);
    QCOMPARE(device.errorString(), text);
    // A failed open leaves the port free.
    QVERIFY(held || WinSerialDevice(tester.portName()).open(QIODevice::ReadWrite, 110, 110));
}

void TestWinSerialDevice::portNameFollowsPrefixRuleAndIsHeldExclusively_data()
{
    QTest::addColumn<QString>("name");
    // "@" stands for the slave's absolute path, "@dev" for it without /dev/.
    QTest::newRow("name under /dev") << "@dev";
    QTest::newRow("already prefixed") << prefix + "@";
    QTest::newRow("absolute path") << "@";
    QTest::newRow("path far beyond 15 characters") << "long";
}

void TestWinSerialDevice::portNameFollowsPrefixRuleAndIsHeldExclusively()
{
    QFETCH(QString, name);
    TesterSimulator tester;
    QTemporaryDir dir;
    const QString longName = dir.path() + "/a-port-name-well-beyond-fifteen-characters";
    QVERIFY(QFile::link(tester.portName(), longName));
    if (name == "long")
        name = longName;
    name.replace("@dev", tester.portName().mid(5)).replace("@", tester.portName());

    WinSerialDevice device(name);
    QVERIFY(device.open(QIODevice::ReadWrite, 110, 110));
    QProcess other;
    other.start("flock", {"--nonblock", "--conflict-exit-code", "42", tester.portName(), "true"});
    QVERIFY(other.waitForFinished(5000));
    QCOMPARE(other.exitCode(), 42);
}

void TestWinSerialDevice::recordReachesTermios_data()
{
    // The driver starts cooked at 19200 with two stop bits and both handshakes on.
    // A pseudo-terminal keeps CS8 without PARENB whatever is asked.
    QTest::addColumn<bool>("emptyRecord");
    QTest::addColumn<uint>("speed");
    QTest::addColumn<uint>("cflag");
    QTest::addColumn<uint>("iflag");
    QTest::newRow("9600 8N1 without handshake") << false << uint(B9600) << uint(CS8) << 0u;
    QTest::newRow("empty record keeps the driver's")
        << true << uint(B19200) << uint(CS8 | CSTOPB | CRTSCTS) << uint(IXON | IXOFF);
}

void TestWinSerialDevice::recordReachesTermios()
{
    QFETCH(bool, emptyRecord);
    QFETCH(uint, speed);
    QFETCH(uint, cflag);
    QFETCH(uint, iflag);
    TesterSimulator tester;
    termios driver = tester.lineSettings();
    cfsetospeed(&driver, B19200);
    cfsetispeed(&driver, B19200);
    driver.c_cflag |= CSTOPB | CRTSCTS;
    driver.c_iflag |= IXON | IXOFF;
    driver.c_lflag |= ICANON | ECHO;
    tester.setLineSettings(driver);

    WinSerialDevice device(tester.portName());
    PortSettings *replaced = PortSettings::create();
    replaced->setBaudRate(115200);
    device.setPortSettings(replaced);
    PortSettings *settings = PortSettings::create();
    if (!emptyRecord) {
        settings->setBaudRate(9600);
        settings->setByteSize(8);
        settings->setParity(NOPARITY);
        settings->setStopBits(ONESTOPBIT);
        settings->setFOutxCtsFlow(0);
        settings->setFRtsControl(RTS_CONTROL_ENABLE);
        settings->setFOutX(0);
        settings->setFInX(0);
    }
    device.setPortSettings(settings);
    QVERIFY(device.open(QIODevice::ReadWrite, 110, 110));

    const termios line = tester.lineSettings();
    QCOMPARE(uint(cfgetospeed(&line)), speed);
    QCOMPARE(uint(line.c_cflag & (CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS)), cflag);
    QCOMPARE(uint(line.c_iflag & (IXON | IXOFF)), iflag);
    // Raw either way: nothing echoed, no line editing.
    QCOMPARE(line.c_lflag & (ICANON | ECHO), tcflag_t(0));
}

void TestWinSerialDevice::readReturnsWhatArrivesAtOnceAndNothingAfterTimeout()
{
    TesterSimulator tester;
    tester.start(replyOnOpen({{0, "hello"}, {800, "late"}}));
    WinSerialDevice device(tester.portName());
    QVERIFY(device.open(QIODevice::ReadWrite, 1500, 110));
    QTest::qSleep(200);

    QElapsedTimer timer;
    timer.start();
    QCOMPARE(device.read(1024), QByteArray("hello"));
    QVERIFY2(timer.elapsed() < 250, qPrintable(QString::number(timer.elapsed())));
    timer.restart();
    QCOMPARE(device.read(1024), QByteArray("late"));
    QVERIFY2(timer.elapsed() < 1400, qPrintable(QString::number(timer.elapsed())));
    timer.restart();
    QCOMPARE(device.read(1024), QByteArray());
    QVERIFY2(timer.elapsed() >= 1490 && timer.elapsed() < 4000,
             qPrintable(QString::number(timer.elapsed())));
}

void TestWinSerialDevice::writeReturnsOnceEverythingIsSent()
{
    TesterSimulator tester;
    tester.start(replyOnOpen({}));
    WinSerialDevice device(tester.portName());
    QVERIFY(device.open(QIODevice::ReadWrite, 110, 110));
    // More than the pseudo-terminal buffers, so the write has to wait for room.
    const QByteArray block = TesterSimulator::streamPattern(0, 256 * 1024);

    QCOMPARE(device.write("SYST:REM\r\n"), qint64(10));
    QCOMPARE(device.write(block), qint64(block.size()));
    QTRY_COMPARE_WITH_TIMEOUT(tester.received().size(), 10 + block.size(), 5000);
    QCOMPARE(tester.received(), "SYST:REM\r\n" + block);
}

void TestWinSerialDevice::writeToALineThatTakesNothingGivesUpAtItsTimeout()
{
    // Not started: the simulator reads nothing, so the line takes only what fits its buffers.
    TesterSimulator tester;
    HookedDevice device(tester.portName());
    QVERIFY(device.open(QIODevice::ReadWrite, 2000, 300));

    // The hook's shorter read time-out reached the port.
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(device.read(1024), QByteArray());
    QVERIFY2(timer.elapsed() >= 140 && timer.elapsed() < 1500,
             qPrintable(QString::number(timer.elapsed())));

    const QByteArray bytes(4 * 1024 * 1024, 'w');
    timer.restart();
    const qint64 written = device.write(bytes);
    QVERIFY2(written > 0 && written < bytes.size(), qPrintable(QString::number(written)));
    QVERIFY2(timer.elapsed() >= 290 && timer.elapsed() < 3000,
             qPrintable(QString::number(timer.elapsed())));
}

void TestWinSerialDevice::failuresAfterHangUpAreReportedOnceAndReadsWaitOutTimeout()
{
    TesterSimulator tester;
    TesterSimulator::Script script = replyOnOpen({{0, "last"}});
    script.hangUpAfterChunk = 0;
    tester.start(script);
    WinSerialDevice device(tester.portName());
    QVERIFY(device.open(QIODevice::ReadWrite, 200, 110));
    QCOMPARE(device.read(1024), QByteArray("last"));
    QVERIFY(tester.waitUntilFinished(5000));

    const QString readText = "Win32SerialDevice::readData failed with error: 1167";
    const QString writeText = "Win32SerialDevice::writeData failed with error: 1167";
    QTest::ignoreMessage(QtDebugMsg, qPrintable(readText));
    QTest::ignoreMessage(QtDebugMsg, qPrintable(writeText));
    QByteArray written;
    {
        StandardErrorCapture capture;
        for (int pass = 0; pass < 3; ++pass) {
            char buffer[16];
            QElapsedTimer timer;
            timer.start();
            QCOMPARE(device.read(buffer, sizeof buffer), qint64(-1));
            QVERIFY2(timer.elapsed() >= 190, qPrintable(QString::number(timer.elapsed())));
        }
        QCOMPARE(device.errorString(), readText);
        QCOMPARE(device.write("SYST:REM\r\n"), qint64(-1));
        QCOMPARE(device.write("SYST:REM\r\n"), qint64(-1));
        written = capture.text();
    }
    QCOMPARE(QString::fromUtf8(written), readText + writeText);
    QCOMPARE(device.errorString(), writeText);
}

QTEST_GUILESS_MAIN(TestWinSerialDevice)
#include "tst_winserialdevice.moc"
