#include "serial/commapi.h"

#include <QFile>
#include <QString>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// What a HANDLE points to: the open descriptor, the time-outs the driver would keep, and the
// event that CancelIoEx raises to end a wait under way on another thread.
struct Port
{
    int fd;
    int cancelFd;
    COMMTIMEOUTS timeouts;
};

// How often a drain looks at the output queue again.
const int drainPollMs = 2;

thread_local DWORD lastError = 0;

struct BaudSpeed
{
    DWORD baud;
    speed_t speed;
};

const BaudSpeed baudSpeeds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

DWORD errorFromErrno(int error)
{
    switch (error) {
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EBUSY:
    case EISDIR:
        return ERROR_ACCESS_DENIED;
    case EBADF:
        return ERROR_INVALID_HANDLE;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL:
        return ERROR_INVALID_PARAMETER;
    case ENOTTY:
        return ERROR_INVALID_FUNCTION;
    case EIO:
    case ENXIO:
    case ENODEV:
        return ERROR_DEVICE_NOT_CONNECTED;
    default:
        return ERROR_GEN_FAILURE;
    }
}

BOOL fail(DWORD error)
{
    lastError = error;
    return 0;
}

BOOL failFromErrno()
{
    return fail(errorFromErrno(errno));
}

Port *portOf(HANDLE handle)
{
    if (!handle || handle == INVALID_HANDLE_VALUE)
        return nullptr;
    return static_cast<Port *>(handle);
}

// "\\.\NAME" is /dev/NAME, or NAME itself when that is already an absolute path.
QByteArray devicePath(LPCWSTR fileName)
{
    const QString name = QString::fromWCharArray(fileName);
    const QString prefix = QStringLiteral("\\\\.\\");
    if (!name.startsWith(prefix))
        return QFile::encodeName(name);
    const QString device = name.mid(prefix.size());
    // No name names no device (an empty path fails as not found), not the /dev folder.
    if (device.isEmpty() || device.startsWith(QLatin1Char('/')))
        return QFile::encodeName(device);
    return QFile::encodeName(QStringLiteral("/dev/") + device);
}

// Milliseconds a read waits for its first byte; -1 waits without limit.
qint64 firstByteWait(const COMMTIMEOUTS &timeouts, DWORD bytesToRead)
{
    const bool intervalOff = timeouts.ReadIntervalTimeout == MAXDWORD;
    if (intervalOff && timeouts.ReadTotalTimeoutMultiplier == 0 &&
        timeouts.ReadTotalTimeoutConstant == 0)
        return 0;
    if (intervalOff && timeouts.ReadTotalTimeoutMultiplier == MAXDWORD)
        return qint64(timeouts.ReadTotalTimeoutConstant);
    // The program uses none of the other combinations; they wait up to the total.
    const qint64 total = qint64(timeouts.ReadTotalTimeoutMultiplier) * bytesToRead +
                         timeouts.ReadTotalTimeoutConstant;
    return total == 0 ? -1 : total;
}

// Windows' serial driver refuses this combination, so the substitute does too.
bool waitsForeverForOneByte(const COMMTIMEOUTS &timeouts)
{
    return timeouts.ReadIntervalTimeout == MAXDWORD &&
           timeouts.ReadTotalTimeoutMultiplier == MAXDWORD &&
           timeouts.ReadTotalTimeoutConstant == MAXDWORD;
}

qint64 writeWait(const COMMTIMEOUTS &timeouts, DWORD bytesToWrite)
{
    const qint64 total = qint64(timeouts.WriteTotalTimeoutMultiplier) * bytesToWrite +
                         timeouts.WriteTotalTimeoutConstant;
    return total == 0 ? -1 : total;
}

// A wait of up to a number of milliseconds (-1: no limit), measured from its start.
class Deadline
{
public:
    explicit Deadline(qint64 ms)
        : unlimited(ms < 0), end(Clock::now() + std::chrono::milliseconds(std::max<qint64>(ms, 0)))
    {}

