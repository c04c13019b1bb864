// Prints how fast a download gets through the whole window path (reader thread,
// pane and received bytes) next to the serial layer alone, how soon the end of a
// transfer is noticed after its last byte, the peak memory, and what waiting for a
// tester that never answers costs. Asserts nothing.
//
// download_pipeline [megabytes]   (default 8)

#include "app/settingskeys.h"
#include "mainwindow/mainwindow.h"
#include "serial/winserialdeviceasync.h"
#include "tests/support/modaldialogs.h"
#include "tests/support/temporarysettings.h"
#include "tests/support/testersimulator.h"
#include "tests/support/windowdriver.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <sys/resource.h>

namespace {

const int readTimeout = 110;

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

double peakMegabytes()
{
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// Times of the first and the last change of the pane, of the controls going back
// to idle (Download shown again) and of the save dialog.
struct Timeline
{
    QElapsedTimer clock;
    qint64 firstByte = -1;
    qint64 lastByte = -1;
    qint64 idle = -1;
    qint64 saveDialog = -1;
};

// Notes when a widget is shown.
class ShowWatcher : public QObject
{
public:
    explicit ShowWatcher(std::function<void()> shown) : shown(std::move(shown)) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            shown();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> shown;
};

Timeline downloadThroughWindow(const QByteArray &reply)
{
    TesterSimulator tester;
    tester.start(TesterSimulator::Script::replying({{0, reply}}));
    WindowDriver driver(tester.portName());
    Timeline timeline;
    timeline.clock.start();
    auto *pane = driver.window()->findChild<QPlainTextEdit *>("outputTextEdit");
    QObject::connect(pane, &QPlainTextEdit::textChanged, [&]() {
        if (pane->document()->isEmpty())
            return;
        if (timeline.firstByte < 0)
            timeline.firstByte = timeline.clock.elapsed();
        timeline.lastByte = timeline.clock.elapsed();
    });
    ShowWatcher downloadShown([&]() {
        if (timeline.idle < 0)
            timeline.idle = timeline.clock.elapsed();
    });
    driver.button("downloadBtn")->installEventFilter(&downloadShown);
    whenModalAppears([&](QWidget *dialog) {
        timeline.saveDialog = timeline.clock.elapsed();
        qobject_cast<QDialog *>(dialog)->reject();
    });
    driver.button("downloadBtn")->click();
    if (!QTest::qWaitFor([&]() { return timeline.saveDialog >= 0; }, 600000))
        std::printf("the download did not end within ten minutes\n");
    return timeline;
}

qint64 throughSerialLayerAlone(const QByteArray &reply)
{
    TesterSimulator tester;
    tester.start(TesterSimulator::Script::replying({{0, reply}}));
    Ow::WinSerialDeviceAsync device(nullptr, tester.portName());
    device.open(QIODevice::ReadWrite, readTimeout);
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
    device.write("SYST:REM\r\nMEM:DATA? ALL\r\n");
    QTimer::singleShot(600000, &loop, &QEventLoop::quit);
    loop.exec();
    const qint64 elapsed = clock.elapsed();
    device.close();
    return elapsed;
}

qint64 median(QVector<qint64> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

void measureThroughput(qint64 size)
{
    const QByteArray reply = csvLines(size);
    const Timeline window = downloadThroughWindow(reply);
    const qint64 windowMs = window.lastByte - window.firstByte;
    const qint64 serialMs = throughSerialLayerAlone(reply);
    std::printf("transfer of %.1f MB of CSV lines, first byte to last byte\n", double(size) / 1e6);
    std::printf("  whole window path (pane + received bytes): %8.2f MB/s  (%lld ms)\n",
                megabytesPerSecond(size, windowMs), static_cast<long long>(windowMs));
    std::printf("  serial layer alone, readAll consumer:      %8.2f MB/s  (%lld ms)\n",
                megabytesPerSecond(size, serialMs), static_cast<long long>(serialMs));
    std::printf("  target for the window path: at least 5 MB/s\n");
}

void measureEndDetection()
{
    QVector<qint64> toIdle;
    QVector<qint64> toSaveDialog;
    for (int run = 0; run < 10; ++run) {
        const Timeline timeline = downloadThroughWindow(csvLines(4096));
        toIdle.append(timeline.idle - timeline.lastByte);
        toSaveDialog.append(timeline.saveDialog - timeline.lastByte);
    }
    std::printf("last byte to the end of the download, median of %d short downloads "
                "(read time-out %d ms; target at most %d ms):\n",
                int(toIdle.size()), readTimeout, readTimeout + 30);
    std::printf("  end noticed, controls back to idle: %lld ms\n",
                static_cast<long long>(median(toIdle)));
    std::printf("  port closed, save dialog open:      %lld ms\n",
                static_cast<long long>(median(toSaveDialog)));
}

void measureWaitingCpu()
{
    TesterSimulator tester;
    tester.start(TesterSimulator::Script());
    WindowDriver driver(tester.portName());
    driver.button("downloadBtn")->click();
    const double before = cpuSeconds();
    QTest::qWait(5000);
    const double used = cpuSeconds() - before;
    driver.button("cancelBtn")->click();
    std::printf("CPU while waiting 5 s for a silent tester: %.2f%% of a core (target under 1%%)\n",
                used / 5.0 * 100.0);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    TemporarySettings settings;
    QSettings().setValue(SettingsKeys::deviceReadTimeout, readTimeout);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});

    const qint64 megabytes = argc > 1 ? QByteArray(argv[1]).toLongLong() : 8;
    const qint64 size = qMax<qint64>(1, megabytes) * 1000 * 1000;
    measureThroughput(size);
    measureEndDetection();
    measureWaitingCpu();
    std::printf("peak memory: %.1f MB for a %.1f MB dump (target under %.0f MB)\n", peakMegabytes(),
                double(size) / 1e6, 25.0 * double(size) / 1e6);
    return 0;
}
