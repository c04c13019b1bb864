#include "tests/support/testersimulator.h"

#include <QElapsedTimer>
#include <QTest>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

// The simulator's promises that, if broken, would let the download tests pass without
// exercising what they are about; checked from a plain descriptor on the slave.
class TestTesterSimulator : public QObject
{
    Q_OBJECT

private slots:
    void sendsOnlyOnceThePortIsOpenedAndKeepsThePauses();
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

    int fd;
};

} // namespace

void TestTesterSimulator::sendsOnlyOnceThePortIsOpenedAndKeepsThePauses()
{
    // Sent too early, stale input would be discarded by the open and never reach the program.
    TesterSimulator tester;
    TesterSimulator::Script script;
    script.beforeCommands = {{0, QByteArray("\0\0stale", 7)}, {250, QByteArray("\0more", 5)}};
    script.waitForCommands = false;
    tester.start(script);
    Slave slave(tester);
    QCOMPARE(slave.readFor(300), QByteArray());
    QVERIFY(!tester.isFinished());

    // Opening a port discards its input, which the simulator takes as the program's open.
    ::tcflush(slave.fd, TCIFLUSH);
    QCOMPARE(slave.readFor(2000, 50), QByteArray("\0\0stale", 7));
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(slave.readFor(2000), QByteArray("\0more", 5));
    QVERIFY2(timer.elapsed() >= 150, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(tester.waitUntilFinished(1000));
}

void TestTesterSimulator::hangUpEndsTheLine()
{
    TesterSimulator tester;
    TesterSimulator::Script script;
    script.reply = {{0, "part"}, {0, "never"}};
    script.waitForCommands = false;
    script.hangUpAfterChunk = 0;
    tester.start(script);
    Slave slave(tester);
    ::tcflush(slave.fd, TCIFLUSH);
    QCOMPARE(slave.readFor(2000), QByteArray("part"));
    QVERIFY(tester.waitUntilFinished(3000));
    QVERIFY(tester.hasHungUp());

    pollfd entry = {slave.fd, POLLIN, 0};
    QCOMPARE(::poll(&entry, 1, 1000), 1);
    QVERIFY(entry.revents & POLLHUP);
    char byte;
    QVERIFY(::read(slave.fd, &byte, 1) <= 0);
}

QTEST_GUILESS_MAIN(TestTesterSimulator)
#include "tst_testersimulator.moc"