    // Milliseconds left for poll(), rounded up so a wait never ends early.
    int remaining() const
    {
        if (unlimited)
            return -1;
        const auto left = end - Clock::now();
        if (left <= Clock::duration::zero())
            return 0;
        const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
        return int(std::min<qint64>(ms, INT_MAX));
    }

private:
    bool unlimited;
    Clock::time_point end;
};

enum class WaitResult { Ready, TimedOut, HungUp, Failed, Cancelled };

WaitResult waitFor(const Port &port, short events, const Deadline &deadline)
{
    for (;;) {
        const int timeout = deadline.remaining();
        if (timeout == 0)
            return WaitResult::TimedOut;
        pollfd entries[] = {{port.fd, events, 0}, {port.cancelFd, POLLIN, 0}};
        const int result = ::poll(entries, 2, timeout);
        if (result < 0 && errno == EINTR)
            continue;
        if (result < 0)
            return WaitResult::Failed;
        if (result == 0)
            return WaitResult::TimedOut;
        if (entries[1].revents & POLLIN) {
            eventfd_t cancels;
            ::eventfd_read(port.cancelFd, &cancels);
            return WaitResult::Cancelled;
        }
        if (entries[0].revents & (POLLHUP | POLLERR | POLLNVAL))
            return WaitResult::HungUp;
        return WaitResult::Ready;
    }
}

DWORD baudFromSpeed(speed_t speed)
{
    for (const BaudSpeed &entry : baudSpeeds) {
        if (entry.speed == speed)
            return entry.baud;
    }
    return 0;
}

bool speedFromBaud(DWORD baud, speed_t *speed)
{
    for (const BaudSpeed &entry : baudSpeeds) {
        if (entry.baud == baud) {
            *speed = entry.speed;
            return true;
        }
    }
    return false;
}

BYTE byteSizeFromFlags(tcflag_t cflag)
{
    switch (cflag & CSIZE) {
    case CS5:
        return 5;
    case CS6:
        return 6;
    case CS7:
        return 7;
    default:
        return 8;
    }
}

BYTE parityFromFlags(tcflag_t cflag)
{
    if (!(cflag & PARENB))
        return NOPARITY;
    if (cflag & CMSPAR)
        return (cflag & PARODD) ? MARKPARITY : SPACEPARITY;
    return (cflag & PARODD) ? ODDPARITY : EVENPARITY;
}

void fillDcb(const termios &tio, int modemLines, bool linesKnown, DCB *dcb)
{
    std::memset(dcb, 0, sizeof(DCB));
    dcb->DCBlength = sizeof(DCB);
    dcb->BaudRate = baudFromSpeed(cfgetospeed(&tio));
    dcb->fBinary = 1;
    dcb->fParity = (tio.c_iflag & INPCK) ? 1 : 0;
    const bool rtsCts = tio.c_cflag & CRTSCTS;
    dcb->fOutxCtsFlow = rtsCts ? 1 : 0;
    const bool dtrOn = !linesKnown || (modemLines & TIOCM_DTR);
    const bool rtsOn = !linesKnown || (modemLines & TIOCM_RTS);
    dcb->fDtrControl = dtrOn ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
    dcb->fRtsControl =
        rtsCts ? RTS_CONTROL_HANDSHAKE : (rtsOn ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE);
    dcb->fOutX = (tio.c_iflag & IXON) ? 1 : 0;
    dcb->fInX = (tio.c_iflag & IXOFF) ? 1 : 0;
    dcb->ByteSize = byteSizeFromFlags(tio.c_cflag);
    dcb->Parity = parityFromFlags(tio.c_cflag);
    dcb->StopBits = (tio.c_cflag & CSTOPB) ? TWOSTOPBITS : ONESTOPBIT;
    dcb->XonChar = char(tio.c_cc[VSTART]);
    dcb->XoffChar = char(tio.c_cc[VSTOP]);
}

