#ifndef WORKERTHREAD_H
#define WORKERTHREAD_H

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMutex>
#include <QThread>

namespace Ow {

class WinSerialDevice;

// The reader thread of the asynchronous device: writes the queued bytes, reads the
// port in chunks and keeps what arrived for the GUI thread. Its signals are emitted on
// the reader thread and reach the device queued.
//
// Lock order: readWaitMutex, writeWaitMutex (both held while running, each released
// only around its signal), then writeMutex or stateMutex, never both. Neither of these
// two is held across a port read or write, so the GUI side never waits on the line.
class WorkerThread : public QThread
{
    Q_OBJECT

public:
    WorkerThread(QObject *parent, WinSerialDevice *device);
    ~WorkerThread() override;

    // Moves up to maxSize received bytes into data; never -1. Taking re-arms readyRead.
    qint64 takeData(char *data, qint64 maxSize);
    qint64 bytesAvailable() const;
    bool hasLine() const;
    void queueWrite(const char *data, qint64 size);

    // Before start: a stop asked for by a close right after start must not be lost.
    void clearStopRequest();
    // Before start: readTimeOut() comes after this long without a byte, counted across the
    // port's own shorter reads.
    void setReadTimeout(int milliseconds);
    void requestStop();

    bool waitForReadGate(int msecs);
    bool waitForWriteGate(int msecs);

signals:
    void readyRead();
    void readTimeOut();
    void bytesWritten(qint64 bytes);
    // Once per run, after the bytes that came before it.
    void connectionLost();

protected:
    void run() override;

private:
    bool isStopRequested() const;
    qint64 nextChunkSize() const;
    bool writeQueuedBytes();
    int writeSlices(const QByteArray &pending);
    bool isGivingUpOnWrites(int sent);
    QByteArray queuedBytes();
    void dropSentBytes(int count);
    bool storeChunk(const char *data, qint64 size);
    void announceReadyRead(bool emitSignal);
    void announceBytesWritten(qint64 count);
    void announceReadTimeOut();
    bool announceLossOnce(bool announcedAlready);

    WinSerialDevice *device;
    int readTimeout = 0;
    // Received bytes, in blocks in arrival order.
    QList<QByteArray> readBlocks;
    // Bytes of the first block taken already.
    int readPos = 0;
    qint64 untakenCount = 0;
    // A readyRead was emitted and the GUI side has taken nothing since.
    bool readyReadPending = false;
    mutable QMutex stateMutex;
    QMutex readWaitMutex;
    bool stopRequested = false;
    QByteArray writeQueue;
    QMutex writeMutex;
    QMutex writeWaitMutex;
    // Reader thread only: since when the line has taken none of the queued bytes.
    QElapsedTimer writeStall;
};

} // namespace Ow

#endif
