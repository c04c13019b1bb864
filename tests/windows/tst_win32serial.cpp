#include "ports/portenumeration.h"
#include "serial/portsettings.h"
#include "serial/winserialdevice.h"
#include "serial/winserialdeviceasync.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <string>

#include <windows.h>

using Ow::PortSettings;
using Ow::WinSerialDevice;
using Ow::WinSerialDeviceAsync;

// The serial device, the asynchronous device and the port enumeration through the
// real Win32 calls, run under Wine. COM5 and COM15 lead to one pseudo-terminal whose
// other side plays the tester (tests/windows/testerfront); COM16 does not exist.
// LDL_TESTER_REPLY names the file with the tester's reply, LDL_TESTER_LINE_SETTINGS
// the file where the tester shows the line settings it sees.
class TestWin32Serial : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void openUsesDevicePath_data();
    void openUsesDevicePath();
    void lineSettingsReachThePort_data();
    void lineSettingsReachThePort();
    void readReturnsZeroAfterReadTimeOut();
    void asyncRoundTripThenTimeOutsAtReadTimeOutPace();
    void closeDuringQuietLineReturnsPromptly();
    void enumerationListsRegisteredPort_data();
    void enumerationListsRegisteredPort();

private:
    QByteArray reply;
};

namespace {

const QByteArray commands("SYST:REM\r\nMEM:DATA? ALL\r\n");

// Where Windows keeps the device nodes that SetupAPI enumerates.
const wchar_t *const fixtureRoot = L"SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_0403&PID_6001";

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// One line, such as "9600 baud, 1 stop bits".
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

// The device key that the USB serial driver's installation leaves for one port, as
// SetupAPI and SetupDiOpenDevRegKey read it: Wine's own SetupAPI lists no port.
bool registerPort(const QString &portName)
{
    const std::wstring instance = std::wstring(fixtureRoot) + L"\\LDL" + portName.toStdWString();
    HKEY device = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, instance.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &device, nullptr) != ERROR_SUCCESS)
        return false;
    const std::wstring friendlyName = L"USB Serial Port (" + portName.toStdWString() + L")";
    // A list of strings: the enumeration reads the ids from the first.
    std::wstring hardwareIds = L"USB\\VID_0403&PID_6001&REV_0600";
    hardwareIds += L'\0';
    hardwareIds += L"USB\\VID_0403&PID_6001";
    hardwareIds += L'\0';
    HKEY parameters = nullptr;
    bool ok = setValue(device, L"ClassGUID", REG_SZ, L"{4d36e978-e325-11ce-bfc1-08002be10318}") &&
              setValue(device, L"FriendlyName", REG_SZ, friendlyName) &&
              setValue(device, L"HardwareID", REG_MULTI_SZ, hardwareIds) &&
              RegCreateKeyExW(device, L"Device Parameters", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &parameters, nullptr) == ERROR_SUCCESS;
    if (parameters) {
        ok = ok && setValue(parameters, L"PortName", REG_SZ, portName.toStdWString());
        RegCloseKey(parameters);
    }
    RegCloseKey(device);
    return ok;
}

} // namespace

void TestWin32Serial::initTestCase()
{
    // Byte for byte: the line ends that close the reply are part of it.
    reply = readFile(qEnvironmentVariable("LDL_TESTER_REPLY"));
    QVERIFY2(!reply.isEmpty(), "LDL_TESTER_REPLY names no reply");
    QVERIFY(!testerLineSettings().isEmpty());
    QVERIFY(registerPort(QStringLiteral("COM5")));
    QVERIFY(registerPort(QStringLiteral("COM15")));
}

void TestWin32Serial::cleanupTestCase()
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, fixtureRoot);
}

void TestWin32Serial::openUsesDevicePath_data()
{
    QTest::addColumn<QString>("portName");
    QTest::addColumn<QString>("error");

    QTest::newRow("plain name") << "COM5" << QString();
    QTest::newRow("device path") << "\\\\.\\COM5" << QString();
    // Without the prefix Windows takes COM10 and above for a file in the current folder.
    QTest::newRow("above COM9") << "COM15" << QString();
    QTest::newRow("above COM9, device path") << "\\\\.\\COM15" << QString();
    QTest::newRow("missing port") << "COM16"
                                  << "Win32SerialDevice::open failed with error: 2";
}

void TestWin32Serial::openUsesDevicePath()
{
    QFETCH(QString, portName);
    QFETCH(QString, error);

    WinSerialDevice device(portName);
    QCOMPARE(device.open(QIODevice::ReadWrite, 110, 110), error.isEmpty());
    if (!error.isEmpty())
        QCOMPARE(device.errorString(), error);
}

void TestWin32Serial::lineSettingsReachThePort_data()
{
    QTest::addColumn<quint32>("baudRate");
    QTest::addColumn<quint8>("stopBits");
    QTest::addColumn<QByteArray>("seenByTester");

    // A pseudo-terminal shows only speed and stop bits. Each row differs from the one
    // before, so a row that changes nothing cannot pass on what its predecessor left.
    QTest::newRow("the download's")
        << 9600u << quint8(ONESTOPBIT) << QByteArray("9600 baud, 1 stop bits");
    QTest::newRow("two stop bits")
        << 19200u << quint8(TWOSTOPBITS) << QByteArray("19200 baud, 2 stop bits");
    QTest::newRow("fast") << 115200u << quint8(ONESTOPBIT)
                          << QByteArray("115200 baud, 1 stop bits");
}

