#include "serial/portsettings.h"
#include "serial/winserialdevice.h"
#include "tests/serial/standarderrorcapture.h"
#include "tests/support/testersimulator.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

using Ow::PortSettings;
using Ow::WinSerialDevice;

// The serial device over real pseudo-terminals: open, line settings, reads, writes, errors.
class TestWinSerialDevice : public QObject
{
    Q_OBJECT

private slots:
    void failedOpenReportsCodeOnStandardErrorAndErrorString_data();
    void failedOpenReportsCodeOnStandardErrorAndErrorString();
    void portNameFollowsPrefixRule_data();
    void portNameFollowsPrefixRule();
    void downloadSettingsReachTermios();
    void emptyRecordKeepsDriverSettings();
    void laterRecordReplacesEarlierOne();
    void hooksRunBeforeTimeoutsAndStateAreSet();
    void readReturnsWaitingBytesAtOnceAndNothingWhenQuiet();
    void writeReachesTesterAndReturnsCount();
    void closeWritesDebugLineEachTimeAndDestructorOnceMore();
    void failedReadsAreReportedOnceAndWaitOutTimeout();
    void failedWriteIsReportedAndReturnsMinusOne();
};

namespace {

const QString prefix = QStringLiteral("\\\\.\\");
const char *const openLine = "Win32SerialDevice::open()\n";
const char *const closeLine = "Win32SerialDevice::close()";

// The line settings a download asks for: 9600 8N1, DTR and RTS on, no handshake.
PortSettings *downloadSettings()
{
    PortSettings *settings = PortSettings::create();
    settings->setBaudRate(9600);
    settings->setByteSize(8);
    settings->setStopBits(ONESTOPBIT);
    settings->setFBinary(1);
    settings->setFParity(0);
    settings->setParity(NOPARITY);
    settings->setFOutxDsrFlow(0);
    settings->setFDsrSensitivity(0);
    settings->setFDtrControl(DTR_CONTROL_ENABLE);
    settings->setFOutxCtsFlow(0);
    settings->setFRtsControl(RTS_CONTROL_ENABLE);
    settings->setFOutX(0);
    settings->setFInX(0);
    settings->setXonChar(0x11);
    settings->setXoffChar(0x13);
    settings->setEvtChar(0);
    settings->setXonLim(100);
    settings->setXoffLim(100);
    settings->setFTXContinueOnXoff(1);
    settings->setFErrorChar(0);
    settings->setFNull(0);
    settings->setFAbortOnError(0);
    return settings;
}

TesterSimulator::Script replyOnOpen(const QList<TesterSimulator::Chunk> &reply)
{
    TesterSimulator::Script script;
    script.waitForCommands = false;
    script.reply = reply;
    return script;
}

// Waits until the bytes the tester sent have reached the port's input queue.
bool inputArrives(const TesterSimulator &tester, int timeoutMs = 2000)
{
    const int fd = ::open(tester.portName().toLocal8Bit().constData(), O_RDONLY | O_NOCTTY);
    QElapsedTimer timer;
    timer.start();
    int waiting = 0;
    while ((::ioctl(fd, FIONREAD, &waiting) != 0 || waiting == 0) && timer.elapsed() < timeoutMs)
        QTest::qSleep(5);
    ::close(fd);
    return waiting > 0;
}

class RecordingDevice : public WinSerialDevice
{
public:
    using WinSerialDevice::WinSerialDevice;

    QStringList calls;
    COMMTIMEOUTS seen = {};

protected:
    void adjustTimeouts(COMMTIMEOUTS *timeouts) override
    {
        calls << "adjustTimeouts";
        seen = *timeouts;
        timeouts->ReadTotalTimeoutConstant = 150;
    }
    void adjustCommState() override { calls << "adjustCommState"; }
};

} // namespace

void TestWinSerialDevice::failedOpenReportsCodeOnStandardErrorAndErrorString_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("text");
    QTest::newRow("missing port") << "ttyLumetraMissing0"
                                  << "Win32SerialDevice::open failed with error: 2";
    QTest::newRow("empty port name") << ""
                                     << "Win32SerialDevice::open failed with error: 2";
    QTest::newRow("port held by another") << "held"
                                          << "Win32SerialDevice::open failed with error: 5";
    QTest::newRow("file that is no terminal") << "file"
                                              << "Win32SerialDevice::open failed with error: 1";
}

