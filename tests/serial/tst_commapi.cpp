#include "serial/commapi.h"
#include "tests/support/testersimulator.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryFile>
#include <QTest>

#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

// The comm API over termios, against real pseudo-terminals.
class TestCommApi : public QObject
{
    Q_OBJECT

private slots:
    void openFollowsDevicePathRule_data();
    void openFollowsDevicePathRule();
    void secondOpenIsRefusedUntilClosed();
    void fileThatIsNoTerminalFailsAtGetCommState();
    void lineSettingsReachTermios_data();
    void lineSettingsReachTermios();
    void setCommStateMakesLineRawWithFlowControl();
    void unsupportedSettingsAreRefused_data();
    void unsupportedSettingsAreRefused();
    void readReturnsWaitingBytesAtOnce();
    void quietReadSucceedsWithNothingAfterTimeout();
    void readReturnsWhenFirstByteArrives();
    void hangUpFailsReadAndWrite();
    void writeDeliversEverythingInOrder();
    void writeStopsAtItsTimeout();
    void purgeDiscardsWaitingInput();
    void lastErrorIsPerThread();
    void invalidHandleIsRefused();
};

namespace {

const QString prefix = QStringLiteral("\\\\.\\");

// A handle closed at scope end.
class Port
{
public:
    explicit Port(const QString &name)
    {
        const std::wstring path = name.toStdWString();
        handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        error = handle == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    }
    ~Port()
    {
        if (isOpen())
            CloseHandle(handle);
    }
    Port(const Port &) = delete;
    Port &operator=(const Port &) = delete;

    bool isOpen() const { return handle != INVALID_HANDLE_VALUE; }
    void close()
    {
        CloseHandle(handle);
        handle = INVALID_HANDLE_VALUE;
    }

    HANDLE handle;
    DWORD error;
};

void setTimeouts(HANDLE handle, DWORD readConstant, DWORD writeMultiplier = 1,
                 DWORD writeConstant = 110)
{
    COMMTIMEOUTS timeouts = {MAXDWORD, MAXDWORD, readConstant, writeMultiplier, writeConstant};
    QVERIFY(SetCommTimeouts(handle, &timeouts));
}

QByteArray readOnce(HANDLE handle, qint64 *elapsedMs = nullptr, BOOL *ok = nullptr)
{
    char buffer[1024];
    DWORD count = 0;
    QElapsedTimer timer;
    timer.start();
    const BOOL result = ReadFile(handle, buffer, sizeof buffer, &count, nullptr);
    if (elapsedMs)
        *elapsedMs = timer.elapsed();
    if (ok)
        *ok = result;
    return QByteArray(buffer, int(count));
}

TesterSimulator::Script replyAtOnce(const QList<TesterSimulator::Chunk> &reply)
{
    TesterSimulator::Script script;
    script.start = TesterSimulator::Start::AtOnce;
    script.waitForCommands = false;
    script.reply = reply;
    return script;
}

// Lets bytes written by the master settle in the slave's input queue.
void waitForInput(const TesterSimulator &tester)
{
    const int fd = ::open(tester.portName().toLocal8Bit().constData(), O_RDONLY | O_NOCTTY);
    QTRY_VERIFY_WITH_TIMEOUT(
        [fd] {
            int waiting = 0;
            return ::ioctl(fd, FIONREAD, &waiting) == 0 && waiting > 0;
        }(),
        2000);
    ::close(fd);
}

} // namespace

void TestCommApi::openFollowsDevicePathRule_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<DWORD>("error");
    // "@" stands for the simulator's slave path, such as /dev/pts/5.
    QTest::newRow("prefix and /dev name") << prefix + "@dev" << DWORD(0);
    QTest::newRow("prefix and absolute path") << prefix + "@" << DWORD(0);
    QTest::newRow("absolute path without prefix") << QStringLiteral("@") << DWORD(0);
    QTest::newRow("prefix and missing /dev name")
        << prefix + "ttyLumetraMissing0" << ERROR_FILE_NOT_FOUND;
    QTest::newRow("prefix and missing absolute path")
        << prefix + "/nonexistent/ttyLumetra" << ERROR_FILE_NOT_FOUND;
}

void TestCommApi::openFollowsDevicePathRule()
{
    QFETCH(QString, name);
    QFETCH(DWORD, error);
    TesterSimulator tester;
    QVERIFY(tester.isValid());
    QVERIFY(tester.portName().startsWith("/dev/"));
    name.replace("@dev", tester.portName().mid(5)).replace("@", tester.portName());

    Port port(name);
    QCOMPARE(port.isOpen(), error == 0);
    QCOMPARE(port.error, error);
}

