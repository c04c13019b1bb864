#include "tests/support/testersimulator.h"

#include <QElapsedTimer>
#include <QTest>

#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

// The simulator that later tests lean on, checked from a plain descriptor on the slave.
class TestTesterSimulator : public QObject
{
    Q_OBJECT

private slots:
    void slaveIsARawTerminal();
    void waitsForPortToBeOpenedBeforeSending();
    void repliesOnlyAfterBothCommandsInOrder();
    void keepsThePausesBetweenChunks();
    void recordsEverythingTheProgramSends();
    void survivesTheProgramClosingThePortWithoutSpinning();
    void streamsPatternIntact();
    void hangUpEndsTheLine();
};

namespace {

// The program's side: a descriptor on the slave, as a port would be opened.
class Slave
{
public:
    explicit Slave(const TesterSimulator &tester)
        : fd(::open(tester.portName().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK))
    {}
    ~Slave() { ::close(fd); }
    Slave(const Slave &) = delete;
    Slave &operator=(const Slave &) = delete;

    // What arrives within timeoutMs, until no byte came for quietMs.
    QByteArray readFor(int timeoutMs, int quietMs = 100)
    {
        QByteArray bytes;
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < timeoutMs) {
            pollfd entry = {fd, POLLIN, 0};
            const int wait = bytes.isEmpty() ? int(timeoutMs - timer.elapsed()) : quietMs;
            if (::poll(&entry, 1, qMax(wait, 0)) <= 0 || !(entry.revents & POLLIN))
                break;
            char buffer[4096];
            const ssize_t count = ::read(fd, buffer, sizeof buffer);
            if (count <= 0)
                break;
            bytes.append(buffer, int(count));
        }
        return bytes;
    }

    void send(const QByteArray &bytes)
    {
        QCOMPARE(::write(fd, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
    }
    void discardInput() { ::tcflush(fd, TCIFLUSH); }

    int fd;
};

TesterSimulator::Script reply(const QList<TesterSimulator::Chunk> &chunks)
{
    TesterSimulator::Script script;
    script.reply = chunks;
    return script;
}

qint64 processCpuMs()
{
    timespec spent;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &spent);
    return qint64(spent.tv_sec) * 1000 + spent.tv_nsec / 1000000;
}

} // namespace

void TestTesterSimulator::slaveIsARawTerminal()
{
    TesterSimulator tester;
    QVERIFY(tester.isValid());
    QVERIFY(tester.portName().startsWith("/dev/pts/"));
    Slave slave(tester);
    QVERIFY(::isatty(slave.fd));
    const termios settings = tester.lineSettings();
    QCOMPARE(settings.c_lflag & (ICANON | ECHO), tcflag_t(0));
    QCOMPARE(settings.c_oflag & OPOST, tcflag_t(0));
}

