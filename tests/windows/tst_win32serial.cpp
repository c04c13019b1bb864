#include "ports/portenumeration.h"
#include "serial/portsettings.h"
#include "serial/winserialdevice.h"
#include "serial/winserialdeviceasync.h"

#include <QtTest>

#include <iterator>
#include <string>

#include <windows.h>

using Ow::PortSettings;
using Ow::WinSerialDevice;
using Ow::WinSerialDeviceAsync;

namespace {

const QByteArray commands("SYST:REM\r\nMEM:DATA? ALL\r\n");
// Where Windows keeps the device nodes that SetupAPI enumerates.
const wchar_t *const fixtureRoot = L"SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_1A2B&PID_3C4D";

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What the tester sees of the line, such as "9600 baud, 1 stop bits".
QByteArray testerLineSettings()
{
    return readFile(qEnvironmentVariable("LDL_TESTER_LINE_SETTINGS")).trimmed();
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

bool setValue(HKEY key, const wchar_t *name, DWORD type, const std::wstring &text)
{
    return RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE *>(text.c_str()),
                          DWORD((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

// The device key that a USB serial driver's installation leaves for one port, as SetupAPI
// and SetupDiOpenDevRegKey read it: Wine's own SetupAPI lists no port.
bool registerPort(const std::wstring &portName)
{
    HKEY device = nullptr, parameters = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, (fixtureRoot + (L"\\LDL" + portName)).c_str(), 0,
                        nullptr, 0, KEY_ALL_ACCESS, nullptr, &device, nullptr) != ERROR_SUCCESS)
        return false;
    // A list of strings: the enumeration reads the ids from the first.
    const wchar_t ids[] = L"USB\\VID_1A2B&PID_3C4D&REV_0100\0USB\\VID_1A2B&PID_3C4D\0";
    const std::wstring hardwareIds(ids, std::size(ids) - 1);
    bool ok = setValue(device, L"ClassGUID", REG_SZ, L"{4d36e978-e325-11ce-bfc1-08002be10318}") &&
              setValue(device, L"FriendlyName", REG_SZ, L"USB Serial Port (" + portName + L")") &&
              setValue(device, L"HardwareID", REG_MULTI_SZ, hardwareIds) &&
              RegCreateKeyExW(device, L"Device Parameters", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &parameters, nullptr) == ERROR_SUCCESS &&
              setValue(parameters, L"PortName", REG_SZ, portName);
    RegCloseKey(parameters);
    RegCloseKey(device);
    return ok;
}

} // namespace

// The serial devices and the port enumeration through the real Win32 calls, under Wine. COM5 and
// COM15 lead to one pseudo-terminal whose other side plays the tester (tests/windows/testerfront);
// COM16 does not exist. LDL_TESTER_REPLY names the file with the tester's reply.
class TestWin32Serial : public QObject
{
    Q_OBJECT

    QByteArray reply;

private slots:
    void initTestCase()
    {
        reply = readFile(qEnvironmentVariable("LDL_TESTER_REPLY"));
        QVERIFY2(!reply.isEmpty() && !testerLineSettings().isEmpty(), "no tester");
        QVERIFY(registerPort(L"COM5") && registerPort(L"COM15"));
    }
    void cleanupTestCase() { RegDeleteTreeW(HKEY_LOCAL_MACHINE, fixtureRoot); }

    // Without the \\.\ prefix Windows takes COM10 and above for a file in the current folder.
    void openUsesDevicePath()
    {
        for (const char *name : {"COM5", "\\\\.\\COM5", "COM15", "\\\\.\\COM15"})
            QVERIFY2(WinSerialDevice(name).open(QIODevice::ReadWrite, 110, 110), name);
        WinSerialDevice missing(QStringLiteral("COM16"));
        QVERIFY(!missing.open(QIODevice::ReadWrite, 110, 110));
        QCOMPARE(missing.errorString(), "Win32SerialDevice::open failed with error: 2");
    }

    // A pseudo-terminal shows only speed and stop bits. Each row differs from the one before,
    // so a row that changes nothing cannot pass on what its predecessor left.
    void lineSettingsReachThePort()
    {
        const QList<std::tuple<quint32, quint8, QByteArray>> cases{
            {9600, ONESTOPBIT, "9600 baud, 1 stop bits"},
            {19200, TWOSTOPBITS, "19200 baud, 2 stop bits"},
            {115200, ONESTOPBIT, "115200 baud, 1 stop bits"}};
        for (const auto &[baudRate, stopBits, seenByTester] : cases) {
            WinSerialDevice device(QStringLiteral("COM5"));
            device.setPortSettings(lineSettings(baudRate, stopBits));
            QVERIFY(device.open(QIODevice::ReadWrite, 110, 110));
            QTRY_COMPARE_WITH_TIMEOUT(testerLineSettings(), seenByTester, 5000);
        }
    }

    // The reply comes whole; then a read on the quiet line returns 0 after its time-out: not
    // at once (a read that spins), not never (a read without a time-out).
    void readReturnsZeroAfterReadTimeOut()
    {
        WinSerialDevice device(QStringLiteral("COM5"));
        device.setPortSettings(lineSettings(9600, ONESTOPBIT));
        QVERIFY(device.open(QIODevice::ReadWrite | QIODevice::Unbuffered, 300, 110));
        QCOMPARE(device.write(commands), qint64(commands.size()));
        QByteArray received;
        QElapsedTimer elapsed;
        elapsed.start();
        char buffer[1024];
        while (received.size() < reply.size() && elapsed.elapsed() < 5000) {
            const qint64 count = device.read(buffer, sizeof buffer);
            QVERIFY(count >= 0);
            received.append(buffer, int(count));
        }
        QCOMPARE(received, reply);
        elapsed.restart();
        QCOMPARE(device.read(buffer, sizeof buffer), qint64(0));
        QVERIFY2(elapsed.elapsed() >= 150 && elapsed.elapsed() < 3000,
                 qPrintable(QString::number(elapsed.elapsed())));
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

    void enumerationListsRegisteredPort()
    {
        QList<PortInfo> ports;
        enumeratePorts(ports);
        for (const QString &name : QStringList{"COM5", "COM15"}) {
            const auto found =
                std::find_if(ports.cbegin(), ports.cend(),
                             [&](const PortInfo &port) { return port.portName == name; });
            QVERIFY2(found != ports.cend(), qPrintable(name + " is not listed"));
            QCOMPARE(found->openPath, name == "COM5" ? name : "\\\\.\\" + name);
            QCOMPARE(found->friendlyName, "USB Serial Port (" + name + ")");
            QCOMPARE(found->vendorId << 16 | found->productId, 0x1A2B3C4D);
            QVERIFY(WinSerialDevice(found->openPath).open(QIODevice::ReadWrite, 110, 110));
        }
    }
};

QTEST_GUILESS_MAIN(TestWin32Serial)
#include "tst_win32serial.moc"
