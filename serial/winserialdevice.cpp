#include "serial/winserialdevice.h"

#include "serial/deviceloss.h"
#include "serial/portsettings.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QThread>

#include <cstdio>
#include <cstring>
#include <string>

namespace Ow {

namespace {

// Win32 opens a COM port by its device path; names such as COM10 need the prefix.
QString devicePath(const QString &portName)
{
    const QString prefix = QStringLiteral("\\\\.\\");
    return portName.startsWith(prefix) ? portName : prefix + portName;
}

QString errorText(const char *operation, DWORD error)
{
    return QStringLiteral("Win32SerialDevice::%1 failed with error: %2")
        .arg(QLatin1String(operation))
        .arg(error);
}

} // namespace

WinSerialDevice::WinSerialDevice(const QString &portName)
    : portName(portName), settings(PortSettings::create())
{}

WinSerialDevice::~WinSerialDevice()
{
    delete settings;
    settings = nullptr;
    WinSerialDevice::close();
    delete dcb;
}

bool WinSerialDevice::isSequential() const
{
    return true;
}

void WinSerialDevice::close()
{
    qDebug("Win32SerialDevice::close()");
    if (handle != INVALID_HANDLE_VALUE) {
        // Output the line has not taken would hold the close until the driver gives up on it.
        PurgeComm(handle, PURGE_TXABORT | PURGE_TXCLEAR);
        CloseHandle(handle);
        handle = INVALID_HANDLE_VALUE;
    }
}

void WinSerialDevice::setPortSettings(PortSettings *settings)
{
    delete this->settings;
    this->settings = settings;
}

bool WinSerialDevice::open(QIODevice::OpenMode mode, quint32 readTimeout, quint32 writeTimeout)
{
    // Built to the path's own length: long paths are no problem.
    const std::wstring path = devicePath(portName).toStdWString();
    qDebug("Win32SerialDevice::open()\n");
    lastOpenError = 0;

    handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return failOpen(GetLastError(), false);

    if (!dcb) {
        dcb = new DCB;
        std::memset(dcb, 0, sizeof(DCB));
        dcb->DCBlength = sizeof(DCB);
    }
    if (!GetCommState(handle, dcb))
        return failOpen(GetLastError(), false);

    applyPortSettings();
    SetCommMask(handle, 0);
    SetupComm(handle, 4096, 4096);
    PurgeComm(handle, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);

    COMMTIMEOUTS timeouts;
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;
    timeouts.ReadTotalTimeoutConstant = readTimeout;
    timeouts.WriteTotalTimeoutMultiplier = 1;
    timeouts.WriteTotalTimeoutConstant = writeTimeout;
    adjustTimeouts(&timeouts);
    // Without its time-outs a read could block for ever, and so could closing the port.
    if (!SetCommTimeouts(handle, &timeouts))
        return failOpen(GetLastError(), true);

    adjustCommState();
    if (!SetCommState(handle, dcb))
        return failOpen(GetLastError(), true);

    this->readTimeout = readTimeout;
    lastReadError = 0;
    lastWriteError = 0;
    if (!QIODevice::open(mode))
        return failOpen(GetLastError(), true);
    return true;
}

quint32 WinSerialDevice::openError() const
{
    return lastOpenError;
}

bool WinSerialDevice::isDeviceGone() const
{
    return isDeviceGoneError(lastReadError) || isDeviceGoneError(lastWriteError);
}

void WinSerialDevice::cancelPendingIo()
{
    if (handle != INVALID_HANDLE_VALUE)
        CancelIoEx(handle, nullptr);
}

qint64 WinSerialDevice::readData(char *data, qint64 maxSize)
{
    QElapsedTimer elapsed;
    elapsed.start();
    DWORD count = 0, lineErrors = 0;
    // A read that brings nothing does not say the line is alive (under Wine one never fails on a
    // terminal that has hung up): the port's state does.
    if (!ReadFile(handle, data, DWORD(maxSize), &count, nullptr) ||
        (count == 0 && !ClearCommError(handle, &lineErrors, nullptr))) {
        const DWORD error = GetLastError();
        reportRepeatedError("readData", error, lastReadError);
        // A failed read returns at once; waiting out the time-out keeps a reader from spinning.
        // A cancelled one was meant to end at once.
        const qint64 left = qint64(readTimeout) - elapsed.elapsed();
        if (left > 0 && error != ERROR_OPERATION_ABORTED)
            QThread::msleep(quint32(left));
        return -1;
    }
    lastReadError = 0;
    if (count != 0)
        emit readyRead();
    return count;
}

qint64 WinSerialDevice::writeData(const char *data, qint64 maxSize)
{
    DWORD written = 0;
    if (!WriteFile(handle, data, DWORD(maxSize), &written, nullptr)) {
        reportRepeatedError("writeData", GetLastError(), lastWriteError);
        return -1;
    }
    // What the line has not sent in time stays with the driver: it counts as written, since
    // writing it again would send it twice.
    if (FlushFileBuffers(handle))
        lastWriteError = 0;
    else
        reportRepeatedError("writeData", GetLastError(), lastWriteError);
    return written;
}

void WinSerialDevice::adjustTimeouts(COMMTIMEOUTS *) {}

void WinSerialDevice::adjustCommState() {}

bool WinSerialDevice::failOpen(DWORD error, bool alsoToDebug)
{
    lastOpenError = error;
    const QString message = errorText("open", error);
    reportError(message);
    if (alsoToDebug)
        qDebug().noquote() << message;
    close();
    return false;
}

void WinSerialDevice::applyPortSettings()
{
    if (settings)
        settings->applyTo(dcb);
}

void WinSerialDevice::reportError(const QString &message)
{
    const QByteArray text = message.toUtf8();
    std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
    std::fflush(stderr);
    setErrorString(message);
}

void WinSerialDevice::reportRepeatedError(const char *operation, DWORD error, DWORD &lastError)
{
    // A run of identical failures (an unplugged adapter) is reported once; a call cancelled by a
    // stop is no failure.
    if (error == lastError || error == ERROR_OPERATION_ABORTED)
        return;
    lastError = error;
    const QString message = errorText(operation, error);
    reportError(message);
    qDebug().noquote() << message;
}

} // namespace Ow
