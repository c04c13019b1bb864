// Prints how fast received bytes get through the serial layer, against what a plain
// read() on the same pseudo-terminal manages, the peak memory, what the reader
// thread costs while the line is quiet, and how long a close takes while the line takes no
// output. Asserts nothing.
//
// serial_throughput [megabytes [rounds]]   (default 16 MiB, 5 rounds; medians reported)

#include "serial/portsettings.h"
#include "serial/winserialdeviceasync.h"
#include "tests/support/testersimulator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <QVector>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <pthread.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

namespace {

const int quietSeconds = 5;

struct Transfer
{
    qint64 bytes = 0;
    qint64 wrong = 0;
    qint64 elapsedMs = 0;
    int chunks = 0;
};

double mebibytesPerSecond(const Transfer &transfer)
{
    return transfer.elapsedMs > 0
               ? double(transfer.bytes) / (1024.0 * 1024.0) / (transfer.elapsedMs / 1000.0)
               : 0.0;
}

// The reply streamed: byte i is i modulo 251, so that misplaced bytes show.
QByteArray pattern(qint64 size)
{
    QByteArray bytes(int(size), Qt::Uninitialized);
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i % 251);
    return bytes;
}

// Counts bytes that differ from the pattern at that offset; whole pieces first, as this
// runs inside the timed transfer.
qint64 mismatches(const char *data, qint64 size, qint64 offset)
{
    static const int piece = 64 * 1024;
    static const QByteArray expected = pattern(piece + 251);
    qint64 wrong = 0;
    for (qint64 done = 0; done < size; done += piece) {
        const int length = int(qMin<qint64>(piece, size - done));
        const char *want = expected.constData() + (offset + done) % 251;
        if (std::memcmp(data + done, want, size_t(length)) == 0)
            continue;
        for (int i = 0; i < length; ++i)
            wrong += data[done + i] != want[i];
    }
    return wrong;
}

const QByteArray commands("SYST:REM\r\nMEM:DATA? ALL\r\n");

double peakResidentMegabytes()
{
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

TesterSimulator::Script stream(qint64 size)
{
    return TesterSimulator::Script::replying({{0, pattern(size)}});
}

// (a) This machine's limit: read() on the slave into a buffer, nothing else.
Transfer plainRead(qint64 size)
{
    Transfer transfer;
    TesterSimulator tester;
    const int fd = ::open(tester.portName().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    if (fd < 0)
        return transfer;
    static char buffer[64 * 1024];
    tester.start(stream(size));
    // What a program does on opening, the simulator's cue: discard the input, ask.
    ::tcflush(fd, TCIFLUSH);
    if (::write(fd, commands.constData(), size_t(commands.size())) != commands.size())
        return transfer;
    QElapsedTimer timer;
    timer.start();
    while (transfer.bytes < size) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count <= 0)
            break;
        transfer.wrong += mismatches(buffer, count, transfer.bytes);
        transfer.bytes += count;
        ++transfer.chunks;
    }
    transfer.elapsedMs = timer.elapsed();
    ::close(fd);
    return transfer;
}

Ow::PortSettings *nineSixHundredEightNOne()
{
    Ow::PortSettings *settings = Ow::PortSettings::create();
    settings->setBaudRate(9600);
    settings->setByteSize(8);
    settings->setParity(0);
    settings->setStopBits(0);
    settings->setFBinary(1);
    return settings;
}

qint64 threadCpuNanoseconds(clockid_t clock)
{
    timespec spent;
    clock_gettime(clock, &spent);
    return qint64(spent.tv_sec) * 1000000000 + spent.tv_nsec;
}

struct QuietLine
{
    qint64 readerCpuNs = -1;
    int timeOuts = 0;
};

