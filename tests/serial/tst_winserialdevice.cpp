#include "serial/winserialdevice.h"
#include "tests/support/testersimulator.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <functional>
#include <unistd.h>

using Ow::WinSerialDevice;

// The serial device and the comm API beneath it, over real pseudo-terminals.
class TestWinSerialDevice : public QObject
{
    Q_OBJECT

private slots:
    void openFollowsTheNameAndReportsTheSystemCode_data();
    void openFollowsTheNameAndReportsTheSystemCode();
    void readsWaitForTheFirstByteAndFailuresAreReportedOnce();
};

namespace {

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

} // namespace

void TestWinSerialDevice::openFollowsTheNameAndReportsTheSystemCode_data()
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

void TestWinSerialDevice::openFollowsTheNameAndReportsTheSystemCode()
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

void TestWinSerialDevice::readsWaitForTheFirstByteAndFailuresAreReportedOnce()
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

QTEST_GUILESS_MAIN(TestWinSerialDevice)
#include "tst_winserialdevice.moc"
