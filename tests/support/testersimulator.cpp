#include "tests/support/testersimulator.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// How much of the stream is prepared per write burst.
const int streamBurst = 64 * 1024;
// How long a hang-up waits at most for the program to read what was sent.
const auto hangUpGrace = std::chrono::seconds(2);
const int hangUpCheckMs = 10;

void closeFd(int &fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

int millisecondsUntil(Clock::time_point end)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now()).count();
    return left > 0 ? int(left) : 0;
}

} // namespace

struct TesterSimulator::Step
{
    enum Kind { WaitForOpen, Pause, Send, WaitForCommands, Stream, HangUp };

    static Step of(Kind kind) { return Step{kind, 0, QByteArray(), 0}; }
    static Step pause(int ms) { return Step{Pause, ms, QByteArray(), 0}; }
    static Step send(const QByteArray &bytes) { return Step{Send, 0, bytes, 0}; }
    static Step stream(qint64 size) { return Step{Stream, 0, QByteArray(), size}; }

    Kind kind;
    int pauseMs;
    QByteArray bytes;
    qint64 streamSize;
};

TesterSimulator::Script TesterSimulator::Script::replying(const QList<Chunk> &reply)
{
    Script script;
    script.reply = reply;
    return script;
}

TesterSimulator::TesterSimulator()
{
    masterFd = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    char name[256];
    if (masterFd < 0 || ::grantpt(masterFd) != 0 || ::unlockpt(masterFd) != 0 ||
        ::ptsname_r(masterFd, name, sizeof name) != 0) {
        closeFd(masterFd);
        return;
    }
    slavePath = QString::fromLocal8Bit(name);
    slaveFd = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slaveFd < 0 || ::pipe2(wakeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        closeFd(slaveFd);
        closeFd(masterFd);
        return;
    }
    // Raw from the start, so nothing sent before the program opens the port is echoed.
    termios settings;
    ::tcgetattr(slaveFd, &settings);
    ::cfmakeraw(&settings);
    ::tcsetattr(slaveFd, TCSANOW, &settings);
    // Packet mode tells the master when the program discards its input on open.
    int on = 1;
    ::ioctl(masterFd, TIOCPKT, &on);
}

TesterSimulator::~TesterSimulator()
{
    stop();
    std::lock_guard<std::mutex> lock(mutex);
    closeFd(slaveFd);
    closeFd(masterFd);
    closeFd(wakeFds[0]);
    closeFd(wakeFds[1]);
}

bool TesterSimulator::isValid() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return masterFd >= 0 && slaveFd >= 0;
}

QString TesterSimulator::portName() const
{
    return slavePath;
}

void TesterSimulator::start(const Script &script)
{
    stop();
    if (!isValid())
        return;
    drainPending();
    int commandsFrom;
    {
        std::lock_guard<std::mutex> lock(mutex);
        portOpened = false;
        finished = false;
        stopRequested = false;
        commandsFrom = receivedBytes.size();
    }

    QList<Step> steps;
    if (script.start == Start::WhenPortOpened)
        steps.append(Step::of(Step::WaitForOpen));
    for (const Chunk &chunk : script.beforeCommands) {
        steps.append(Step::pause(chunk.pauseMs));
        steps.append(Step::send(chunk.bytes));
    }
    if (script.waitForCommands)
        steps.append(Step::of(Step::WaitForCommands));
    for (int i = 0; i < script.reply.size(); ++i) {
        steps.append(Step::pause(script.reply.at(i).pauseMs));
        steps.append(Step::send(script.reply.at(i).bytes));
        if (i == script.hangUpAfterChunk) {
            steps.append(Step::of(Step::HangUp));
            break;
        }
    }
    if (script.streamSize > 0 && script.hangUpAfterChunk < 0)
        steps.append(Step::stream(script.streamSize));
    player = std::thread(&TesterSimulator::run, this, steps, commandsFrom);
}

bool TesterSimulator::waitUntilFinished(int timeoutMs)
{
    std::unique_lock<std::mutex> lock(mutex);
    return finishedChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                    [this] { return finished; });
}

bool TesterSimulator::isFinished() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return finished;
}

QByteArray TesterSimulator::received() const
{
    std::lock_guard<std::mutex> lock(mutex);
    // A deep copy: a shared one would be detached on the simulator's thread inside Qt.
    return QByteArray(receivedBytes.constData(), receivedBytes.size());
}

bool TesterSimulator::hasHungUp() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return hungUp;
}

termios TesterSimulator::lineSettings() const
{
    std::lock_guard<std::mutex> lock(mutex);
    termios settings = {};
    if (slaveFd >= 0)
        ::tcgetattr(slaveFd, &settings);
    return settings;
}

void TesterSimulator::setLineSettings(const termios &settings)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (slaveFd >= 0)
        ::tcsetattr(slaveFd, TCSANOW, &settings);
}

QByteArray TesterSimulator::streamPattern(qint64 offset, int size)
{
    const int period = 251;
    QByteArray bytes(size, Qt::Uninitialized);
    char *data = bytes.data();
    const int first = qMin(size, period);
    for (int i = 0; i < first; ++i)
        data[i] = char((offset + i) % period);
    // Whole periods copied onto themselves: cheap enough for streaming benchmarks.
    for (int filled = first; filled < size; filled *= 2)
        std::memcpy(data + filled, data, size_t(qMin(filled, size - filled)));
    return bytes;
}

