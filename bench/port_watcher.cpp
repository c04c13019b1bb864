// Prints how soon the port watcher tells of a device node that appeared or vanished, and what
// an idle watcher costs in CPU time. Asserts nothing.
//
// port_watcher [rounds [idle seconds]]   (default 20 rounds and 10 s; medians and worst reported)

#include "ports/portwatcher.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <sys/resource.h>

namespace {

// Milliseconds from the change to the watcher's signal; -1 when none came within 5 s.
double msUntilSignal(PortWatcher &watcher, const std::function<void()> &change)
{
    QEventLoop loop;
    QElapsedTimer clock;
    double elapsedMs = -1;
    const QMetaObject::Connection signal =
        QObject::connect(&watcher, &PortWatcher::portsMayHaveChanged, [&] {
            elapsedMs = clock.nsecsElapsed() / 1e6;
            loop.quit();
        });
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    clock.start();
    change();
    loop.exec();
    QObject::disconnect(signal);
    return elapsedMs;
}

void printLatencies(const char *what, QVector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    std::printf("  node %s to signal: median %6.1f ms, worst %6.1f ms (%d rounds)\n", what,
                ms.at(ms.size() / 2), ms.last(), ms.size());
}

double cpuMs()
{
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

void measureLatency(int rounds)
{
    QTemporaryDir root;
    PortWatcher watcher(0, root.path());
    const QString node = root.filePath(QStringLiteral("ttyUSB0"));
    QVector<double> appeared;
    QVector<double> vanished;
    for (int round = 0; round < rounds; ++round) {
        appeared.append(msUntilSignal(watcher, [&] { QFile(node).open(QFile::WriteOnly); }));
        vanished.append(msUntilSignal(watcher, [&] { QFile::remove(node); }));
    }
    std::printf("a watched temporary folder (target: listed within 1000 ms):\n");
    printLatencies("made", appeared);
    printLatencies("removed", vanished);
}

void measureIdleCpu(int seconds)
{
    PortWatcher watcher(0);
    int signalCount = 0;
    QObject::connect(&watcher, &PortWatcher::portsMayHaveChanged, [&] { ++signalCount; });
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    const double before = cpuMs();
    loop.exec();
    const double spent = cpuMs() - before;
    std::printf("watching /dev idle for %d s%s: %.1f ms CPU, %.3f%% of a core, %d signals\n",
                seconds, watcher.isWatching() ? "" : " (refused)", spent, spent / (seconds * 10.0),
                signalCount);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 20;
    const int idleSeconds = argc > 2 ? std::max(1, atoi(argv[2])) : 10;
    measureLatency(rounds);
    measureIdleCpu(idleSeconds);
    return 0;
}
