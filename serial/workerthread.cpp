#include "serial/workerthread.h"

#include "serial/winserialdevice.h"

#include <QElapsedTimer>
#include <QMutexLocker>

#include <cstring>

namespace Ow {

namespace {

// The most the reader hands out per read of the port.
const int chunkSize = 1024;
// The most the reader writes in one port write, which may take the write time-out plus a
// millisecond per byte: a line that takes nothing keeps the reader from reading no longer.
const int writeSliceSize = 256;
// How long the line may take nothing before the queued bytes are given up.
const int writeGiveUpTime = 2000;
// Received bytes are kept in blocks of this size, each released once it has been taken:
// a backlog that the GUI side works through gives its memory back as it goes.
const int readBlockSize = 1024 * 1024;

// A negative limit waits for as long as it takes.
bool passGate(QMutex &gate, int msecs)
{
    if (!gate.tryLock(msecs))
        return false;
    gate.unlock();
    return true;
}

} // namespace

WorkerThread::WorkerThread(QObject *parent, WinSerialDevice *device)
    : QThread(parent), device(device)
{}

WorkerThread::~WorkerThread() = default;

qint64 WorkerThread::takeData(char *data, qint64 maxSize)
{
    QMutexLocker locker(&stateMutex);
    readyReadPending = false;
    qint64 taken = 0;
    while (taken < maxSize && untakenCount > 0) {
        const QByteArray &first = readBlocks.constFirst();
        const int count = int(qMin<qint64>(maxSize - taken, first.size() - readPos));
        std::memcpy(data + taken, first.constData() + readPos, size_t(count));
        taken += count;
        untakenCount -= count;
        readPos += count;
        if (readPos == first.size()) {
            // The last block is kept for the chunks to come.
            if (readBlocks.size() > 1)
                readBlocks.removeFirst();
            else
                readBlocks.first().resize(0);
            readPos = 0;
        }
    }
    return taken;
}

qint64 WorkerThread::bytesAvailable() const
{
    QMutexLocker locker(&stateMutex);
    return untakenCount;
}

bool WorkerThread::hasLine() const
{
    QMutexLocker locker(&stateMutex);
    for (int i = 0; i < readBlocks.size(); ++i) {
        if (readBlocks.at(i).indexOf('\n', i == 0 ? readPos : 0) >= 0)
            return true;
    }
    return false;
}

void WorkerThread::queueWrite(const char *data, qint64 size)
{
    QMutexLocker locker(&writeMutex);
    writeQueue.append(data, int(size));
}

void WorkerThread::setReadTimeout(int milliseconds)
{
    readTimeout = milliseconds;
}

void WorkerThread::clearStopRequest()
{
    QMutexLocker locker(&stateMutex);
    stopRequested = false;
}

void WorkerThread::requestStop()
{
    QMutexLocker locker(&stateMutex);
    stopRequested = true;
}

bool WorkerThread::waitForReadGate(int msecs)
{
    return passGate(readWaitMutex, msecs);
}

bool WorkerThread::waitForWriteGate(int msecs)
{
    return passGate(writeWaitMutex, msecs);
}

void WorkerThread::run()
{
    readWaitMutex.lock();
    writeWaitMutex.lock();
    {
        QMutexLocker locker(&stateMutex);
        readBlocks.clear();
        readPos = 0;
        untakenCount = 0;
        readyReadPending = false;
    }
    writeStall.invalidate();

    char chunk[chunkSize];
    QElapsedTimer quiet;
    quiet.start();
    bool lossAnnounced = false;
    while (!isStopRequested()) {
        if (writeQueuedBytes())
            quiet.restart();
        // Each read waits only a part of the read time-out (the port is opened so), which
        // lets a stop or a queued write in promptly. A failed read is a read without bytes:
        // the device waits out its time-out and reports the error.
        const qint64 count = device->read(chunk, nextChunkSize());
        if (count > 0) {
            announceReadyRead(storeChunk(chunk, count));
            quiet.restart();
        }
        lossAnnounced = announceLossOnce(lossAnnounced);
        if (isStopRequested())
            break;
        if (count <= 0 && quiet.elapsed() >= readTimeout) {
            announceReadTimeOut();
            quiet.restart();
        }
    }

    writeWaitMutex.unlock();
    readWaitMutex.unlock();
}

// At most one chunk, and no more than the device holds already when it holds some:
// asking a buffered device for more makes it wait on the port for the rest, up to a
// whole read time-out, while the bytes it holds are kept back.
qint64 WorkerThread::nextChunkSize() const
{
    const qint64 held = device->bytesAvailable();
    return held > 0 ? qMin<qint64>(held, chunkSize) : chunkSize;
}

bool WorkerThread::isStopRequested() const
{
    QMutexLocker locker(&stateMutex);
    return stopRequested;
}

// Everything queued goes out before the next read, unless the line takes less than it is
// given, a write fails or a stop comes: then the reader reads and tries again in the next pass.
// The pass writes from a copy, so the GUI can queue more meanwhile, and then drops only
// what went out: bytes already on the line are never sent a second time. The pass announces
// what it got out in one; true when that is anything.
bool WorkerThread::writeQueuedBytes()
{
    const QByteArray pending = queuedBytes();
    if (pending.isEmpty())
        return false;
    const int sent = writeSlices(pending);
    dropSentBytes(isGivingUpOnWrites(sent) ? pending.size() : sent);
    if (sent == 0)
        return false;
    announceBytesWritten(sent);
    return true;
}

int WorkerThread::writeSlices(const QByteArray &pending)
{
    int sent = 0;
    while (sent < pending.size() && !isStopRequested()) {
        const int slice = qMin(writeSliceSize, pending.size() - sent);
        const qint64 count = device->write(pending.constData() + sent, slice);
        if (count < 0)
            break;
        sent += int(count);
        if (count < slice)
            break;
    }
    return sent;
}

// A line that has taken nothing for writeGiveUpTime, failed writes or not, will not take the
// bytes in time for them to matter.
bool WorkerThread::isGivingUpOnWrites(int sent)
{
    if (sent > 0) {
        writeStall.invalidate();
        return false;
    }
    if (!writeStall.isValid())
        writeStall.start();
    if (writeStall.elapsed() < writeGiveUpTime)
        return false;
    writeStall.invalidate();
    return true;
}

QByteArray WorkerThread::queuedBytes()
{
    QMutexLocker locker(&writeMutex);
    return writeQueue;
}

// The GUI side only appends, so the bytes sent are still the queue's first ones.
void WorkerThread::dropSentBytes(int count)
{
    QMutexLocker locker(&writeMutex);
    writeQueue.remove(0, count);
}

// Each gate opens only for the moment of its signal. The reader takes a gate back while
// it holds the other, against the usual order; that cannot deadlock, because no other
// thread holds a gate while it waits for anything.
void WorkerThread::announceReadyRead(bool emitSignal)
{
    readWaitMutex.unlock();
    if (emitSignal)
        emit readyRead();
    readWaitMutex.lock();
}

void WorkerThread::announceBytesWritten(qint64 count)
{
    writeWaitMutex.unlock();
    emit bytesWritten(count);
    writeWaitMutex.lock();
}

void WorkerThread::announceReadTimeOut()
{
    emit readTimeOut();
}

// A device that has gone stays gone: the reader goes on at the pace of the failing reads, which
// wait out their time-out, and the GUI side ends the transfer when it hears of the loss. Bytes the
// device still holds are handed out and announced first.
bool WorkerThread::announceLossOnce(bool announcedAlready)
{
    if (announcedAlready || device->bytesAvailable() > 0 || !device->isDeviceGone())
        return announcedAlready;
    emit connectionLost();
    return true;
}

// True when the GUI side must be told: once the device has handed out all it got in
// one read of the port (the next pass follows at once otherwise), and not while a
// readyRead the GUI has not yet acted on (by taking bytes) is on its way, since that
// one brings this chunk along. One queued signal per 1024 bytes would flood the GUI
// thread at full line speed.
bool WorkerThread::storeChunk(const char *data, qint64 size)
{
    QMutexLocker locker(&stateMutex);
    if (readBlocks.isEmpty() || readBlocks.constLast().size() + size > readBlockSize) {
        readBlocks.append(QByteArray());
        readBlocks.last().reserve(readBlockSize);
    }
    readBlocks.last().append(data, int(size));
    untakenCount += size;
    if (readyReadPending || device->bytesAvailable() > 0)
        return false;
    readyReadPending = true;
    return true;
}

} // namespace Ow
