#include "ports/portchoice.h"
#include "ports/portenumeration.h"
#include "serial/portsettings.h"
#include "serial/winserialdevice.h"
#include "serial/winserialdeviceasync.h"

#include <QtTest>

#include <windows.h>

using Ow::PortSettings;
using Ow::WinSerialDevice;
using Ow::WinSerialDeviceAsync;

namespace {

const QByteArray commands("SYST:REM\r\nMEM:DATA? ALL\r\n");

// The tester's reply, or the line settings it saw last, such as "9600 baud, 1 stop bits\n".
QByteArray testerFile(const char *variable)
{
    QFile file(qEnvironmentVariable(variable));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

PortSettings *lineSettings(quint32 baudRate, quint8 stopBits)
{
    PortSettings *settings = PortSettings::create();
    settings->setBaudRate(baudRate);
    settings->setByteSize(8);
    settings->setParity(NOPARITY);
    settings->setStopBits(stopBits);
    return settings;
}

} // namespace

// The serial devices and the port enumeration through the real Win32 calls, under Wine. The
// registry of scripts/test-windows lists COM5 and COM15 as USB serial ports; both lead to one
// pseudo-terminal whose other side plays the tester (tests/windows/testerfront).
class TestWin32Serial : public QObject
{
    Q_OBJECT

    const QByteArray reply = testerFile("LDL_TESTER_REPLY");

private slots:
    // SetupAPI lists each port with the path that opens it and its USB identity, and the device
    // finds that path from the name alone: without the \\.\ prefix Windows takes COM10 and above
    // for a file. The settings reach the line; the reply comes whole; then a read on the quiet
    // line returns 0 after its time-out: not at once (a read that spins), not never (no time-out).
    void listedPortsOpenTakeTheirSettingsAndTimeOut()
    {
        QVERIFY2(!reply.isEmpty(), "no tester");
        QList<PortInfo> ports;
        enumeratePorts(ports);
        const QList<std::tuple<QString, quint32, quint8, QByteArray>> cases{
            {"COM5", 9600, ONESTOPBIT, "9600 baud, 1 stop bits\n"},
            {"COM15", 19200, TWOSTOPBITS, "19200 baud, 2 stop bits\n"}};
        for (const auto &[name, baudRate, stopBits, seenByTester] : cases) {
            const auto port = std::find_if(ports.cbegin(), ports.cend(),
                                           [&](const PortInfo &p) { return p.portName == name; });
            QVERIFY2(port != ports.cend(), qPrintable(name + " is not listed"));
            QCOMPARE(port->openPath, name == "COM5" ? name : "\\\\.\\" + name);
            QCOMPARE(port->friendlyName, "USB Serial Port (" + name + ")");
            QCOMPARE(port->vendorId << 16 | port->productId, 0x1A2B3C4D);
            // From the device instance id, USB\VID_1A2B&PID_3C4D\LDL<name>.
            QCOMPARE(port->serialNumber, "LDL" + name);

            WinSerialDevice device(name);
            device.setPortSettings(lineSettings(baudRate, stopBits));
            QVERIFY(device.open(QIODevice::ReadWrite | QIODevice::Unbuffered, 300, 110));
            QTRY_COMPARE_WITH_TIMEOUT(testerFile("LDL_TESTER_LINE_SETTINGS"), seenByTester, 5000);
            QCOMPARE(device.write(commands), qint64(commands.size()));
            QByteArray received;
            QElapsedTimer elapsed;
            elapsed.start();
            while (received.size() < reply.size() && elapsed.elapsed() < 5000)
                received += device.read(1024);
            QCOMPARE(received, reply);
            elapsed.restart();
            QCOMPARE(device.read(1024), QByteArray());
            QVERIFY2(elapsed.elapsed() >= 150 && elapsed.elapsed() < 3000,
                     qPrintable(QString::number(elapsed.elapsed())));
        }
        // The tester kept as COM15 is current when found there, though COM5 was stored.
        const int chosen =
            choosePort({}, ports, {}, "COM5", UsbIdentity{0x1A2B, 0x3C4D, "LDLCOM15"});
        QCOMPARE(chosen >= 0 ? ports.at(chosen).portName : QString(), "COM15");
        WinSerialDevice missing(QStringLiteral("COM16"));
        QVERIFY(!missing.open(QIODevice::ReadWrite, 110, 110));
        QCOMPARE(missing.errorString(), "Win32SerialDevice::open failed with error: 2");
    }

    // About ten time-outs a second at 110 ms; none means reads never time out, dozens that they
    // return at once. A close on the quiet line is prompt.
    void asyncRoundTripThenTimeOutsAtReadTimeOutPace()
    {
        WinSerialDeviceAsync device(nullptr, QStringLiteral("COM5"));
        device.setPortSettings(lineSettings(9600, ONESTOPBIT));
        QByteArray received;
        connect(&device, &QIODevice::readyRead, this, [&] { received += device.readAll(); });
        QSignalSpy written(&device, &QIODevice::bytesWritten);
        QVERIFY(device.open(QIODevice::ReadWrite, 110));
        QCOMPARE(device.write(commands), qint64(0));
        QTRY_COMPARE_WITH_TIMEOUT(received, reply, 5000);
        QCOMPARE(written.count(), 1);
        QCOMPARE(written.at(0).at(0).toLongLong(), qint64(commands.size()));
        QSignalSpy timeOuts(&device, SIGNAL(readTimeOut()));
        QTest::qWait(1100);
        QVERIFY2(timeOuts.count() >= 3 && timeOuts.count() <= 20,
                 qPrintable(QString::number(timeOuts.count())));
        QElapsedTimer closing;
        closing.start();
        device.close();
        QVERIFY(closing.elapsed() < 2000 && !device.isOpen());
    }

    // The tester on COM7 hangs up once it has replied, as one unplugged: its bytes come, then the
    // loss, once.
    void unpluggedTesterIsALossAfterItsBytes()
    {
        WinSerialDeviceAsync device(nullptr, QStringLiteral("COM7"));
        QByteArray heard; // the bytes taken, and | for each loss
        connect(&device, &QIODevice::readyRead, this, [&] { heard += device.readAll(); });
        connect(&device, &WinSerialDeviceAsync::connectionLost, this, [&] { heard += '|'; });
        QVERIFY(device.open(QIODevice::ReadWrite, 110));
        device.write(commands);
        QTRY_VERIFY2_WITH_TIMEOUT(heard.endsWith('|'), heard.toHex().constData(), 5000);
        QTest::qWait(300);
        QCOMPARE(heard, reply + '|');
    }
};

QTEST_GUILESS_MAIN(TestWin32Serial)
#include "tst_win32serial.moc"
