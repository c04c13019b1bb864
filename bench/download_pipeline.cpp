// Prints what a download costs on the whole window path (reader thread, pane and
// received bytes): throughput next to the serial layer alone, the longest stall of the
// window's event loop from Download to the save dialog (connecting included), the peak
// memory as a multiple of the dump, how soon the end of a transfer is noticed and the save
// dialog opens, how promptly Cancel and the commands act under a long read time-out, while
// connecting and while a write is stuck, what waiting for a silent tester costs, how soon
// a device node that appears shows in the port list, and what the idle window costs with the
// port watcher on and off. Asserts nothing.
//
// download_pipeline [megabytes...]   (default 8 64)

#include "app/largebuffers.h"
#include "app/settingskeys.h"
#include "mainwindow/mainwindow.h"
#include "serial/winserialdeviceasync.h"
#include "tests/support/temporarysettings.h"
#include "tests/support/testersimulator.h"
#include "tests/support/windowdriver.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

namespace {

const int shortReadTimeout = 110;
const int longReadTimeout = 20000;
const QByteArray commands("SYST:REM\r\nMEM:DATA? ALL\r\n");

// CSV lines as a tester writes them: record number, date, readings, CR LF.
QByteArray csvLines(qint64 size)
{
    QByteArray data;
    data.reserve(int(size) + 64);
    for (int record = 1; data.size() < size; ++record)
        data += QByteArray::number(record) + ";06.12.2026;14:02:11;612.4;8.91;4870;OK\r\n";
    data.truncate(int(size));
    return data;
}

double megabytesPerSecond(qint64 bytes, qint64 ms)
{
    return ms > 0 ? double(bytes) / 1e6 / (double(ms) / 1000.0) : 0.0;
}

double cpuSeconds()
{
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A line of /proc/self/status, in kB.
qint64 statusKilobytes(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

// From here on the peak resident size counts anew.
void resetPeakMemory()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    if (clearRefs.open(QIODevice::WriteOnly))
        clearRefs.write("5");
}

// A real event loop: QTest's waits sleep between their turns, which slows the window down.
bool runEventLoopUntil(const std::function<bool()> &done, int timeoutMs)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&]() {
        if (done())
            loop.quit();
    });
    poll.start(1);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

void runEventLoopFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

