#ifndef TESTERSIMULATOR_H
#define TESTERSIMULATOR_H

#include <QByteArray>
#include <QList>
#include <QString>

#include <condition_variable>
#include <mutex>
#include <termios.h>
#include <thread>

// Plays the PV installation tester on the master side of a pseudo-terminal. The
// program under test opens portName() (the slave) like a COM port.
//
// The script runs on the simulator's own thread, so it needs no Qt event loop and
// keeps playing while a test sits in a modal dialog. Typical use:
//
//     TesterSimulator tester;
//     TesterSimulator::Script script;
//     script.reply = {{0, "12.5;230;OK\r\n"}, {50, "13.1;229;OK\r\n"}};
//     tester.start(script);              // before the program opens the port
//     ... the program opens tester.portName() and sends the two commands ...
//     QVERIFY(tester.waitUntilFinished(5000));
//     QCOMPARE(tester.received(), QByteArray("SYST:REM\r\nMEM:DATA? ALL\r\n"));
//
// The simulator keeps a descriptor of the slave open for its whole life, without
// ever reading from it: without one, the master reads EIO and polls as hung up
// whenever the program has the port closed. It takes no lock on the slave, so the
// program's exclusive open still succeeds once and refuses a second open.
class TesterSimulator
{
public:
    // Bytes sent after a pause of quiet line.
    struct Chunk
    {
        int pauseMs = 0;
        QByteArray bytes;
    };

    enum class Start {
        // Once the program has opened the port and discarded its stale input (the
        // simulator sees the discard). Call start() before the program opens the port.
        WhenPortOpened,
        // As soon as start() is called.
        AtOnce,
    };

    struct Script
    {
        Start start = Start::WhenPortOpened;
        // Sent before the tester waits for the commands: stale input, leading 0x00 bytes.
        QList<Chunk> beforeCommands;
        // Wait for "SYST:REM\r\n" and then "MEM:DATA? ALL\r\n" before replying.
        bool waitForCommands = true;
        // The reply; an empty list is a tester that stays silent.
        QList<Chunk> reply;
        // After the reply chunks: this many bytes of streamPattern(), written as fast
        // as the pseudo-terminal takes them.
        qint64 streamSize = 0;
        // Hang up (close the master, as an unplugged cable does) after reply chunk k
        // (0-based), once the program has read what was sent (at most 2 s later).
        int hangUpAfterChunk = -1;

        // The usual script: wait for the commands, then send these chunks.
        static Script replying(const QList<Chunk> &reply);
    };

    // Opens the pseudo-terminal pair in raw mode; check isValid().
    TesterSimulator();
    ~TesterSimulator();

    TesterSimulator(const TesterSimulator &) = delete;
    TesterSimulator &operator=(const TesterSimulator &) = delete;

    bool isValid() const;
    // The slave's path, such as "/dev/pts/5": the port name to hand to the program.
    QString portName() const;

    // Plays a script; a running one is stopped first. Anything the program sent or
    // discarded before this call does not count for the new script.
    void start(const Script &script);
    // True when the last step of the script is done; false after timeoutMs.
    bool waitUntilFinished(int timeoutMs);
    bool isFinished() const;

    // Every byte the program has sent since the simulator was created.
    QByteArray received() const;
    bool hasHungUp() const;

    // The slave's line settings, as the program set them (or to set them beforehand).
    termios lineSettings() const;
    void setLineSettings(const termios &settings);

    // The bytes of the stream from position offset on; byte i is i modulo 251.
    static QByteArray streamPattern(qint64 offset, int size);

private:
    struct Step;

    void run(QList<Step> steps, int commandsFrom);
    bool readMaster();
    void drainPending();
    bool commandsArrived(int from) const;
    bool programHasReadAll() const;
    void hangUp();
    void stop();

    int masterFd = -1;
    int slaveFd = -1;
    int wakeFds[2] = {-1, -1};
    QString slavePath;

    mutable std::mutex mutex;
    std::condition_variable finishedChanged;
    QByteArray receivedBytes;
    bool portOpened = false;
    bool finished = false;
    bool hungUp = false;
    bool stopRequested = false;
    std::thread player;
};

#endif
