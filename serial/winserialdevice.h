#ifndef WINSERIALDEVICE_H
#define WINSERIALDEVICE_H

#include "serial/commapi.h"

#include <QIODevice>
#include <QString>

namespace Ow {

class PortSettings;

// One COM port as a QIODevice over a Win32 handle, with blocking reads and writes bounded by
// the port's time-outs. Used from one thread at a time, but for cancelPendingIo.
class WinSerialDevice : public QIODevice
{
public:
    explicit WinSerialDevice(const QString &portName);
    ~WinSerialDevice() override;

    bool isSequential() const override;
    void close() override;

    // Takes ownership of the record and deletes the one held before.
    void setPortSettings(PortSettings *settings);

    bool open(QIODevice::OpenMode mode, quint32 readTimeout, quint32 writeTimeout);
    // The system error code of the last open that failed; 0 after one that succeeded.
    quint32 openError() const;
    // Whether the last read or write failed because the device has gone.
    bool isDeviceGone() const;

    // From another thread: the read, write or flush under way fails at once.
    void cancelPendingIo();

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 maxSize) override;

    // Hooks for subclasses: called by open just before the time-outs and the DCB are set.
    virtual void adjustTimeouts(COMMTIMEOUTS *timeouts);
    virtual void adjustCommState();

private:
    bool failOpen(DWORD error, bool alsoToDebug);
    void applyPortSettings();
    void reportError(const QString &message);
    void reportRepeatedError(const char *operation, DWORD error, DWORD &lastError);

    QString portName;
    HANDLE handle = INVALID_HANDLE_VALUE;
    DCB *dcb = nullptr;
    PortSettings *settings;
    quint32 readTimeout = 0;
    DWORD lastOpenError = 0;
    // An unplugged port fails every pass the same way; such a run is reported once.
    DWORD lastReadError = 0;
    DWORD lastWriteError = 0;
};

} // namespace Ow

#endif
