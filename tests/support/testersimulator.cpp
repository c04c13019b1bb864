#include "tests/support/testersimulator.h"

#include <QDeadlineTimer>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

TesterSimulator::TesterSimulator()
{
    masterFd = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (masterFd < 0 || ::grantpt(masterFd) != 0 || ::unlockpt(masterFd) != 0)
        qFatal("TesterSimulator: no pseudo-terminal");
    slavePath = ::ptsname(masterFd);
    slaveFd = ::open(slavePath.constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios raw; // the program discards its input before it sets its own: no echo meanwhile
    ::tcgetattr(slaveFd, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(slaveFd, TCSANOW, &raw);
    int packetMode = 1; // that discard shows on the master
    ::ioctl(masterFd, TIOCPKT, &packetMode);
}

TesterSimulator::~TesterSimulator()
{
    stop();
    ::close(slaveFd);
    ::close(masterFd);
}

QByteArray TesterSimulator::received() const
{
    QMutexLocker locker(&mutex);
    return QByteArray(receivedBytes.constData(), receivedBytes.size()); // deep: no sharing
}

void TesterSimulator::stop()
{
    stopping = true;
    if (player.joinable())
        player.join();
}

void TesterSimulator::start(const Script &script)
{
    stop();
    stopping = false;
    // Takes what the program sends, waking for events too, until done(); false once stopping.
    const auto pump = [this](short events, auto &&done) {
        char packet[4097];
        for (pollfd master = {masterFd, events, 0}; !stopping; ::poll(&master, 1, 5)) {
            for (ssize_t count; (count = ::read(masterFd, packet, sizeof packet)) > 0;) {
                QMutexLocker locker(&mutex);
                if (packet[0] == TIOCPKT_DATA)
                    receivedBytes.append(packet + 1, int(count - 1));
                portOpened = portOpened || (packet[0] & TIOCPKT_FLUSHREAD);
            }
            if (done())
                return true;
        }
        return false;
    };
    pump(POLLIN, [] { return true; }); // what came before counts for nothing
    portOpened = finished = false;
    player = std::thread([this, pump, script, commandsFrom = received().size()] {
        const auto send = [&](const Chunk &chunk) {
            const QDeadlineTimer pause(chunk.first);
            const char *at = chunk.second.constData(), *const end = at + chunk.second.size();
            return pump(POLLIN, [&] { return pause.hasExpired(); }) && pump(POLLIN | POLLOUT, [&] {
                       at += qMax<ssize_t>(0, ::write(masterFd, at, size_t(end - at)));
                       return at == end;
                   });
        };
        bool playing = pump(POLLIN, [this] { return portOpened.load(); });
        for (const Chunk &chunk : script.beforeCommands)
            playing = playing && send(chunk);
        playing = playing &&
                  pump(POLLIN, [&] { return received().indexOf(commands, commandsFrom) >= 0; });
        const int last = script.hangUpAfterChunk;
        for (const Chunk &chunk : script.reply.mid(0, last < 0 ? -1 : last + 1))
            playing = playing && send(chunk);
        QDeadlineTimer quiet(50); // read once the slave's queue stays empty: bytes reach it late
        if (playing && last >= 0 && pump(POLLIN, [&, unread = 0]() mutable {
                if (::ioctl(slaveFd, FIONREAD, &unread) != 0 || unread > 0)
                    quiet.setRemainingTime(50);
                return quiet.hasExpired();
            })) {
            ::close(std::exchange(masterFd, -1));
            ::close(std::exchange(slaveFd, -1));
        }
        finished = playing;
    });
}