void TestWinSerialDevice::failedOpenReportsCodeOnStandardErrorAndErrorString()
{
    QFETCH(QString, port);
    QFETCH(QString, text);
    TesterSimulator tester;
    WinSerialDevice holder(tester.portName());
    QTemporaryFile file;
    QVERIFY(file.open());
    if (port == "held") {
        QVERIFY(holder.open(QIODevice::ReadWrite, 110, 110));
        port = tester.portName();
    } else if (port == "file") {
        port = file.fileName();
    }

    WinSerialDevice device(port);
    QTest::ignoreMessage(QtDebugMsg, openLine);
    QTest::ignoreMessage(QtDebugMsg, closeLine);
    bool opened;
    QByteArray written;
    {
        StandardErrorCapture capture;
        opened = device.open(QIODevice::ReadWrite, 110, 110);
        written = capture.text();
    }
    QVERIFY(!opened);
    QCOMPARE(QString::fromUtf8(written), text);
    QCOMPARE(device.errorString(), text);
}

void TestWinSerialDevice::portNameFollowsPrefixRule_data()
{
    QTest::addColumn<QString>("name");
    // "@" stands for the slave's absolute path, "@dev" for it without /dev/.
    QTest::newRow("name under /dev") << "@dev";
    QTest::newRow("already prefixed") << prefix + "@";
    QTest::newRow("absolute path") << "@";
    QTest::newRow("path far beyond 15 characters") << "long";
}

void TestWinSerialDevice::portNameFollowsPrefixRule()
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
    QVERIFY(device.isOpen());
    // The port really is held: a second device cannot have it.
    WinSerialDevice second(tester.portName());
    QVERIFY(!second.open(QIODevice::ReadWrite, 110, 110));
}

void TestWinSerialDevice::downloadSettingsReachTermios()
{
    TesterSimulator tester;
    termios odd = tester.lineSettings();
    cfsetospeed(&odd, B19200);
    cfsetispeed(&odd, B19200);
    odd.c_cflag |= CSTOPB | PARODD | CRTSCTS;
    odd.c_iflag |= IXON | IXOFF;
    tester.setLineSettings(odd);

    WinSerialDevice device(tester.portName());
    device.setPortSettings(downloadSettings());
    QVERIFY(device.open(QIODevice::ReadWrite, 110, 110));
    const termios settings = tester.lineSettings();
    QCOMPARE(cfgetospeed(&settings), speed_t(B9600));
    QCOMPARE(settings.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), tcflag_t(CS8));
    QCOMPARE(settings.c_iflag & (IXON | IXOFF), tcflag_t(0));
    QCOMPARE(settings.c_lflag & (ICANON | ECHO), tcflag_t(0));
}

void TestWinSerialDevice::emptyRecordKeepsDriverSettings()
{
    TesterSimulator tester;
    termios driver = tester.lineSettings();
    cfsetospeed(&driver, B19200);
    cfsetispeed(&driver, B19200);
    driver.c_cflag |= CSTOPB | CRTSCTS;
    driver.c_iflag |= IXON | IXOFF;
    tester.setLineSettings(driver);

    WinSerialDevice device(tester.portName());
    QVERIFY(device.open(QIODevice::ReadWrite, 110, 110));
    const termios settings = tester.lineSettings();
    QCOMPARE(cfgetospeed(&settings), speed_t(B19200));
    QCOMPARE(settings.c_cflag & (CSTOPB | CRTSCTS), tcflag_t(CSTOPB | CRTSCTS));
    QCOMPARE(settings.c_iflag & (IXON | IXOFF), tcflag_t(IXON | IXOFF));
}

void TestWinSerialDevice::laterRecordReplacesEarlierOne()
{
    TesterSimulator tester;
    WinSerialDevice device(tester.portName());
    PortSettings *first = PortSettings::create();
    first->setBaudRate(115200);
    device.setPortSettings(first);
    PortSettings *second = PortSettings::create();
    second->setBaudRate(4800);
    device.setPortSettings(second);
    QVERIFY(device.open(QIODevice::ReadWrite, 110, 110));
    const termios settings = tester.lineSettings();
    QCOMPARE(cfgetospeed(&settings), speed_t(B4800));
}

void TestWinSerialDevice::hooksRunBeforeTimeoutsAndStateAreSet()
{
    TesterSimulator tester;
    RecordingDevice device(tester.portName());
    QVERIFY(device.open(QIODevice::ReadWrite, 2000, 250));
    QCOMPARE(device.calls, QStringList({"adjustTimeouts", "adjustCommState"}));
    QCOMPARE(device.seen.ReadIntervalTimeout, MAXDWORD);
    QCOMPARE(device.seen.ReadTotalTimeoutMultiplier, MAXDWORD);
    QCOMPARE(device.seen.ReadTotalTimeoutConstant, DWORD(2000));
    QCOMPARE(device.seen.WriteTotalTimeoutMultiplier, DWORD(1));
    QCOMPARE(device.seen.WriteTotalTimeoutConstant, DWORD(250));

    // The hook shortened the read time-out before the port got it.
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(device.read(1024), QByteArray());
    QVERIFY2(timer.elapsed() < 1500, qPrintable(QString::number(timer.elapsed())));
}