void TestCommApi::secondOpenIsRefusedUntilClosed()
{
    TesterSimulator tester;
    Port first(prefix + tester.portName());
    QVERIFY(first.isOpen());

    Port second(prefix + tester.portName());
    QVERIFY(!second.isOpen());
    QCOMPARE(second.error, ERROR_ACCESS_DENIED);

    // Another process is kept out by the same lock.
    QProcess other;
    other.start("flock", {"--nonblock", "--conflict-exit-code", "42", tester.portName(), "true"});
    QVERIFY(other.waitForFinished(5000));
    QCOMPARE(other.exitCode(), 42);

    first.close();
    Port third(prefix + tester.portName());
    QVERIFY(third.isOpen());
}

void TestCommApi::fileThatIsNoTerminalFailsAtGetCommState()
{
    QTemporaryFile file;
    QVERIFY(file.open());
    Port port(prefix + file.fileName());
    QVERIFY(port.isOpen());
    DCB dcb = {};
    QVERIFY(!GetCommState(port.handle, &dcb));
    QCOMPARE(GetLastError(), ERROR_INVALID_FUNCTION);
}

void TestCommApi::lineSettingsReachTermios_data()
{
    // A pseudo-terminal always keeps CS8 without PARENB, so byte size and parity
    // show only in the flags it does keep.
    QTest::addColumn<DWORD>("baud");
    QTest::addColumn<int>("byteSize");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<uint>("speed");
    QTest::addColumn<uint>("keptFlags");
    QTest::newRow("9600 8N1") << DWORD(9600) << 8 << int(NOPARITY) << int(ONESTOPBIT) << uint(B9600)
                              << 0u;
    QTest::newRow("19200 7E2") << DWORD(19200) << 7 << int(EVENPARITY) << int(TWOSTOPBITS)
                               << uint(B19200) << uint(CSTOPB);
    QTest::newRow("115200 5O1") << DWORD(115200) << 5 << int(ODDPARITY) << int(ONESTOPBIT)
                                << uint(B115200) << uint(PARODD);
    QTest::newRow("300 8M1") << DWORD(300) << 8 << int(MARKPARITY) << int(ONESTOPBIT) << uint(B300)
                             << uint(PARODD | CMSPAR);
    QTest::newRow("57600 6S2") << DWORD(57600) << 6 << int(SPACEPARITY) << int(TWOSTOPBITS)
                               << uint(B57600) << uint(CMSPAR | CSTOPB);
}

void TestCommApi::lineSettingsReachTermios()
{
    QFETCH(DWORD, baud);
    QFETCH(int, byteSize);
    QFETCH(int, parity);
    QFETCH(int, stopBits);
    QFETCH(uint, speed);
    QFETCH(uint, keptFlags);
    TesterSimulator tester;
    Port port(prefix + tester.portName());
    QVERIFY(port.isOpen());

    DCB dcb;
    QVERIFY(GetCommState(port.handle, &dcb));
    QCOMPARE(dcb.DCBlength, DWORD(28));
    dcb.BaudRate = baud;
    dcb.ByteSize = BYTE(byteSize);
    dcb.Parity = BYTE(parity);
    dcb.StopBits = BYTE(stopBits);
    QVERIFY(SetCommState(port.handle, &dcb));

    const termios settings = tester.lineSettings();
    QCOMPARE(uint(cfgetospeed(&settings)), speed);
    QCOMPARE(uint(cfgetispeed(&settings)), speed);
    QCOMPARE(uint(settings.c_cflag & (PARODD | CMSPAR | CSTOPB)), keptFlags);
    QCOMPARE(uint(settings.c_cflag & (CSIZE | PARENB)), uint(CS8));

    DCB readBack;
    QVERIFY(GetCommState(port.handle, &readBack));
    QCOMPARE(readBack.BaudRate, baud);
    QCOMPARE(int(readBack.StopBits), stopBits);
}

void TestCommApi::setCommStateMakesLineRawWithFlowControl()
{
    TesterSimulator tester;
    termios cooked = tester.lineSettings();
    cooked.c_lflag |= ICANON | ECHO | ISIG;
    cooked.c_iflag |= ICRNL;
    cooked.c_oflag |= OPOST;
    tester.setLineSettings(cooked);
    Port port(prefix + tester.portName());

    DCB dcb;
    QVERIFY(GetCommState(port.handle, &dcb));
    dcb.fOutxCtsFlow = 1;
    dcb.fOutX = 1;
    dcb.fInX = 1;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    QVERIFY(SetCommState(port.handle, &dcb));
    termios settings = tester.lineSettings();
    QCOMPARE(settings.c_lflag & (ICANON | ECHO | ISIG), tcflag_t(0));
    QCOMPARE(settings.c_iflag & ICRNL, tcflag_t(0));
    QCOMPARE(settings.c_oflag & OPOST, tcflag_t(0));
    QVERIFY(settings.c_cflag & CRTSCTS);
    QCOMPARE(settings.c_iflag & (IXON | IXOFF), tcflag_t(IXON | IXOFF));
    QCOMPARE(settings.c_cc[VSTART], cc_t(0x11));
    QCOMPARE(settings.c_cc[VSTOP], cc_t(0x13));

    dcb.fOutxCtsFlow = 0;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fOutX = 0;
    dcb.fInX = 0;
    QVERIFY(SetCommState(port.handle, &dcb));
    settings = tester.lineSettings();
    QCOMPARE(settings.c_cflag & CRTSCTS, tcflag_t(0));
    QCOMPARE(settings.c_iflag & (IXON | IXOFF), tcflag_t(0));
}