void TesterSimulator::run(QList<Step> steps, int commandsFrom)
{
    QByteArray pending;
    int pendingPos = 0;
    qint64 streamed = 0;
    int current = -1;
    Clock::time_point stepEnd;
    int quietChecks = 0;

    const auto enter = [&](const Step &step) {
        pending.clear();
        pendingPos = 0;
        streamed = 0;
        quietChecks = 0;
        if (step.kind == Step::Pause)
            stepEnd = Clock::now() + std::chrono::milliseconds(step.pauseMs);
        else if (step.kind == Step::HangUp)
            stepEnd = Clock::now() + hangUpGrace;
        else if (step.kind == Step::Send)
            pending = step.bytes;
    };
    const auto isDone = [&](const Step &step) {
        switch (step.kind) {
        case Step::WaitForOpen: {
            std::lock_guard<std::mutex> lock(mutex);
            return portOpened;
        }
        case Step::Pause:
            return Clock::now() >= stepEnd;
        case Step::Send:
            return pendingPos == pending.size();
        case Step::WaitForCommands:
            return commandsArrived(commandsFrom);
        case Step::Stream:
            if (pendingPos == pending.size() && streamed < step.streamSize) {
                const int size = int(qMin<qint64>(streamBurst, step.streamSize - streamed));
                pending = streamPattern(streamed, size);
                pendingPos = 0;
                streamed += size;
            }
            return pendingPos == pending.size() && streamed == step.streamSize;
        case Step::HangUp:
            quietChecks = programHasReadAll() ? quietChecks + 1 : 0;
            return quietChecks >= 2 || Clock::now() >= stepEnd;
        }
        return true;
    };

    for (;;) {
        while (current < steps.size() && (current < 0 || isDone(steps.at(current)))) {
            if (current >= 0 && steps.at(current).kind == Step::HangUp) {
                hangUp();
                return;
            }
            if (++current < steps.size())
                enter(steps.at(current));
        }
        if (current == steps.size()) {
            std::lock_guard<std::mutex> lock(mutex);
            if (!finished) {
                finished = true;
                finishedChanged.notify_all();
            }
        }

        int timeout = -1;
        if (current < steps.size() && steps.at(current).kind == Step::Pause)
            timeout = millisecondsUntil(stepEnd);
        else if (current < steps.size() && steps.at(current).kind == Step::HangUp)
            timeout = hangUpCheckMs;
        const short masterEvents = pendingPos < pending.size() ? POLLIN | POLLOUT : POLLIN;
        pollfd fds[2] = {{wakeFds[0], POLLIN, 0}, {masterFd, masterEvents, 0}};
        if (::poll(fds, 2, timeout) < 0 && errno != EINTR)
            return;
        if (fds[0].revents) {
            std::lock_guard<std::mutex> lock(mutex);
            if (stopRequested)
                return;
        }
        if (fds[1].revents & POLLIN) {
            while (readMaster()) {
            }
        }
        if ((fds[1].revents & POLLOUT) && pendingPos < pending.size()) {
            const ssize_t count = ::write(masterFd, pending.constData() + pendingPos,
                                          size_t(pending.size() - pendingPos));
            if (count > 0)
                pendingPos += int(count);
        }
        // The simulator holds the slave, so this only happens when something is badly off.
        if (fds[1].revents & (POLLERR | POLLNVAL))
            return;
    }
}

// One packet: a status byte alone, or TIOCPKT_DATA followed by what the program sent.
bool TesterSimulator::readMaster()
{
    char packet[4096 + 1];
    const ssize_t count = ::read(masterFd, packet, sizeof packet);
    if (count <= 0)
        return false;
    std::lock_guard<std::mutex> lock(mutex);
    if (packet[0] == TIOCPKT_DATA)
        receivedBytes.append(packet + 1, int(count - 1));
    else if (packet[0] & TIOCPKT_FLUSHREAD)
        portOpened = true;
    return true;
}

void TesterSimulator::drainPending()
{
    while (readMaster()) {
    }
}

bool TesterSimulator::commandsArrived(int from) const
{
    static const QByteArray remote("SYST:REM\r\n");
    static const QByteArray dataQuery("MEM:DATA? ALL\r\n");
    std::lock_guard<std::mutex> lock(mutex);
    const int at = receivedBytes.indexOf(remote, from);
    return at >= 0 && receivedBytes.indexOf(dataQuery, at + remote.size()) >= 0;
}

// The slave's input queue is empty: the program has read everything sent so far.
bool TesterSimulator::programHasReadAll() const
{
    int waiting = 0;
    return ::ioctl(slaveFd, FIONREAD, &waiting) == 0 && waiting == 0;
}

void TesterSimulator::hangUp()
{
    std::lock_guard<std::mutex> lock(mutex);
    closeFd(masterFd);
    closeFd(slaveFd);
    hungUp = true;
    finished = true;
    finishedChanged.notify_all();
}

void TesterSimulator::stop()
{
    if (!player.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopRequested = true;
    }
    // The pipe is non-blocking: when it is full, a wake-up is waiting already.
    const char wake = 1;
    const ssize_t written = ::write(wakeFds[1], &wake, 1);
    Q_UNUSED(written)
    player.join();
    char drained[64];
    while (::read(wakeFds[0], drained, sizeof drained) > 0) {
    }
}