bool applyLineSettings(const DCB &dcb, termios *tio)
{
    static const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    speed_t speed;
    if (!speedFromBaud(dcb.BaudRate, &speed) || dcb.ByteSize < 5 || dcb.ByteSize > 8 ||
        dcb.Parity > SPACEPARITY || dcb.StopBits > TWOSTOPBITS)
        return false;

    // Raw: bytes pass unchanged both ways, nothing is echoed or interpreted.
    tio->c_iflag &=
        ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK);
    tio->c_oflag &= ~OPOST;
    tio->c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    tio->c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    tio->c_cflag |= CREAD | CLOCAL | sizes[dcb.ByteSize - 5];

    if (dcb.Parity != NOPARITY)
        tio->c_cflag |= PARENB;
    if (dcb.Parity == ODDPARITY || dcb.Parity == MARKPARITY)
        tio->c_cflag |= PARODD;
    if (dcb.Parity == MARKPARITY || dcb.Parity == SPACEPARITY)
        tio->c_cflag |= CMSPAR;
    if (dcb.fParity)
        tio->c_iflag |= INPCK;
    if (dcb.StopBits != ONESTOPBIT)
        tio->c_cflag |= CSTOPB;
    if (dcb.fOutxCtsFlow || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE)
        tio->c_cflag |= CRTSCTS;
    if (dcb.fOutX)
        tio->c_iflag |= IXON;
    if (dcb.fInX)
        tio->c_iflag |= IXOFF;
    tio->c_cc[VSTART] = cc_t(dcb.XonChar);
    tio->c_cc[VSTOP] = cc_t(dcb.XoffChar);
    tio->c_cc[VMIN] = 1;
    tio->c_cc[VTIME] = 0;
    cfsetispeed(tio, speed);
    cfsetospeed(tio, speed);
    return true;
}

// Devices without modem lines (pseudo-terminals) refuse these; that is no error.
void applyModemLines(int fd, const DCB &dcb)
{
    int dtr = TIOCM_DTR;
    ::ioctl(fd, dcb.fDtrControl == DTR_CONTROL_DISABLE ? TIOCMBIC : TIOCMBIS, &dtr);
    int rts = TIOCM_RTS;
    if (dcb.fRtsControl == RTS_CONTROL_DISABLE)
        ::ioctl(fd, TIOCMBIC, &rts);
    else if (dcb.fRtsControl == RTS_CONTROL_ENABLE)
        ::ioctl(fd, TIOCMBIS, &rts);
}

// The bytes the terminal has yet to send; one that has hung up refuses to say.
BOOL readOutputQueue(const Port &port, int &queued)
{
    return ::ioctl(port.fd, TIOCOUTQ, &queued) == 0 ? 1 : failFromErrno();
}

HANDLE abandonOpen(int fd, DWORD error)
{
    ::close(fd);
    fail(error);
    return INVALID_HANDLE_VALUE;
}

} // namespace