void TestCommApi::unsupportedSettingsAreRefused_data()
{
    QTest::addColumn<QString>("member");
    QTest::addColumn<uint>("value");
    QTest::newRow("baud rate without a line speed") << "BaudRate" << 12345u;
    QTest::newRow("9 data bits") << "ByteSize" << 9u;
    QTest::newRow("4 data bits") << "ByteSize" << 4u;
    QTest::newRow("parity 5") << "Parity" << 5u;
    QTest::newRow("stop bits 3") << "StopBits" << 3u;
}

void TestCommApi::unsupportedSettingsAreRefused()
{
    QFETCH(QString, member);
    QFETCH(uint, value);
    TesterSimulator tester;
    Port port(prefix + tester.portName());
    DCB dcb;
    QVERIFY(GetCommState(port.handle, &dcb));
    const termios before = tester.lineSettings();
    if (member == "BaudRate")
        dcb.BaudRate = value;
    else if (member == "ByteSize")
        dcb.ByteSize = BYTE(value);
    else if (member == "Parity")
        dcb.Parity = BYTE(value);
    else
        dcb.StopBits = BYTE(value);

    QVERIFY(!SetCommState(port.handle, &dcb));
    QCOMPARE(GetLastError(), ERROR_INVALID_PARAMETER);
    const termios after = tester.lineSettings();
    QCOMPARE(after.c_cflag, before.c_cflag);
    QCOMPARE(cfgetospeed(&after), cfgetospeed(&before));
}

void TestCommApi::readReturnsWaitingBytesAtOnce()
{
    TesterSimulator tester;
    Port port(prefix + tester.portName());
    setTimeouts(port.handle, 2000);
    tester.start(replyAtOnce({{0, "abc"}}));
    QVERIFY(tester.waitUntilFinished(2000));
    waitForInput(tester);

    qint64 elapsed = 0;
    QCOMPARE(readOnce(port.handle, &elapsed), QByteArray("abc"));
    QVERIFY2(elapsed < 1000, qPrintable(QString::number(elapsed)));
}

void TestCommApi::quietReadSucceedsWithNothingAfterTimeout()
{
    TesterSimulator tester;
    Port port(prefix + tester.portName());
    setTimeouts(port.handle, 300);

    qint64 elapsed = 0;
    BOOL ok = 0;
    QCOMPARE(readOnce(port.handle, &elapsed, &ok), QByteArray());
    QVERIFY(ok);
    QVERIFY2(elapsed >= 295 && elapsed < 2000, qPrintable(QString::number(elapsed)));
}

void TestCommApi::readReturnsWhenFirstByteArrives()
{
    TesterSimulator tester;
    Port port(prefix + tester.portName());
    setTimeouts(port.handle, 5000);
    tester.start(replyAtOnce({{200, "x"}}));

    qint64 elapsed = 0;
    QCOMPARE(readOnce(port.handle, &elapsed), QByteArray("x"));
    QVERIFY2(elapsed >= 150 && elapsed < 2500, qPrintable(QString::number(elapsed)));
}

void TestCommApi::hangUpFailsReadAndWrite()
{
    TesterSimulator tester;
    Port port(prefix + tester.portName());
    setTimeouts(port.handle, 5000);
    TesterSimulator::Script script = replyAtOnce({{0, "data"}});
    script.hangUpAfterChunk = 0;
    tester.start(script);

    QCOMPARE(readOnce(port.handle), QByteArray("data"));
    QVERIFY(tester.waitUntilFinished(5000));
    QVERIFY(tester.hasHungUp());

    for (int pass = 0; pass < 2; ++pass) {
        qint64 elapsed = 0;
        BOOL ok = 1;
        QCOMPARE(readOnce(port.handle, &elapsed, &ok), QByteArray());
        QVERIFY(!ok);
        QCOMPARE(GetLastError(), ERROR_DEVICE_NOT_CONNECTED);
        QVERIFY2(elapsed < 2500, qPrintable(QString::number(elapsed)));
    }
    DWORD written = 1;
    QVERIFY(!WriteFile(port.handle, "x", 1, &written, nullptr));
    QCOMPARE(GetLastError(), ERROR_DEVICE_NOT_CONNECTED);
    QCOMPARE(written, DWORD(0));
}