// (b) WinSerialDeviceAsync with a consumer that calls readAll on readyRead; then,
// when asked, the reader thread's cost during a quiet line (c).
Transfer deviceRead(qint64 size, QuietLine *quiet)
{
    Transfer transfer;
    TesterSimulator tester;
    Ow::WinSerialDeviceAsync device(nullptr, tester.portName());
    device.setPortSettings(nineSixHundredEightNOne());
    std::atomic<bool> clockKnown(false);
    clockid_t readerClock = CLOCK_THREAD_CPUTIME_ID;
    QThread *reader = device.findChild<QThread *>();
    QObject::connect(
        reader, &QThread::started, reader,
        [&] {
            pthread_getcpuclockid(pthread_self(), &readerClock);
            clockKnown = true;
        },
        Qt::DirectConnection);

    QEventLoop loop;
    QObject::connect(&device, &QIODevice::readyRead, [&] {
        const QByteArray chunk = device.readAll();
        transfer.wrong += mismatches(chunk.constData(), chunk.size(), transfer.bytes);
        transfer.bytes += chunk.size();
        ++transfer.chunks;
        if (transfer.bytes >= size)
            loop.quit();
    });
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);

    tester.start(stream(size));
    QElapsedTimer timer;
    timer.start();
    if (!device.open(QIODevice::ReadWrite, 110)) {
        std::fprintf(stderr, "serial_throughput: cannot open %s\n", qPrintable(tester.portName()));
        return transfer;
    }
    device.write(commands);
    loop.exec();
    transfer.elapsedMs = timer.elapsed();

    if (quiet && clockKnown) {
        QObject::connect(&device, &Ow::WinSerialDeviceAsync::readTimeOut,
                         [quiet] { ++quiet->timeOuts; });
        const qint64 before = threadCpuNanoseconds(readerClock);
        QTimer::singleShot(quietSeconds * 1000, &loop, &QEventLoop::quit);
        loop.exec();
        quiet->readerCpuNs = threadCpuNanoseconds(readerClock) - before;
    }
    device.close();
    return transfer;
}

// (d) How long close() (Cancel) takes while the reader's write is stuck: on a line nobody
// reads, and on one whose output is held off as a device's XOFF does.
qint64 closeWhileWriteIsStuck(bool heldOff)
{
    TesterSimulator tester;
    const int line = ::open(tester.portName().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    Ow::WinSerialDeviceAsync device(nullptr, tester.portName());
    device.setPortSettings(nineSixHundredEightNOne());
    qint64 closing = -1;
    if (line >= 0 && device.open(QIODevice::ReadWrite, 110)) {
        if (heldOff)
            ::tcflow(line, TCOOFF);
        device.write(QByteArray(64 * 1024, 'w'));
        QThread::msleep(500);
        QElapsedTimer timer;
        timer.start();
        device.close();
        closing = timer.elapsed();
    }
    ::close(line);
    return closing;
}

double median(QVector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0.0 : values.at(values.size() / 2);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // The serial layer's trace lines would drown the figures.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    const qint64 megabytes = argc > 1 ? QByteArray(argv[1]).toLongLong() : 16;
    const int rounds = argc > 2 ? QByteArray(argv[2]).toInt() : 5;
    const qint64 size = megabytes * 1024 * 1024;

    std::printf("serial_throughput: %lld MiB through a pseudo-terminal, %d rounds\n", megabytes,
                rounds);
    QVector<double> plainRates;
    QVector<double> deviceRates;
    QuietLine quiet;
    for (int round = 1; round <= rounds; ++round) {
        const Transfer plain = plainRead(size);
        const Transfer device = deviceRead(size, round == rounds ? &quiet : nullptr);
        plainRates << mebibytesPerSecond(plain);
        deviceRates << mebibytesPerSecond(device);
        std::printf("  round %d: (a) %7.1f MiB/s (%d reads, %lld wrong)   (b) %7.1f MiB/s (%d "
                    "readyRead, %lld wrong)\n",
                    round, plainRates.last(), plain.chunks, plain.wrong, deviceRates.last(),
                    device.chunks, device.wrong);
    }

    const double plainRate = median(plainRates);
    const double deviceRate = median(deviceRates);
    std::printf("  (a) plain read() on the slave, median:          %7.1f MiB/s\n", plainRate);
    std::printf("  (b) WinSerialDeviceAsync + readAll, median:     %7.1f MiB/s\n", deviceRate);
    std::printf("  ratio (b)/(a) of the medians:                   %7.2f\n",
                plainRate > 0 ? deviceRate / plainRate : 0.0);
    std::printf("  peak resident memory:                           %7.1f MiB\n",
                peakResidentMegabytes());
    std::printf("  reader thread CPU in %d s of quiet line:         %7.1f ms = %.3f %% of a core "
                "(%d readTimeOut)\n",
                quietSeconds, quiet.readerCpuNs / 1e6, quiet.readerCpuNs / 1e7 / quietSeconds,
                quiet.timeOuts);
    std::printf(
        "  close() with 64 KiB stuck in the write queue:   %7lld ms nobody reading, %lld ms "
        "output held off\n",
        closeWhileWriteIsStuck(false), closeWhileWriteIsStuck(true));
    return 0;
}
