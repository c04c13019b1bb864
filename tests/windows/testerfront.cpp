// testerfront REPLY-FILE LINE-SETTINGS-FILE [hang-up]: the tester for programs under Wine. Plays
// the tester simulator on a pseudo-terminal, prints the slave's path (the Wine side maps a COM port
// onto it) and answers every download with the bytes of REPLY-FILE; with hang-up, only the first,
// after which it hangs up as a tester unplugged. LINE-SETTINGS-FILE holds the line settings the
// Windows side last set, such as "9600 baud, 1 stop bits". Ends on SIGTERM or SIGINT.
#include "tests/support/testersimulator.h"

#include <QFile>
#include <QSaveFile>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

// A pseudo-terminal keeps 8 data bits without parity whatever is asked for, so only the speed
// and the stop bits show what the port's user set.
QByteArray describe(const termios &settings)
{
    const QMap<speed_t, int> rates{{B9600, 9600}, {B19200, 19200}, {B115200, 115200}};
    return QByteArray::number(rates.value(cfgetospeed(&settings), -1)) + " baud, " +
           ((settings.c_cflag & CSTOPB) ? "2" : "1") + " stop bits\n";
}

} // namespace

int main(int argc, char *argv[])
{
    const bool hangsUp = argc == 4 && qstrcmp(argv[3], "hang-up") == 0;
    QFile replyFile(QString::fromLocal8Bit(argc == 3 || hangsUp ? argv[1] : ""));
    if (!replyFile.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "usage: testerfront REPLY-FILE LINE-SETTINGS-FILE [hang-up]\n");
        return 2;
    }
    const TesterSimulator::Script script{{}, {{0, replyFile.readAll()}}, hangsUp ? 0 : -1};
    TesterSimulator tester;
    // A descriptor of the slave of its own, only to read the line settings back.
    const int slave = ::open(qPrintable(tester.portName()), O_RDWR | O_NOCTTY | O_CLOEXEC);
    std::signal(SIGTERM, [](int) { stopRequested = 1; });
    std::signal(SIGINT, [](int) { stopRequested = 1; });
    std::printf("%s\n", qPrintable(tester.portName()));
    std::fflush(stdout);

    tester.start(script);
    QByteArray shown;
    termios settings;
    while (!stopRequested && ::tcgetattr(slave, &settings) == 0) {
        const bool played = tester.waitUntilFinished(20);
        if (played && hangsUp)
            ::usleep(20 * 1000); // the line stays hung up
        else if (played)         // ready for the next download
            tester.start(script);
        const QByteArray current = describe(settings);
        // Replaced whole, so that the reader never sees half a line.
        QSaveFile file(QString::fromLocal8Bit(argv[2]));
        if (current != shown && file.open(QIODevice::WriteOnly) && file.write(current) > 0 &&
            file.commit())
            shown = current;
    }
    return stopRequested ? 0 : 1;
}