void TestCommApi::writeDeliversEverythingInOrder()
{
    TesterSimulator tester;
    Port port(prefix + tester.portName());
    setTimeouts(port.handle, 110, 1, 110);
    tester.start(replyAtOnce({}));
    // More than the pseudo-terminal buffers, so the write has to wait for room.
    const QByteArray bytes = TesterSimulator::streamPattern(0, 256 * 1024);

    DWORD written = 0;
    QVERIFY(WriteFile(port.handle, bytes.constData(), DWORD(bytes.size()), &written, nullptr));
    QCOMPARE(written, DWORD(bytes.size()));
    QVERIFY(FlushFileBuffers(port.handle));
    QTRY_COMPARE_WITH_TIMEOUT(tester.received().size(), bytes.size(), 5000);
    QCOMPARE(tester.received(), bytes);
}

void TestCommApi::writeStopsAtItsTimeout()
{
    // A bare pair whose master nobody reads: the line takes only what fits its buffers.
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    QVERIFY(master >= 0);
    QCOMPARE(::grantpt(master), 0);
    QCOMPARE(::unlockpt(master), 0);
    Port port(prefix + QString::fromLocal8Bit(::ptsname(master)));
    QVERIFY(port.isOpen());
    DCB dcb;
    QVERIFY(GetCommState(port.handle, &dcb));
    QVERIFY(SetCommState(port.handle, &dcb));
    setTimeouts(port.handle, 110, 0, 300);

    const QByteArray bytes(4 * 1024 * 1024, 'w');
    DWORD written = 0;
    QElapsedTimer timer;
    timer.start();
    QVERIFY(WriteFile(port.handle, bytes.constData(), DWORD(bytes.size()), &written, nullptr));
    const qint64 elapsed = timer.elapsed();
    QVERIFY(written > 0);
    QVERIFY(written < DWORD(bytes.size()));
    QVERIFY2(elapsed >= 290 && elapsed < 3000, qPrintable(QString::number(elapsed)));
    port.close();
    ::close(master);
}

void TestCommApi::purgeDiscardsWaitingInput()
{
    TesterSimulator tester;
    Port port(prefix + tester.portName());
    setTimeouts(port.handle, 200);
    tester.start(replyAtOnce({{0, "stale"}}));
    QVERIFY(tester.waitUntilFinished(2000));
    waitForInput(tester);

    QVERIFY(PurgeComm(port.handle, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR));
    BOOL ok = 0;
    QCOMPARE(readOnce(port.handle, nullptr, &ok), QByteArray());
    QVERIFY(ok);
}

void TestCommApi::lastErrorIsPerThread()
{
    Port missing(prefix + "ttyLumetraMissing0");
    QCOMPARE(GetLastError(), ERROR_FILE_NOT_FOUND);
    DWORD otherThreadError = 0;
    std::thread other([&otherThreadError] {
        CloseHandle(INVALID_HANDLE_VALUE);
        otherThreadError = GetLastError();
    });
    other.join();
    QCOMPARE(otherThreadError, ERROR_INVALID_HANDLE);
    QCOMPARE(GetLastError(), ERROR_FILE_NOT_FOUND);
}

void TestCommApi::invalidHandleIsRefused()
{
    DCB dcb = {};
    COMMTIMEOUTS timeouts = {};
    char buffer[4];
    DWORD count = 0;
    const QList<std::function<BOOL()>> calls = {
        [&] { return GetCommState(INVALID_HANDLE_VALUE, &dcb); },
        [&] { return SetCommState(INVALID_HANDLE_VALUE, &dcb); },
        [&] { return SetCommMask(INVALID_HANDLE_VALUE, 0); },
        [&] { return SetupComm(INVALID_HANDLE_VALUE, 4096, 4096); },
        [&] { return PurgeComm(INVALID_HANDLE_VALUE, PURGE_RXCLEAR); },
        [&] { return SetCommTimeouts(INVALID_HANDLE_VALUE, &timeouts); },
        [&] { return ReadFile(INVALID_HANDLE_VALUE, buffer, 4, &count, nullptr); },
        [&] { return WriteFile(INVALID_HANDLE_VALUE, buffer, 4, &count, nullptr); },
        [&] { return FlushFileBuffers(INVALID_HANDLE_VALUE); },
        [&] { return CloseHandle(INVALID_HANDLE_VALUE); },
    };
    for (int i = 0; i < calls.size(); ++i) {
        QVERIFY2(!calls.at(i)(), qPrintable(QString::number(i)));
        QCOMPARE(GetLastError(), ERROR_INVALID_HANDLE);
    }
}

QTEST_GUILESS_MAIN(TestCommApi)
#include "tst_commapi.moc"