// Always exclusive, as the device asks with share mode 0: TIOCEXCL keeps others out,
// and the flock also keeps out root, whom TIOCEXCL lets through.
HANDLE CreateFileW(LPCWSTR fileName, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE)
{
    const QByteArray path = devicePath(fileName);
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        fail(errorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return abandonOpen(fd, errno == EWOULDBLOCK ? ERROR_ACCESS_DENIED : errorFromErrno(errno));
    const int cancelFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (cancelFd < 0)
        return abandonOpen(fd, errorFromErrno(errno));
    // A file that is no terminal refuses this; GetCommState reports it.
    ::ioctl(fd, TIOCEXCL);
    return new Port{fd, cancelFd, COMMTIMEOUTS{}};
}

BOOL GetCommState(HANDLE file, LPDCB dcb)
{
    Port *port = portOf(file);
    if (!port)
        return fail(ERROR_INVALID_HANDLE);
    if (!dcb)
        return fail(ERROR_INVALID_PARAMETER);
    termios tio;
    if (::tcgetattr(port->fd, &tio) != 0)
        return failFromErrno();
    int lines = 0;
    const bool linesKnown = ::ioctl(port->fd, TIOCMGET, &lines) == 0;
    fillDcb(tio, lines, linesKnown, dcb);
    return 1;
}

BOOL SetCommState(HANDLE file, LPDCB dcb)
{
    Port *port = portOf(file);
    if (!port)
        return fail(ERROR_INVALID_HANDLE);
    if (!dcb)
        return fail(ERROR_INVALID_PARAMETER);
    termios tio;
    if (::tcgetattr(port->fd, &tio) != 0)
        return failFromErrno();
    if (!applyLineSettings(*dcb, &tio))
        return fail(ERROR_INVALID_PARAMETER);
    if (::tcsetattr(port->fd, TCSANOW, &tio) != 0)
        return failFromErrno();
    applyModemLines(port->fd, *dcb);
    return 1;
}

// No communication events are delivered here, so the mask is only checked for its handle.
BOOL SetCommMask(HANDLE file, DWORD)
{
    return portOf(file) ? 1 : fail(ERROR_INVALID_HANDLE);
}

// The kernel's queues have fixed sizes; the recommendation is accepted and not needed.
BOOL SetupComm(HANDLE file, DWORD, DWORD)
{
    return portOf(file) ? 1 : fail(ERROR_INVALID_HANDLE);
}

// The abort flags end overlapped reads and writes, and there are none: they have nothing to do.
BOOL PurgeComm(HANDLE file, DWORD flags)
{
    Port *port = portOf(file);
    if (!port)
        return fail(ERROR_INVALID_HANDLE);
    const bool input = flags & PURGE_RXCLEAR;
    const bool output = flags & PURGE_TXCLEAR;
    if (!input && !output)
        return 1;
    const int queue = input && output ? TCIOFLUSH : (input ? TCIFLUSH : TCOFLUSH);
    return ::tcflush(port->fd, queue) == 0 ? 1 : failFromErrno();
}

BOOL SetCommTimeouts(HANDLE file, LPCOMMTIMEOUTS timeouts)
{
    Port *port = portOf(file);
    if (!port)
        return fail(ERROR_INVALID_HANDLE);
    if (!timeouts || waitsForeverForOneByte(*timeouts))
        return fail(ERROR_INVALID_PARAMETER);
    port->timeouts = *timeouts;
    return 1;
}

// Bytes waiting: returned at once. None: the first byte is awaited for the read
// time-out and returned as soon as it comes. None in time: success with 0 bytes.
// A hang-up (the device gone, a pseudo-terminal's master closed) fails the read.
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED)
{
    if (bytesRead)
        *bytesRead = 0;
    Port *port = portOf(file);
    if (!port)
        return fail(ERROR_INVALID_HANDLE);
    if (!bytesRead || (!buffer && bytesToRead != 0))
        return fail(ERROR_INVALID_PARAMETER);
    if (bytesToRead == 0)
        return 1;

    const Deadline deadline(firstByteWait(port->timeouts, bytesToRead));
    bool hungUp = false;
    for (;;) {
        const ssize_t count = ::read(port->fd, buffer, bytesToRead);
        if (count > 0) {
            *bytesRead = DWORD(count);
            return 1;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && errno != EAGAIN)
            return failFromErrno();
        // Nothing waiting; a terminal that has hung up reads as end-of-file.
        if (hungUp)
            return fail(ERROR_DEVICE_NOT_CONNECTED);
        switch (waitFor(*port, POLLIN, deadline)) {
        case WaitResult::TimedOut:
            return 1;
        case WaitResult::Failed:
            return failFromErrno();
        case WaitResult::Cancelled:
            return fail(ERROR_OPERATION_ABORTED);
        case WaitResult::HungUp:
            hungUp = true;
            break;
        case WaitResult::Ready:
            break;
        }
    }
}

