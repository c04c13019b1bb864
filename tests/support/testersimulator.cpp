#include "tests/support/testersimulator.h"

#include <QElapsedTimer>
#include <QTest>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

TesterSimulator::TesterSimulator()
{
    masterFd = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (masterFd < 0 || ::grantpt(masterFd) != 0 || ::unlockpt(masterFd) != 0)
        return;
    slavePath = ::ptsname(masterFd);
    slaveFd = ::open(slavePath.constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios raw; // nothing sent before the program opens the port may be echoed
    ::tcgetattr(slaveFd, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(slaveFd, TCSANOW, &raw);
    int packetMode = 1; // shows the program's discard of its input on the master
    ::ioctl(masterFd, TIOCPKT, &packetMode);
}

TesterSimulator::~TesterSimulator()
{
    stop();
    ::close(slaveFd);
    ::close(masterFd);
}

void TesterSimulator::start(const Script &script)
{
    stop();
    stopping = false;
    waitUntil([] { return true; }); // what came before counts for nothing
    portOpened = finished = false;
    player = std::thread(&TesterSimulator::run, this, script, received().size());
}

void TesterSimulator::stop()
{
    stopping = true;
    if (player.joinable())
        player.join();
}

bool TesterSimulator::waitUntilFinished(int timeoutMs)
{
    return QTest::qWaitFor([this] { return finished.load(); }, timeoutMs);
}

QByteArray TesterSimulator::received() const
{
    QMutexLocker locker(&mutex);
    return QByteArray(receivedBytes.constData(), receivedBytes.size()); // deep: no sharing
}

void TesterSimulator::run(Script script, int commandsFrom)
{
    const QByteArray commands("SYST:REM\r\nMEM:DATA? ALL\r\n");
    if (!waitUntil([this] { return portOpened.load(); }))
        return;
    for (const Chunk &chunk : script.beforeCommands) {
        if (!send(chunk))
            return;
    }
    if (!waitUntil([&] { return received().indexOf(commands, commandsFrom) >= 0; }))
        return;
    for (int i = 0; i < script.reply.size(); ++i) {
        if (!send(script.reply.at(i)))
            return;
        // The bytes reach the slave's queue a moment after the write: empty for a while.
        int unread = 0;
        QElapsedTimer empty;
        if (i == script.hangUpAfterChunk && waitUntil([&] {
                if (::ioctl(slaveFd, FIONREAD, &unread) != 0 || unread > 0 || !empty.isValid())
                    empty.start();
                return empty.elapsed() >= 50;
            })) {
            ::close(masterFd);
            ::close(slaveFd);
            masterFd = slaveFd = -1;
            hungUp = true;
            break;
        }
    }
    finished = true;
}

// Takes what the program sends meanwhile; false when the simulator is stopping.
bool TesterSimulator::waitUntil(const std::function<bool()> &done, short events)
{
    char packet[4097];
    while (!stopping) {
        for (ssize_t count; (count = ::read(masterFd, packet, sizeof packet)) > 0;) {
            QMutexLocker locker(&mutex);
            if (packet[0] == TIOCPKT_DATA)
                receivedBytes.append(packet + 1, int(count - 1));
            portOpened = portOpened || (packet[0] & TIOCPKT_FLUSHREAD);
        }
        if (done())
            return true;
        pollfd master = {masterFd, events, 0};
        ::poll(&master, 1, 5);
    }
    return false;
}

bool TesterSimulator::send(const Chunk &chunk)
{
    QElapsedTimer pause;
    pause.start();
    if (!waitUntil([&] { return pause.elapsed() >= chunk.pauseMs; }))
        return false;
    int sent = 0;
    return waitUntil(
        [&] {
            const ssize_t count = ::write(masterFd, chunk.bytes.constData() + sent,
                                          size_t(chunk.bytes.size() - sent));
            sent += count > 0 ? int(count) : 0;
            return sent == chunk.bytes.size();
        },
        POLLIN | POLLOUT);
}
