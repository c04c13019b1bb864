#include "serial/winserialdeviceasync.h"

#include "serial/winserialdevice.h"
#include "serial/workerthread.h"

namespace Ow {

namespace {

const quint32 writeTimeout = 110;
const int longestReadTimeout = 60000;
// The longest a single port read waits; how soon the reader sees a stop or a queued write.
const int longestPortRead = 40;

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
}

WinSerialDeviceAsync::~WinSerialDeviceAsync()
{
    WinSerialDeviceAsync::close();
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

// The reader ends with the port read under way, or with a write the line does not take
// after the write time-out.
void WinSerialDeviceAsync::stopReading()
{
    QIODevice::close();
    thread->requestStop();
    thread->wait();
    device->close();
}

} // namespace Ow