void TestTesterSimulator::waitsForPortToBeOpenedBeforeSending()
{
    TesterSimulator tester;
    TesterSimulator::Script script;
    script.beforeCommands = {{0, QByteArray("\0\0stale", 7)}, {150, QByteArray("\0more", 5)}};
    script.waitForCommands = false;
    tester.start(script);
    Slave slave(tester);
    QCOMPARE(slave.readFor(300), QByteArray());
    QVERIFY(!tester.isFinished());

    slave.discardInput();
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(slave.readFor(2000, 50), QByteArray("\0\0stale", 7));
    QCOMPARE(slave.readFor(2000), QByteArray("\0more", 5));
    QVERIFY2(timer.elapsed() >= 140, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(tester.waitUntilFinished(1000));
}

void TestTesterSimulator::repliesOnlyAfterBothCommandsInOrder()
{
    TesterSimulator tester;
    tester.start(reply({{0, "DATA\r\n"}}));
    Slave slave(tester);
    slave.discardInput();
    slave.send("MEM:DATA? ALL\r\n");
    slave.send("SYST:REM\r\n");
    QCOMPARE(slave.readFor(300), QByteArray());

    slave.send("MEM:DATA? ALL\r\n");
    QCOMPARE(slave.readFor(2000), QByteArray("DATA\r\n"));
    QVERIFY(tester.waitUntilFinished(1000));
}

void TestTesterSimulator::keepsThePausesBetweenChunks()
{
    TesterSimulator tester;
    TesterSimulator::Script script = reply({{0, "one"}, {250, "two"}});
    script.start = TesterSimulator::Start::AtOnce;
    script.waitForCommands = false;
    Slave slave(tester);
    tester.start(script);
    QCOMPARE(slave.readFor(2000, 50), QByteArray("one"));
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(slave.readFor(2000), QByteArray("two"));
    QVERIFY2(timer.elapsed() >= 150, qPrintable(QString::number(timer.elapsed())));
}

void TestTesterSimulator::recordsEverythingTheProgramSends()
{
    TesterSimulator tester;
    Slave slave(tester);
    slave.send("early ");
    TesterSimulator::Script script = reply({});
    script.waitForCommands = false;
    tester.start(script);
    slave.send(QByteArray("late\0\xff", 6));
    QTRY_COMPARE(tester.received(), QByteArray("early late\0\xff", 12));
}

void TestTesterSimulator::survivesTheProgramClosingThePortWithoutSpinning()
{
    TesterSimulator tester;
    tester.start(reply({{0, "first"}}));
    {
        Slave slave(tester);
        slave.discardInput();
        slave.send("SYST:REM\r\nMEM:DATA? ALL\r\n");
        QCOMPARE(slave.readFor(2000), QByteArray("first"));
    }
    // Nobody holds the port now but the simulator itself.
    const qint64 before = processCpuMs();
    QTest::qSleep(500);
    QVERIFY2(processCpuMs() - before < 100, qPrintable(QString::number(processCpuMs() - before)));

    tester.start(reply({{0, "second"}}));
    Slave again(tester);
    again.discardInput();
    again.send("SYST:REM\r\nMEM:DATA? ALL\r\n");
    QCOMPARE(again.readFor(2000), QByteArray("second"));
}

void TestTesterSimulator::streamsPatternIntact()
{
    TesterSimulator tester;
    Slave slave(tester);
    TesterSimulator::Script script;
    script.start = TesterSimulator::Start::AtOnce;
    script.waitForCommands = false;
    script.reply = {{0, "head"}};
    script.streamSize = 300000;
    tester.start(script);
    const QByteArray bytes = slave.readFor(10000);
    QCOMPARE(bytes.size(), 4 + 300000);
    QVERIFY(bytes.startsWith("head"));
    QVERIFY(bytes.mid(4) == TesterSimulator::streamPattern(0, 300000));
    QCOMPARE(TesterSimulator::streamPattern(1000, 3),
             TesterSimulator::streamPattern(0, 1003).mid(1000));
}

void TestTesterSimulator::hangUpEndsTheLine()
{
    TesterSimulator tester;
    TesterSimulator::Script script = reply({{0, "part"}, {0, "never"}});
    script.waitForCommands = false;
    script.hangUpAfterChunk = 0;
    tester.start(script);
    Slave slave(tester);
    slave.discardInput();
    QCOMPARE(slave.readFor(2000), QByteArray("part"));
    QVERIFY(tester.waitUntilFinished(3000));
    QVERIFY(tester.hasHungUp());
    QVERIFY(!tester.isValid());

    pollfd entry = {slave.fd, POLLIN, 0};
    QCOMPARE(::poll(&entry, 1, 1000), 1);
    QVERIFY(entry.revents & POLLHUP);
    char byte;
    QVERIFY(::read(slave.fd, &byte, 1) <= 0);
}

QTEST_GUILESS_MAIN(TestTesterSimulator)
#include "tst_testersimulator.moc"
