#ifndef TESTERSIMULATOR_H
#define TESTERSIMULATOR_H

#include <QList>
#include <QMutex>
#include <QString>

#include <atomic>
#include <functional>
#include <poll.h>
#include <thread>

// Plays the tester on the master of a pseudo-terminal whose slave, portName(), the
// program opens as its port. Once the program has opened it (its discard of stale input
// shows on the master): the bytes before the commands, then, after "SYST:REM\r\n" and
// "MEM:DATA? ALL\r\n", the reply, and perhaps a hang-up, as an unplugged cable does.
// The simulator keeps the slave open, unlocked: else the master reads as hung up.
class TesterSimulator
{
public:
    struct Chunk
    {
        int pauseMs = 0;
        QByteArray bytes;
    };
    struct Script
    {
        QList<Chunk> beforeCommands;
        QList<Chunk> reply;
        int hangUpAfterChunk = -1; // once the program has read that chunk
        static Script replying(const QList<Chunk> &reply) { return {{}, reply, -1}; }
    };

    TesterSimulator();
    ~TesterSimulator();
    bool isValid() const { return slaveFd >= 0; }
    QString portName() const { return QString::fromLocal8Bit(slavePath); }
    // Plays a script, from here on: a running one is stopped first.
    void start(const Script &script);
    bool waitUntilFinished(int timeoutMs);
    QByteArray received() const;
    bool hasHungUp() const { return hungUp; }

private:
    void run(Script script, int commandsFrom);
    void stop();
    bool waitUntil(const std::function<bool()> &done, short events = POLLIN);
    bool send(const Chunk &chunk);

    int masterFd = -1;
    int slaveFd = -1;
    QByteArray slavePath;
    mutable QMutex mutex;
    QByteArray receivedBytes;
    std::atomic<bool> portOpened{false}, finished{false}, hungUp{false}, stopping{false};
    std::thread player;
};

#endif