// Writes what the line takes within the write time-out; a time-out is success with
// the count that went out, as on Win32.
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten, LPOVERLAPPED)
{
    if (bytesWritten)
        *bytesWritten = 0;
    Port *port = portOf(file);
    if (!port)
        return fail(ERROR_INVALID_HANDLE);
    if (!bytesWritten || (!buffer && bytesToWrite != 0))
        return fail(ERROR_INVALID_PARAMETER);

    const auto *bytes = static_cast<const char *>(buffer);
    const Deadline deadline(writeWait(port->timeouts, bytesToWrite));
    DWORD written = 0;
    bool hungUp = false;
    while (written < bytesToWrite) {
        const ssize_t count = ::write(port->fd, bytes + written, bytesToWrite - written);
        if (count > 0) {
            written += DWORD(count);
            *bytesWritten = written;
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && errno != EAGAIN)
            return failFromErrno();
        if (hungUp)
            return fail(ERROR_DEVICE_NOT_CONNECTED);
        const WaitResult waited = waitFor(*port, POLLOUT, deadline);
        if (waited == WaitResult::TimedOut)
            break;
        if (waited == WaitResult::Failed)
            return failFromErrno();
        if (waited == WaitResult::Cancelled)
            return fail(ERROR_OPERATION_ABORTED);
        hungUp = waited == WaitResult::HungUp;
    }
    return 1;
}

// Waits for the output queue to empty for as long as a write of what it holds may take, where
// tcdrain would wait for ever on a line held off. Running out of time fails with
// ERROR_SEM_TIMEOUT, the code Windows gives an I/O request that timed out.
BOOL FlushFileBuffers(HANDLE file)
{
    Port *port = portOf(file);
    if (!port)
        return fail(ERROR_INVALID_HANDLE);
    int queued = 0;
    if (!readOutputQueue(*port, queued))
        return 0;
    const Deadline deadline(writeWait(port->timeouts, DWORD(queued)));
    while (queued > 0) {
        if (deadline.remaining() == 0)
            return fail(ERROR_SEM_TIMEOUT);
        // The kernel tells when there is room in the queue, not when it is empty: look again.
        if (waitFor(*port, 0, Deadline(drainPollMs)) == WaitResult::Cancelled)
            return fail(ERROR_OPERATION_ABORTED);
        if (!readOutputQueue(*port, queued))
            return 0;
    }
    return 1;
}

// Fails as the terminal does once it has hung up. It keeps no line errors to clear, and fills in
// no status.
BOOL ClearCommError(HANDLE file, LPDWORD errors, LPCOMSTAT)
{
    Port *port = portOf(file);
    if (!port)
        return fail(ERROR_INVALID_HANDLE);
    int queued = 0;
    if (!readOutputQueue(*port, queued))
        return 0;
    if (errors)
        *errors = 0;
    return 1;
}

// Ends the read, write or flush under way on the handle, or else the next one to wait, which
// fails with ERROR_OPERATION_ABORTED. Windows drops a cancel that finds no call under way.
BOOL CancelIoEx(HANDLE file, LPOVERLAPPED)
{
    Port *port = portOf(file);
    if (!port)
        return fail(ERROR_INVALID_HANDLE);
    return ::eventfd_write(port->cancelFd, 1) == 0 ? 1 : failFromErrno();
}

BOOL CloseHandle(HANDLE object)
{
    Port *port = portOf(object);
    if (!port)
        return fail(ERROR_INVALID_HANDLE);
    // The exclusive flag would outlive us while another process holds the terminal.
    ::ioctl(port->fd, TIOCNXCL);
    ::close(port->cancelFd);
    const int result = ::close(port->fd);
    delete port;
    return result == 0 ? 1 : failFromErrno();
}

DWORD GetLastError()
{
    return lastError;
}
