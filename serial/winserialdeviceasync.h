#ifndef WINSERIALDEVICEASYNC_H
#define WINSERIALDEVICEASYNC_H

#include <QIODevice>
#include <QString>

namespace Ow {

class PortSettings;
class WinSerialDevice;
class WorkerThread;

// The serial device the GUI works with: a reader thread does all port I/O; new bytes
// are announced by readyRead(), a read time-out without bytes by readTimeOut(), a
// write pass that got bytes out by bytesWritten(), a device that has gone by connectionLost().
// write() only queues and returns 0.
class WinSerialDeviceAsync : public QIODevice
{
    Q_OBJECT

public:
    WinSerialDeviceAsync(QObject *parent, const QString &portName);
    ~WinSerialDeviceAsync() override;

    bool isSequential() const override;
    void close() override;
    bool atEnd() const override;
    qint64 bytesAvailable() const override;
    bool canReadLine() const override;
    bool waitForReadyRead(int msecs) override;
    bool waitForBytesWritten(int msecs) override;

    // Passes the record on to the serial device, which takes ownership.
    void setPortSettings(PortSettings *settings);

    virtual bool open(QIODevice::OpenMode mode, int readTimeout);
    // The system error code of the last open that failed (2: no such port, 5: held or refused);
    // 0 after one that succeeded, or before any.
    quint32 openError() const;

    // The read time-out when none usable is given.
    static constexpr int defaultReadTimeout = 110;
    // The read time-out that open uses for a requested one: the default below 1, at most 60000.
    static int effectiveReadTimeout(int readTimeout);

signals:
    void readTimeOut();
    // Once per open, after every byte that arrived before it.
    void connectionLost();

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 maxSize) override;

private:
    void stopReading();
    bool waitForReaderEnd();

    WinSerialDevice *device;
    WorkerThread *thread;
};

} // namespace Ow

#endif
