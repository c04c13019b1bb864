#include "serial/winserialdeviceasync.h"

#include "serial/winserialdevice.h"
#include "serial/workerthread.h"

#include <QDeadlineTimer>

namespace Ow {

namespace {

const quint32 writeTimeout = 110;
const int longestReadTimeout = 60000;
// The longest a single port read waits; how soon the reader sees a stop or a queued write.
const int longestPortRead = 40;
// The longest a stop waits for the reader, and how often meanwhile it cancels the port call
// under way.
const int longestStop = 1000;
const int cancelInterval = 50;

// The read time-out cut into equal port reads of at most longestPortRead.
quint32 portReadTimeout(int readTimeout)
{
    const int reads = (readTimeout + longestPortRead - 1) / longestPortRead;
    return quint32((readTimeout + reads - 1) / reads);
}

} // namespace

WinSerialDeviceAsync::WinSerialDeviceAsync(QObject *parent, const QString &portName)
    : QIODevice(parent)
    , device(new WinSerialDevice(portName))
    , thread(new WorkerThread(this, device))
{
    connect(thread, SIGNAL(readyRead()), this, SIGNAL(readyRead()));
    connect(thread, SIGNAL(readTimeOut()), this, SIGNAL(readTimeOut()));
    connect(thread, SIGNAL(bytesWritten(qint64)), this, SIGNAL(bytesWritten(qint64)));
    connect(thread, SIGNAL(connectionLost()), this, SIGNAL(connectionLost()));
}

WinSerialDeviceAsync::~WinSerialDeviceAsync()
{
    WinSerialDeviceAsync::close();
    // A driver that ignores even the cancel keeps the reader in the device: then both go once the
    // reader ends, and the port with them. Connected first, so that no ending is missed.
    connect(thread, SIGNAL(finished()), device, SLOT(deleteLater()));
    connect(thread, SIGNAL(finished()), thread, SLOT(deleteLater()));
    if (thread->isRunning())
        thread->setParent(nullptr);
    else
        delete device;
}

bool WinSerialDeviceAsync::isSequential() const
{
    return true;
}

void WinSerialDeviceAsync::close()
{
    if (thread->isRunning())
        stopReading();
}

bool WinSerialDeviceAsync::atEnd() const
{
    return thread->bytesAvailable() == 0;
}

qint64 WinSerialDeviceAsync::bytesAvailable() const
{
    return thread->bytesAvailable();
}

bool WinSerialDeviceAsync::canReadLine() const
{
    return thread->hasLine();
}

bool WinSerialDeviceAsync::waitForReadyRead(int msecs)
{
    return thread->waitForReadGate(msecs);
}

bool WinSerialDeviceAsync::waitForBytesWritten(int msecs)
{
    return thread->waitForWriteGate(msecs);
}

void WinSerialDeviceAsync::setPortSettings(PortSettings *settings)
{
    device->setPortSettings(settings);
}

bool WinSerialDeviceAsync::open(QIODevice::OpenMode mode, int readTimeout)
{
    if (thread->isRunning())
        return false;
    const int timeout = effectiveReadTimeout(readTimeout);
    if (!device->open(mode, portReadTimeout(timeout), writeTimeout))
        return false;
    thread->setReadTimeout(timeout);
    thread->clearStopRequest();
    thread->start();
    return QIODevice::open(mode | QIODevice::Unbuffered);
}

quint32 WinSerialDeviceAsync::openError() const
{
    return device->openError();
}

// Zero would make every read return at once and the reader spin; no tester pauses for
// more than a minute within a transfer.
int WinSerialDeviceAsync::effectiveReadTimeout(int readTimeout)
{
    if (readTimeout < 1)
        return defaultReadTimeout;
    return qMin(readTimeout, longestReadTimeout);
}

qint64 WinSerialDeviceAsync::readData(char *data, qint64 maxSize)
{
    return thread->takeData(data, maxSize);
}

qint64 WinSerialDeviceAsync::writeData(const char *data, qint64 maxSize)
{
    thread->queueWrite(data, maxSize);
    return 0;
}

// The reader ends with the pass under way, whose port calls end within their time-outs. A call
// that knows none, such as a flush on Windows while the line is held off, is cancelled.
void WinSerialDeviceAsync::stopReading()
{
    QIODevice::close();
    thread->requestStop();
    if (waitForReaderEnd())
        device->close();
}

bool WinSerialDeviceAsync::waitForReaderEnd()
{
    const QDeadlineTimer limit(longestStop);
    while (!thread->wait(quint32(qMin<qint64>(cancelInterval, limit.remainingTime())))) {
        if (limit.hasExpired())
            return false;
        device->cancelPendingIo();
    }
    return true;
}

} // namespace Ow
