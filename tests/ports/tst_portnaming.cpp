#include "ports/portnaming.h"

#include <QTest>

#include <algorithm>

// Which port names are listed, how they are opened, the USB ids in a hardware id
// and the order in which port names are shown.
class TestPortNaming : public QObject
{
    Q_OBJECT

private slots:
    void portNameRules_data();
    void portNameRules();
    void usbIdsFromHardwareId_data();
    void usbIdsFromHardwareId();
    void naturalOrder_data();
    void naturalOrder();
};

void TestPortNaming::portNameRules_data()
{
    QTest::addColumn<QString>("portName");
    QTest::addColumn<bool>("listed");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("openPath");

    QTest::newRow("COM1") << "COM1" << true << 1 << "COM1";
    QTest::newRow("COM3") << "COM3" << true << 3 << "COM3";
    QTest::newRow("COM9 keeps its name") << "COM9" << true << 9 << "COM9";
    QTest::newRow("COM10 gets the prefix") << "COM10" << true << 10 << "\\\\.\\COM10";
    QTest::newRow("COM256") << "COM256" << true << 256 << "\\\\.\\COM256";
    QTest::newRow("leading zero") << "COM09" << true << 9 << "COM09";
    QTest::newRow("anything after the digits") << "COM3A" << true << 3 << "COM3A";
    QTest::newRow("suffix above nine") << "COM12 (USB)" << true << 12 << "\\\\.\\COM12 (USB)";
    QTest::newRow("digits beyond any number") << "COM99999999999" << true << 0 << "COM99999999999";
    QTest::newRow("lower case") << "com3" << false << 0 << "com3";
    QTest::newRow("mixed case") << "Com3" << false << 0 << "Com3";
    QTest::newRow("parallel port") << "LPT1" << false << 0 << "LPT1";
    QTest::newRow("no digits") << "COM" << false << 0 << "COM";
    QTest::newRow("letter before digits") << "COMA3" << false << 0 << "COMA3";
    QTest::newRow("not at the start") << "XCOM3" << false << 0 << "XCOM3";
    QTest::newRow("leading space") << " COM3" << false << 0 << " COM3";
    QTest::newRow("empty") << "" << false << 0 << "";
}

void TestPortNaming::portNameRules()
{
    QFETCH(QString, portName);
    QFETCH(bool, listed);
    QFETCH(int, number);
    QFETCH(QString, openPath);

    QCOMPARE(isListedPortName(portName), listed);
    QCOMPARE(portNumber(portName), number);
    QCOMPARE(openPathForPortName(portName), openPath);
}

void TestPortNaming::usbIdsFromHardwareId_data()
{
    QTest::addColumn<QString>("hardwareId");
    QTest::addColumn<int>("vendorId");
    QTest::addColumn<int>("productId");

    QTest::newRow("with revision") << "USB\\VID_0403&PID_6001&REV_0600" << 0x0403 << 0x6001;
    QTest::newRow("without revision") << "USB\\VID_067B&PID_2303" << 0x067B << 0x2303;
    QTest::newRow("lower-case vid and pid")
        << "usb\\vid_0403&pid_6001&rev_0600" << 0x0403 << 0x6001;
    QTest::newRow("lower-case hex digits") << "USB\\VID_10c4&PID_ea60" << 0x10C4 << 0xEA60;
    QTest::newRow("instance after backslash")
        << "USB\\VID_1A86&PID_7523\\5&2F1" << 0x1A86 << 0x7523;
    QTest::newRow("joined by plus") << "FTDIBUS\\VID_0403+PID_6001+A5XK3RJTA\\0000" << 0 << 0;
    QTest::newRow("non-hex vendor") << "USB\\VID_04G3&PID_6001" << 0 << 0x6001;
    QTest::newRow("non-hex product") << "USB\\VID_0403&PID_XY01" << 0x0403 << 0;
    QTest::newRow("underscore runs on") << "USB\\VID_0403&PID_6001_MI_00" << 0x0403 << 0;
    QTest::newRow("vendor beyond 32 bits") << "USB\\VID_123456789&PID_0001" << 0 << 1;
    QTest::newRow("no USB ids") << "ACPI\\PNP0501" << 0 << 0;
    QTest::newRow("empty") << "" << 0 << 0;
}

void TestPortNaming::usbIdsFromHardwareId()
{
    QFETCH(QString, hardwareId);
    QFETCH(int, vendorId);
    QFETCH(int, productId);

    const UsbIds ids = ::usbIdsFromHardwareId(hardwareId);
    QCOMPARE(ids.vendorId, vendorId);
    QCOMPARE(ids.productId, productId);
}

void TestPortNaming::naturalOrder_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("ordered");

    QTest::newRow("kinds, then numbers") << QStringList{"ttyUSB0", "ttyACM1", "ttyACM0"}
                                         << QStringList{"ttyACM0", "ttyACM1", "ttyUSB0"};
    QTest::newRow("numbers by value") << QStringList{"ttyUSB10", "ttyUSB2", "ttyUSB1"}
                                      << QStringList{"ttyUSB1", "ttyUSB2", "ttyUSB10"};
    QTest::newRow("letters before longer names")
        << QStringList{"ttyS1", "ttyAMA0", "ttySC0", "ttyS0"}
        << QStringList{"ttyAMA0", "ttyS0", "ttyS1", "ttySC0"};
    QTest::newRow("equal values keep a fixed order")
        << QStringList{"ttyS1", "ttyS01", "ttyS0"} << QStringList{"ttyS0", "ttyS01", "ttyS1"};
    QTest::newRow("numbers too long for an integer")
        << QStringList{"ttyUSB100000000000000000000", "ttyUSB99999999999999999999"}
        << QStringList{"ttyUSB99999999999999999999", "ttyUSB100000000000000000000"};
    QTest::newRow("name without number")
        << QStringList{"ttyUSB0", "ttyUSB", "tty"} << QStringList{"tty", "ttyUSB", "ttyUSB0"};
}

void TestPortNaming::naturalOrder()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, ordered);

    std::sort(names.begin(), names.end(), naturalPortNameLessThan);
    QCOMPARE(names, ordered);
    for (int i = 0; i < ordered.size(); ++i) {
        QVERIFY(!naturalPortNameLessThan(ordered.at(i), ordered.at(i)));
        for (int j = i + 1; j < ordered.size(); ++j) {
            QVERIFY(naturalPortNameLessThan(ordered.at(i), ordered.at(j)));
            QVERIFY(!naturalPortNameLessThan(ordered.at(j), ordered.at(i)));
        }
    }
}

QTEST_APPLESS_MAIN(TestPortNaming)
#include "tst_portnaming.moc"
