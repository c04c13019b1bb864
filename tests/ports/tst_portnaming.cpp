#include "ports/portnaming.h"

#include <QTest>

#include <algorithm>

// Which port names are listed and how they are opened, the USB ids in a hardware
// id, and the order in which port names are shown.
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

    QTest::newRow("COM3") << "COM3" << true << 3 << "COM3";
    QTest::newRow("COM9 keeps its name") << "COM9" << true << 9 << "COM9";
    QTest::newRow("COM10 gets the prefix") << "COM10" << true << 10 << "\\\\.\\COM10";
    QTest::newRow("anything after the digits") << "COM3A" << true << 3 << "COM3A";
    QTest::newRow("digits beyond any number") << "COM99999999999" << true << 0 << "COM99999999999";
    QTest::newRow("lower case") << "com3" << false << 0 << "com3";
    QTest::newRow("parallel port") << "LPT1" << false << 0 << "LPT1";
    QTest::newRow("not at the start") << "XCOM3" << false << 0 << "XCOM3";
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
    QTest::newRow("all lower case") << "usb\\vid_10c4&pid_ea60" << 0x10C4 << 0xEA60;
    QTest::newRow("joined by plus") << "FTDIBUS\\VID_0403+PID_6001+A5XK3RJTA\\0000" << 0 << 0;
    QTest::newRow("non-hex vendor") << "USB\\VID_04G3&PID_6001" << 0 << 0x6001;
    QTest::newRow("no USB ids") << "ACPI\\PNP0501" << 0 << 0;
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
    QTest::addColumn<QStringList>("ordered");

    QTest::newRow("kinds, then numbers by value")
        << QStringList{"ttyACM0", "ttyACM1", "ttyUSB2", "ttyUSB10"};
    QTest::newRow("letters before longer names") << QStringList{"ttyAMA0", "ttyS0", "ttySC0"};
    QTest::newRow("equal values in a fixed order") << QStringList{"ttyS0", "ttyS01", "ttyS1"};
    QTest::newRow("numbers too long for an integer")
        << QStringList{"tty", "ttyUSB99999999999999999999", "ttyUSB100000000000000000000"};
}

// Every pair in both directions: std::sort needs a strict weak order.
void TestPortNaming::naturalOrder()
{
    QFETCH(QStringList, ordered);

    QStringList names = ordered;
    std::reverse(names.begin(), names.end());
    std::sort(names.begin(), names.end(), naturalPortNameLessThan);
    QCOMPARE(names, ordered);
    for (int i = 0; i < ordered.size(); ++i) {
        for (int j = 0; j < ordered.size(); ++j)
            QCOMPARE(naturalPortNameLessThan(ordered.at(i), ordered.at(j)), i < j);
    }
}

QTEST_APPLESS_MAIN(TestPortNaming)
#include "tst_portnaming.moc"
