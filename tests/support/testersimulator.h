#ifndef TESTERSIMULATOR_H
#define TESTERSIMULATOR_H

#include <QList>
#include <QMutex>
#include <QPair>
#include <QTest>

#include <atomic>
#include <thread>

// Plays the tester on a pseudo-terminal's master; the program opens the slave, portName(), which
// is held open here too, else the master reads as hung up. Once the program has opened it: the
// bytes before the commands; after the commands, the reply, perhaps a hang-up.
class TesterSimulator
{
public:
    using Chunk = QPair<int, QByteArray>; // sent after a pause of so many ms
    struct Script
    {
        QList<Chunk> beforeCommands, reply;
        int hangUpAfterChunk = -1; // of the reply, once the program has read it
        static Script replying(const QList<Chunk> &reply) { return {{}, reply, -1}; }
    };

    // What the program sends to start a download.
    static inline const QByteArray commands{"SYST:REM\r\nMEM:DATA? ALL\r\n"};

    TesterSimulator();
    ~TesterSimulator();
    QString portName() const { return QString::fromLocal8Bit(slavePath); }
    void start(const Script &script); // stops a running one first
    bool waitUntilFinished(int ms)
    {
        return QTest::qWaitFor([this] { return finished.load(); }, ms);
    }
    QByteArray received() const; // all along; the commands count only once sent after start()

private:
    void stop();

    int masterFd = -1, slaveFd = -1;
    QByteArray slavePath, receivedBytes;
    mutable QMutex mutex; // guards receivedBytes
    std::atomic<bool> portOpened{false}, finished{false}, stopping{false};
    std::thread player;
};

#endif