qint64 median(QVector<qint64> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

// The longest gap between ticks of a 10 ms timer while the event loop runs, from its making
// until stop().
class StallMeter
{
public:
    StallMeter()
    {
        QObject::connect(&ticker, &QTimer::timeout, [this]() {
            const qint64 gap = sinceTick.restart();
            if (measuring)
                longest = qMax(longest, gap);
        });
        ticker.start(10);
        sinceTick.start();
    }
    void stop() { measuring = false; }
    qint64 longestStall() const { return longest; }

private:
    QTimer ticker;
    QElapsedTimer sinceTick;
    qint64 longest = 0;
    bool measuring = true;
};

// The longest stall over ms of an idle event loop: what this machine's load alone costs the
// window, beneath every stall below.
qint64 idleStall(int ms)
{
    const StallMeter meter;
    runEventLoopFor(ms);
    return meter.longestStall();
}

void setReadTimeout(int ms)
{
    QSettings().setValue(SettingsKeys::deviceReadTimeout, ms);
}

// What one download through the window looked like, in ms since Download was pressed.
struct Download
{
    qint64 firstByte = -1;
    qint64 lastByte = -1;
    qint64 idle = -1;
    qint64 saveDialog = -1;
    qint64 longestStall = 0;
    qint64 peakKilobytes = 0;
};

Download downloadThroughWindow(const QByteArray &reply)
{
    TesterSimulator tester;
    tester.start(TesterSimulator::Script::replying({{0, reply}}));
    WindowDriver driver({tester.portName()});
    Download result;
    QElapsedTimer clock;
    auto *pane = driver.window()->findChild<QPlainTextEdit *>("outputTextEdit");
    QObject::connect(pane, &QPlainTextEdit::textChanged, [&]() {
        if (pane->document()->isEmpty())
            return;
        if (result.firstByte < 0)
            result.firstByte = clock.elapsed();
        result.lastByte = clock.elapsed();
    });
    driver.downloadShown = [&]() {
        if (result.idle < 0)
            result.idle = clock.elapsed();
    };

    const qint64 before = statusKilobytes("VmRSS:");
    resetPeakMemory();
    // The stall is the longest from the press until the save dialog opens.
    StallMeter meter;
    driver.whenModalAppears([&](QWidget *dialog) {
        result.saveDialog = clock.elapsed();
        meter.stop();
        qobject_cast<QDialog *>(dialog)->reject();
    });
    clock.start();
    driver.button("downloadBtn")->click();
    if (!runEventLoopUntil([&]() { return result.saveDialog >= 0; }, 600000))
        std::printf("the download did not end within ten minutes\n");
    result.peakKilobytes = statusKilobytes("VmHWM:") - before;
    result.longestStall = meter.longestStall();
    return result;
}

qint64 throughSerialLayerAlone(const QByteArray &reply)
{
    TesterSimulator tester;
    tester.start(TesterSimulator::Script::replying({{0, reply}}));
    Ow::WinSerialDeviceAsync device(nullptr, tester.portName());
    device.open(QIODevice::ReadWrite, shortReadTimeout);
    qint64 received = 0;
    QElapsedTimer clock;
    QEventLoop loop;
    QObject::connect(&device, &QIODevice::readyRead, [&]() {
        if (received == 0)
            clock.start();
        received += device.readAll().size();
        if (received >= reply.size())
            loop.quit();
    });
    device.write(commands);
    QTimer::singleShot(600000, &loop, &QEventLoop::quit);
    loop.exec();
    const qint64 elapsed = clock.elapsed();
    device.close();
    return elapsed;
}

void measureTransfer(qint64 size)
{
    setReadTimeout(shortReadTimeout);
    const QByteArray reply = csvLines(size);
    const Download window = downloadThroughWindow(reply);
    const qint64 windowMs = window.lastByte - window.firstByte;
    const qint64 serialMs = throughSerialLayerAlone(reply);
    const double dumpKilobytes = double(size) / 1024.0;
    std::printf("transfer of %.1f MB of CSV lines\n", double(size) / 1e6);
    std::printf("  whole window path, first to last byte in the pane: %8.2f MB/s (%lld ms)\n",
                megabytesPerSecond(size, windowMs), static_cast<long long>(windowMs));
    std::printf("  serial layer alone, readAll consumer:              %8.2f MB/s (%lld ms)\n",
                megabytesPerSecond(size, serialMs), static_cast<long long>(serialMs));
    std::printf("  longest event-loop stall, Download to the save dialog: %lld ms (target at most "
                "50)\n",
                static_cast<long long>(window.longestStall));
    std::printf("  peak memory of the download: %.0f MB, %.1f x the dump (target at most 6)\n",
                double(window.peakKilobytes) / 1024.0,
                double(window.peakKilobytes) / dumpKilobytes);
}

void measureEndDetection()
{
    setReadTimeout(shortReadTimeout);
    QVector<qint64> toIdle;
    QVector<qint64> toSaveDialog;
    QVector<qint64> stalls;
    for (int run = 0; run < 10; ++run) {
        const Download download = downloadThroughWindow(csvLines(4096));
        toIdle.append(download.idle - download.lastByte);
        toSaveDialog.append(download.saveDialog - download.lastByte);
        stalls.append(download.longestStall);
    }
    std::printf("last byte to the end of a short download, median of %d (read time-out %d ms):\n",
                int(toIdle.size()), shortReadTimeout);
    std::printf("  controls back to idle: %lld ms (target %d)\n",
                static_cast<long long>(median(toIdle)), shortReadTimeout + 30);
    std::printf("  save dialog open:      %lld ms (target %d)\n",
                static_cast<long long>(median(toSaveDialog)), shortReadTimeout + 60);
    std::printf("  longest event-loop stall, Download to the save dialog (connecting included): "
                "%lld ms, worst of %d %lld ms (target at most 50)\n",
                static_cast<long long>(median(stalls)), int(stalls.size()),
                static_cast<long long>(*std::max_element(stalls.begin(), stalls.end())));
}

// A line that keeps sending 0x00 stretches the connecting pause to its longest, 25 reads.
TesterSimulator::Script endlessZeros()
{
    return {QVector<TesterSimulator::Chunk>(300, {40, QByteArray(1, '\0')}).toList(), {}, -1};
}

// Cancel pressed pressAt ms after Download, during the connecting pause. Returns the ms from
// the press until the window is idle again, -1 when the press did nothing, and the longest
// event-loop stall from Download until then.
QPair<qint64, qint64> cancelWhileConnecting(int pressAt)
{
    // A pause in the line must not end a download whose Cancel was not acted on.
    setReadTimeout(longReadTimeout);
    TesterSimulator tester;
    tester.start(endlessZeros());
    WindowDriver driver({tester.portName()});
    QElapsedTimer clock;
    qint64 cancel = -1;
    StallMeter meter;
    QTimer::singleShot(pressAt, [&]() {
        const qint64 pressed = clock.elapsed();
        driver.button("cancelBtn")->click();
        if (driver.button("downloadBtn")->isVisible()) {
            cancel = clock.elapsed() - qMin<qint64>(pressed, pressAt);
            meter.stop();
        }
    });
    clock.start();
    driver.button("downloadBtn")->click();
    runEventLoopFor(pressAt + 500);
    return {cancel, meter.longestStall()};
}

// Cancel pressed a second after Download while the line takes none of the commands, as a
// tester that stopped reading; returns the ms the press takes.
qint64 cancelWhileWriteIsStuck()
{
    setReadTimeout(shortReadTimeout);
    TesterSimulator tester;
    tester.start(TesterSimulator::Script::replying({}));
    // Output held on the terminal itself; the download's own line settings do not release it.
    const int line = ::open(QFile::encodeName(tester.portName()).constData(), O_RDWR | O_NOCTTY);
    ::tcflow(line, TCOOFF);
    WindowDriver driver({tester.portName()});
    driver.button("downloadBtn")->click();
    runEventLoopFor(1000);
    if (tester.received().contains(commands))
        std::printf("  (the commands went out: the write was not stuck)\n");
    QElapsedTimer clock;
    clock.start();
    driver.button("cancelBtn")->click();
    const qint64 cancel = clock.elapsed();
    ::tcflow(line, TCOON);
    ::close(line);
    return cancel;
}

void measureCancelWhileConnectingOrStuck()
{
    QVector<qint64> connecting;
    QVector<qint64> stalls;
    QVector<qint64> stuck;
    int ignored = 0;
    for (int run = 0; run < 5; ++run) {
        const QPair<qint64, qint64> times = cancelWhileConnecting(1000 + 37 * run);
        if (times.first < 0)
            ++ignored;
        else
            connecting.append(times.first);
        stalls.append(times.second);
        stuck.append(cancelWhileWriteIsStuck());
    }
    std::printf("Cancel during the connecting pause (a line of 0x00, pressed 1 s in): ");
    if (connecting.isEmpty())
        std::printf("never acted on");
    else
        std::printf("%lld ms", static_cast<long long>(median(connecting)));
    std::printf(" (median of %d; %d presses did nothing; target at most 50)\n",
                int(connecting.size()), ignored);
    std::printf("  longest event-loop stall from Download until then: %lld ms (target at most "
                "50)\n",
                static_cast<long long>(*std::max_element(stalls.begin(), stalls.end())));
    std::printf("Cancel while the commands are stuck on the line: %lld ms, worst %lld ms "
                "(median of %d; target at most 50)\n",
                static_cast<long long>(median(stuck)),
                static_cast<long long>(*std::max_element(stuck.begin(), stuck.end())),
                int(stuck.size()));
}

// Download pressed while the tester stays silent; returns the ms from the press until the
// commands reach the tester, and the ms a Cancel press takes after waitMs of quiet line.
QPair<qint64, qint64> commandsAndCancel(int readTimeout, int waitMs)
{
    setReadTimeout(readTimeout);
    TesterSimulator tester;
    tester.start(TesterSimulator::Script::replying({}));
    WindowDriver driver({tester.portName()});
    QElapsedTimer clock;
    clock.start();
    driver.button("downloadBtn")->click();
    if (!runEventLoopUntil([&]() { return tester.received() == commands; }, 60000))
        std::printf("the commands did not reach the tester within a minute\n");
    const qint64 toCommands = clock.elapsed();
    runEventLoopFor(waitMs);
    clock.restart();
    driver.button("cancelBtn")->click();
    return {toCommands, clock.elapsed()};
}

void measurePromptness()
{
    std::printf("a silent tester (Download includes the 500 ms connecting pause):\n");
    for (int readTimeout : {shortReadTimeout, longReadTimeout}) {
        QVector<qint64> toCommands;
        QVector<qint64> cancel;
        for (int run = 0; run < 5; ++run) {
            const QPair<qint64, qint64> times = commandsAndCancel(readTimeout, 1000 + 37 * run);
            toCommands.append(times.first);
            cancel.append(times.second);
        }
        std::printf("  read time-out %5d ms: Download to commands at the tester %lld ms, "
                    "Cancel %lld ms (medians of 5; target at most 50 past connecting, 50)\n",
                    readTimeout, static_cast<long long>(median(toCommands)),
                    static_cast<long long>(median(cancel)));
    }
}

void measureWaitingCpu()
{
    setReadTimeout(shortReadTimeout);
    for (bool indicatorShown : {true, false}) {
        TesterSimulator tester;
        tester.start(TesterSimulator::Script());
        WindowDriver driver({tester.portName()});
        driver.button("downloadBtn")->click();
        if (!indicatorShown)
            driver.window()->statusBar()->findChild<QProgressBar *>()->hide();
        runEventLoopFor(500);
        const double before = cpuSeconds();
        runEventLoopFor(5000);
        const double used = cpuSeconds() - before;
        driver.button("cancelBtn")->click();
        std::printf("CPU while waiting 5 s for a silent tester, busy indicator %s: %.2f%% of a "
                    "core\n",
                    indicatorShown ? "shown" : "hidden", used / 5.0 * 100.0);
    }
}

// From a node made in the watched folder to its port in the list, Refresh untouched.
void measurePortListing()
{
    QTemporaryDir devices;
    QList<PortInfo> present;
    MainWindow window(
        nullptr, Qt::WindowFlags(), [&](QList<PortInfo> &ports) { ports = present; },
        devices.path());
    window.show();
    auto *list = window.findChild<QComboBox *>(QStringLiteral("comPorts"));
    QVector<qint64> shown;
    for (int round = 0; round < 10; ++round) {
        const QString name = QStringLiteral("ttyUSB%1").arg(round);
        present.append(PortInfo{name, {}, devices.filePath(name), {}, {}, {}, 0x1a2b, 0x3c4d});
        QElapsedTimer clock;
        clock.start();
        QFile(devices.filePath(name)).open(QIODevice::WriteOnly);
        runEventLoopUntil([&]() { return list->findText(name) >= 0; }, 5000);
        shown.append(clock.elapsed());
    }
    std::printf("device node made to its port listed (target: within 1000 ms): median %lld ms, "
                "worst %lld ms (10 nodes)\n",
                static_cast<long long>(median(shown)),
                static_cast<long long>(*std::max_element(shown.begin(), shown.end())));
}

// The shown window, idle, watching /dev or a folder that is not there (no watch at all).
void measureIdleCpuWithWatcher(int seconds)
{
    for (const QString &root : {QStringLiteral("/dev"), QStringLiteral("/nonexistent")}) {
        MainWindow window(nullptr, Qt::WindowFlags(), enumeratePorts, root);
        window.show();
        runEventLoopFor(500);
        const double before = cpuSeconds();
        runEventLoopFor(seconds * 1000);
        std::printf("CPU of the idle window over %d s, port watcher %s: %.3f%% of a core\n",
                    seconds, root == QLatin1String("/dev") ? "on (/dev)" : "off",
                    (cpuSeconds() - before) / seconds * 100.0);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    keepLargeBuffersMapped(); // as the program does
    QApplication application(argc, argv);
    TemporarySettings settings;
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});

    std::printf("longest stall of an idle event loop over 3 s on this machine: %lld ms\n",
                static_cast<long long>(idleStall(3000)));
    QVector<qint64> megabytes;
    for (int i = 1; i < argc; ++i)
        megabytes.append(qMax<qint64>(1, QByteArray(argv[i]).toLongLong()));
    if (megabytes.isEmpty())
        megabytes = {8, 64};
    for (qint64 size : qAsConst(megabytes))
        measureTransfer(size * 1000 * 1000);
    measureEndDetection();
    measurePromptness();
    measureCancelWhileConnectingOrStuck();
    measureWaitingCpu();
    measurePortListing();
    measureIdleCpuWithWatcher(10);
    return 0;
}