void TestWin32Serial::lineSettingsReachThePort()
{
    QFETCH(quint32, baudRate);
    QFETCH(quint8, stopBits);
    QFETCH(QByteArray, seenByTester);

    WinSerialDevice device(QStringLiteral("COM5"));
    device.setPortSettings(lineSettings(baudRate, stopBits));
    QVERIFY(device.open(QIODevice::ReadWrite, 110, 110));
    QTRY_COMPARE_WITH_TIMEOUT(testerLineSettings(), seenByTester, 5000);
}

void TestWin32Serial::readReturnsZeroAfterReadTimeOut()
{
    const quint32 readTimeout = 300;
    WinSerialDevice device(QStringLiteral("COM5"));
    device.setPortSettings(lineSettings(9600, ONESTOPBIT));
    QVERIFY(device.open(QIODevice::ReadWrite | QIODevice::Unbuffered, readTimeout, 110));
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
    const qint64 waited = elapsed.elapsed();
    qInfo("a read on a quiet line returned 0 after %lld ms (read time-out %u ms)", waited,
          readTimeout);
    // Not at once (a read that spins), not for ever (a read without a time-out).
    QVERIFY(waited >= readTimeout / 2);
    QVERIFY(waited < 3000);
}

void TestWin32Serial::asyncRoundTripThenTimeOutsAtReadTimeOutPace()
{
    WinSerialDeviceAsync device(nullptr, QStringLiteral("COM5"));
    device.setPortSettings(lineSettings(9600, ONESTOPBIT));
    QByteArray received;
    connect(&device, &QIODevice::readyRead, this, [&] { received += device.readAll(); });
    QSignalSpy written(&device, &QIODevice::bytesWritten);
    QVERIFY(device.open(QIODevice::ReadWrite, 110));

    QCOMPARE(device.write(commands), qint64(0));
    QTRY_COMPARE_WITH_TIMEOUT(received, reply, 5000);
    qint64 writtenTotal = 0;
    for (const QList<QVariant> &signal : written)
        writtenTotal += signal.at(0).toLongLong();
    QCOMPARE(writtenTotal, qint64(commands.size()));

    QSignalSpy timeOuts(&device, SIGNAL(readTimeOut()));
    const int windowMs = 1100;
    QTest::qWait(windowMs);
    qInfo("%d read time-outs in %d ms with a read time-out of 110 ms", int(timeOuts.count()),
          windowMs);
    // About ten; none means reads never time out, dozens that they return at once.
    QVERIFY(timeOuts.count() >= 3);
    QVERIFY(timeOuts.count() <= 20);
}

void TestWin32Serial::closeDuringQuietLineReturnsPromptly()
{
    WinSerialDeviceAsync device(nullptr, QStringLiteral("COM5"));
    QVERIFY(device.open(QIODevice::ReadWrite, 110));
    QSignalSpy timeOuts(&device, SIGNAL(readTimeOut()));
    QVERIFY(timeOuts.wait(2000));

    QElapsedTimer elapsed;
    elapsed.start();
    device.close();
    const qint64 took = elapsed.elapsed();
    qInfo("close during a quiet line took %lld ms (read time-out 110 ms)", took);
    QVERIFY(took < 2000);
    QVERIFY(!device.isOpen());
}

void TestWin32Serial::enumerationListsRegisteredPort_data()
{
    QTest::addColumn<QString>("portName");
    QTest::addColumn<QString>("openPath");

    QTest::newRow("COM5") << "COM5"
                          << "COM5";
    QTest::newRow("COM15") << "COM15"
                           << "\\\\.\\COM15";
}

void TestWin32Serial::enumerationListsRegisteredPort()
{
    QFETCH(QString, portName);
    QFETCH(QString, openPath);

    QList<PortInfo> ports;
    enumeratePorts(ports);
    const auto found = std::find_if(ports.cbegin(), ports.cend(), [&](const PortInfo &port) {
        return port.portName == portName;
    });
    QVERIFY2(found != ports.cend(), qPrintable(portName + " is not listed"));
    qInfo("listed: %s, open path %s, friendly name \"%s\", enumerator \"%s\", device object \"%s\"",
          qPrintable(found->portName), qPrintable(found->openPath), qPrintable(found->friendlyName),
          qPrintable(found->enumeratorName), qPrintable(found->physicalName));
    QCOMPARE(found->openPath, openPath);
    QCOMPARE(found->friendlyName, "USB Serial Port (" + portName + ")");
    QCOMPARE(found->vendorId, 0x0403);
    QCOMPARE(found->productId, 0x6001);

    WinSerialDevice device(found->openPath);
    QVERIFY(device.open(QIODevice::ReadWrite, 110, 110));
}

QTEST_GUILESS_MAIN(TestWin32Serial)
#include "tst_win32serial.moc"
