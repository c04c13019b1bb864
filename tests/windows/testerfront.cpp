// testerfront REPLY-FILE LINE-SETTINGS-FILE
//
// The tester for programs running under Wine: plays the tester simulator on a
// pseudo-terminal, prints the slave's path on the first line of its output (the
// Wine side maps a COM port onto it), and answers every download, once the port has
// been opened and the two commands have arrived, with the bytes of REPLY-FILE. It
// keeps LINE-SETTINGS-FILE holding the slave's line settings as the Windows side
// last set them, read back with tcgetattr, such as "9600 baud, 1 stop bits".
// Ends on SIGTERM or SIGINT.

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

void requestStop(int)
{
    stopRequested = 1;
}

int baudRate(speed_t speed)
{
    static const struct
    {
        speed_t speed;
        int baud;
    } rates[] = {{B1200, 1200},   {B2400, 2400},   {B4800, 4800},   {B9600, 9600},
                 {B19200, 19200}, {B38400, 38400}, {B57600, 57600}, {B115200, 115200}};
    for (const auto &rate : rates) {
        if (rate.speed == speed)
            return rate.baud;
    }
    return -1;
}

// A pseudo-terminal keeps 8 data bits without parity whatever is asked for, so only
// the speed and the stop bits show what the port's user set.
QByteArray describe(const termios &settings)
{
    const int stopBits = (settings.c_cflag & CSTOPB) ? 2 : 1;
    return QByteArray::number(baudRate(cfgetospeed(&settings))) + " baud, " +
           QByteArray::number(stopBits) + " stop bits";
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    // Replaced whole, so that the reader never sees half a line.
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: testerfront REPLY-FILE LINE-SETTINGS-FILE\n");
        return 2;
    }
    QFile replyFile(QString::fromLocal8Bit(argv[1]));
    if (!replyFile.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "testerfront: cannot read %s\n", argv[1]);
        return 1;
    }
    const QByteArray reply = replyFile.readAll();
    const QString lineSettingsPath = QString::fromLocal8Bit(argv[2]);

    TesterSimulator tester; // ends the program when it gets no pseudo-terminal
    // A descriptor of the slave of its own, only to read the line settings back.
    const int slave = ::open(qPrintable(tester.portName()), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        std::fprintf(stderr, "testerfront: cannot open %s\n", qPrintable(tester.portName()));
        return 1;
    }
    std::signal(SIGTERM, requestStop);
    std::signal(SIGINT, requestStop);
    std::printf("%s\n", qPrintable(tester.portName()));
    std::fflush(stdout);

    const TesterSimulator::Script script = TesterSimulator::Script::replying({{0, reply}});
    tester.start(script);
    QByteArray lineSettings;
    while (!stopRequested) {
        // Ready for the next download as soon as one has been answered.
        if (tester.waitUntilFinished(20))
            tester.start(script);
        termios settings;
        if (::tcgetattr(slave, &settings) != 0) {
            std::perror("testerfront: tcgetattr");
            return 1;
        }
        const QByteArray current = describe(settings);
        if (current != lineSettings && writeFile(lineSettingsPath, current + '\n'))
            lineSettings = current;
    }
    ::close(slave);
    return 0;
}