void TestWinSerialDevice::readReturnsWaitingBytesAtOnceAndNothingWhenQuiet()
{
    TesterSimulator tester;
    tester.start(replyOnOpen({{0, "hello"}}));
    WinSerialDevice device(tester.portName());
    QVERIFY(device.open(QIODevice::ReadWrite, 300, 110));
    QVERIFY(tester.waitUntilFinished(2000));
    QVERIFY(inputArrives(tester));

    QElapsedTimer timer;
    timer.start();
    QCOMPARE(device.read(1024), QByteArray("hello"));
    QVERIFY2(timer.elapsed() < 250, qPrintable(QString::number(timer.elapsed())));

    timer.restart();
    QCOMPARE(device.read(1024), QByteArray());
    QVERIFY2(timer.elapsed() >= 290 && timer.elapsed() < 2000,
             qPrintable(QString::number(timer.elapsed())));
}

void TestWinSerialDevice::writeReachesTesterAndReturnsCount()
{
    TesterSimulator tester;
    tester.start(replyOnOpen({}));
    WinSerialDevice device(tester.portName());
    QVERIFY(device.open(QIODevice::ReadWrite, 110, 110));
    QCOMPARE(device.write("SYST:REM\r\n"), qint64(10));
    QCOMPARE(device.write("MEM:DATA? ALL\r\n"), qint64(15));
    QTRY_COMPARE(tester.received(), QByteArray("SYST:REM\r\nMEM:DATA? ALL\r\n"));
}

void TestWinSerialDevice::closeWritesDebugLineEachTimeAndDestructorOnceMore()
{
    TesterSimulator tester;
    QTest::ignoreMessage(QtDebugMsg, openLine);
    QTest::ignoreMessage(QtDebugMsg, closeLine);
    QTest::ignoreMessage(QtDebugMsg, closeLine);
    QTest::ignoreMessage(QtDebugMsg, closeLine);
    auto *device = new WinSerialDevice(tester.portName());
    QVERIFY(device->open(QIODevice::ReadWrite, 110, 110));
    device->close();
    // The port is free again for anyone.
    WinSerialDevice other(prefix + tester.portName());
    QTest::ignoreMessage(QtDebugMsg, openLine);
    QTest::ignoreMessage(QtDebugMsg, closeLine);
    QVERIFY(other.open(QIODevice::ReadWrite, 110, 110));
    other.close();
    device->close();
    delete device;
}

void TestWinSerialDevice::failedReadsAreReportedOnceAndWaitOutTimeout()
{
    TesterSimulator tester;
    TesterSimulator::Script script = replyOnOpen({{0, "last"}});
    script.hangUpAfterChunk = 0;
    tester.start(script);
    WinSerialDevice device(tester.portName());
    QVERIFY(device.open(QIODevice::ReadWrite, 200, 110));
    QCOMPARE(device.read(1024), QByteArray("last"));
    QVERIFY(tester.waitUntilFinished(5000));

    const QString text = "Win32SerialDevice::readData failed with error: 1167";
    QTest::ignoreMessage(QtDebugMsg, qPrintable(text));
    QByteArray written;
    {
        StandardErrorCapture capture;
        for (int pass = 0; pass < 3; ++pass) {
            char buffer[1024];
            QElapsedTimer timer;
            timer.start();
            QCOMPARE(device.read(buffer, sizeof buffer), qint64(-1));
            QVERIFY2(timer.elapsed() >= 190, qPrintable(QString::number(timer.elapsed())));
        }
        written = capture.text();
    }
    QCOMPARE(QString::fromUtf8(written), text);
    QCOMPARE(device.errorString(), text);
}

void TestWinSerialDevice::failedWriteIsReportedAndReturnsMinusOne()
{
    TesterSimulator tester;
    TesterSimulator::Script script = replyOnOpen({{0, "x"}});
    script.hangUpAfterChunk = 0;
    tester.start(script);
    WinSerialDevice device(tester.portName());
    QVERIFY(device.open(QIODevice::ReadWrite, 200, 110));
    QCOMPARE(device.read(1024), QByteArray("x"));
    QVERIFY(tester.waitUntilFinished(5000));

    const QString text = "Win32SerialDevice::writeData failed with error: 1167";
    QTest::ignoreMessage(QtDebugMsg, qPrintable(text));
    QByteArray written;
    {
        StandardErrorCapture capture;
        QCOMPARE(device.write("SYST:REM\r\n"), qint64(-1));
        written = capture.text();
    }
    QCOMPARE(QString::fromUtf8(written), text);
}

QTEST_GUILESS_MAIN(TestWinSerialDevice)
#include "tst_winserialdevice.moc"
