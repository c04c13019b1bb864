#include "ports/sysfsports_linux.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

// A sysfs tree in a temporary folder, laid out as the kernel lays out its own:
// devices under devices/, buses under bus/, the tty class linking into devices/,
// and a node per port under dev/.
class FakeSysfs
{
public:
    FakeSysfs();

    QString ttyClass() const { return sys + QStringLiteral("/class/tty"); }
    QString deviceRoot() const { return root.path() + QStringLiteral("/dev"); }

    // A device folder on a bus, bound to a driver unless the driver is empty; one that
    // exists already is kept as it is.
    QString addDevice(const QString &path, const QString &bus, const QString &driver = QString());
    // A tty below a device (or a virtual one), listed in the class and with a node.
    QString addTty(const QString &name, const QString &device = QString());
    // A USB device with the given attributes and, below it, the interface a driver binds to.
    QString addUsbInterface(const QString &port, const QString &driver,
                            const QList<QPair<QString, QByteArray>> &attributes);
    QString addUsbSerialAdapter(const QString &name, const QString &port);
    QString addOnboardUart(const QString &name, const QByteArray &type);

    static void link(const QString &linkPath, const QString &target);
    static void write(const QString &path, const QByteArray &content);

private:
    QTemporaryDir root;
    QString sys;
};

using TreeBuilder = std::function<void(FakeSysfs &)>;
Q_DECLARE_METATYPE(TreeBuilder)

FakeSysfs::FakeSysfs() : sys(root.path() + QStringLiteral("/sys"))
{
    QDir().mkpath(ttyClass());
    QDir().mkpath(deviceRoot());
}

QString FakeSysfs::addDevice(const QString &path, const QString &bus, const QString &driver)
{
    const QString device = sys + QStringLiteral("/devices/") + path;
    const QString busFolder = sys + QStringLiteral("/bus/") + bus;
    if (QFileInfo::exists(device))
        return QFileInfo(device).canonicalFilePath();
    QDir().mkpath(device);
    QDir().mkpath(busFolder);
    link(device + QStringLiteral("/subsystem"), busFolder);
    if (!driver.isEmpty()) {
        const QString driverFolder = busFolder + QStringLiteral("/drivers/") + driver;
        QDir().mkpath(driverFolder);
        link(device + QStringLiteral("/driver"), driverFolder);
    }
    return QFileInfo(device).canonicalFilePath();
}

QString FakeSysfs::addTty(const QString &name, const QString &device)
{
    const QString parent = device.isEmpty() ? sys + QStringLiteral("/devices/virtual") : device;
    const QString tty = parent + QStringLiteral("/tty/") + name;
    QDir().mkpath(tty);
    link(tty + QStringLiteral("/subsystem"), sys + QStringLiteral("/class/tty"));
    if (!device.isEmpty())
        link(tty + QStringLiteral("/device"), device);
    write(tty + QStringLiteral("/dev"), "188:0\n");
    link(ttyClass() + QLatin1Char('/') + name, tty);
    write(deviceRoot() + QLatin1Char('/') + name, QByteArray());
    return tty;
}

QString FakeSysfs::addUsbInterface(const QString &port, const QString &driver,
                                   const QList<QPair<QString, QByteArray>> &attributes)
{
    addDevice(QStringLiteral("pci0000:00/0000:00:14.0"), QStringLiteral("pci"),
              QStringLiteral("xhci_hcd"));
    const QString hub = QStringLiteral("pci0000:00/0000:00:14.0/usb1");
    write(addDevice(hub, QStringLiteral("usb"), QStringLiteral("usb")) +
              QStringLiteral("/idVendor"),
          "1d6b\n");
    const QString usbDevice = hub + QLatin1Char('/') + port;
    const QString usbDevicePath =
        addDevice(usbDevice, QStringLiteral("usb"), QStringLiteral("usb"));
    for (const auto &attribute : attributes)
        write(usbDevicePath + QLatin1Char('/') + attribute.first, attribute.second);
    return addDevice(usbDevice + QLatin1Char('/') + port + QStringLiteral(":1.0"),
                     QStringLiteral("usb"), driver);
}

QString FakeSysfs::addUsbSerialAdapter(const QString &name, const QString &port)
{
    const QString interface =
        addUsbInterface(port, QStringLiteral("ftdi_sio"),
                        {{"idVendor", "0403\n"}, {"idProduct", "6001\n"}, {"product", "FT232R\n"}});
    const QString relative = QDir(sys + QStringLiteral("/devices")).relativeFilePath(interface);
    const QString device = addDevice(relative + QLatin1Char('/') + name,
                                     QStringLiteral("usb-serial"), QStringLiteral("ftdi_sio"));
    addTty(name, device);
    return device;
}

QString FakeSysfs::addOnboardUart(const QString &name, const QByteArray &type)
{
    const QString device = addDevice(QStringLiteral("pnp0/00:0") + name.right(1),
                                     QStringLiteral("pnp"), QStringLiteral("serial"));
    write(addTty(name, device) + QStringLiteral("/type"), type);
    return device;
}

void FakeSysfs::link(const QString &linkPath, const QString &target)
{
    const QString relative = QFileInfo(linkPath).dir().relativeFilePath(target);
    QVERIFY2(QFile::link(relative, linkPath), qPrintable(linkPath));
}

void FakeSysfs::write(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    file.write(content);
}

// The Linux port source on fake sysfs trees: which ttys are listed, in which order,
// and what is known about each.
class TestSysfsPorts : public QObject
{
    Q_OBJECT

private slots:
    void listsOnlyRealSerialDevices_data();
    void listsOnlyRealSerialDevices();
    void describesUsbSerialAdapter();
    void describesCdcAcmDevice();
    void busOfOnboardUarts_data();
    void busOfOnboardUarts();
    void usbAttributes_data();
    void usbAttributes();
    void missingClassFolderAddsNothing();
};

namespace {

QStringList listedNames(const FakeSysfs &sysfs)
{
    QList<PortInfo> ports;
    enumerateSysfsPorts(ports, sysfs.ttyClass(), sysfs.deviceRoot());
    QStringList names;
    for (const PortInfo &port : ports)
        names << port.portName;
    return names;
}

PortInfo onlyPort(const FakeSysfs &sysfs)
{
    QList<PortInfo> ports;
    enumerateSysfsPorts(ports, sysfs.ttyClass(), sysfs.deviceRoot());
    if (ports.size() != 1)
        qWarning() << "expected one port, found" << ports.size();
    return ports.value(0);
}

} // namespace

void TestSysfsPorts::listsOnlyRealSerialDevices_data()
{
    QTest::addColumn<TreeBuilder>("build");
    QTest::addColumn<QStringList>("listed");

    QTest::newRow("virtual consoles and ptmx") << TreeBuilder([](FakeSysfs &sysfs) {
        sysfs.addTty("tty0");
        sysfs.addTty("console");
        sysfs.addTty("ptmx");
        sysfs.addUsbSerialAdapter("ttyUSB0", "1-1");
    }) << QStringList{"ttyUSB0"};
    QTest::newRow("device without driver") << TreeBuilder([](FakeSysfs &sysfs) {
        sysfs.addTty("ttyUSB1", sysfs.addDevice("platform/unbound", "platform"));
        sysfs.addUsbSerialAdapter("ttyUSB0", "1-1");
    }) << QStringList{"ttyUSB0"};
    QTest::newRow("placeholder 8250 on the platform device") << TreeBuilder([](FakeSysfs &sysfs) {
        const QString placeholder =
            sysfs.addDevice("platform/serial8250", "platform", "serial8250");
        for (const QString name : {"ttyS1", "ttyS2", "ttyS3"})
            FakeSysfs::write(sysfs.addTty(name, placeholder) + "/type", "0\n");
        sysfs.addOnboardUart("ttyS0", "4\n");
    }) << QStringList{"ttyS0"};
    QTest::newRow("placeholder 8250 below the serial core") << TreeBuilder([](FakeSysfs &sysfs) {
        sysfs.addDevice("platform/serial8250", "platform", "serial8250");
        sysfs.addDevice("platform/serial8250/serial8250:0", "serial-base", "ctrl");
        const QString port = sysfs.addDevice("platform/serial8250/serial8250:0/serial8250:0.1",
                                             "serial-base", "port");
        FakeSysfs::write(sysfs.addTty("ttyS1", port) + "/type", "0");
        sysfs.addOnboardUart("ttyS0", "4\n");
    }) << QStringList{"ttyS0"};
    QTest::newRow("port type with spaces") << TreeBuilder([](FakeSysfs &sysfs) {
        sysfs.addOnboardUart("ttyS0", " 0 \n");
        sysfs.addOnboardUart("ttyS1", "4");
    }) << QStringList{"ttyS1"};
    QTest::newRow("port type not a number or unreadable") << TreeBuilder([](FakeSysfs &sysfs) {
        sysfs.addOnboardUart("ttyS0", "16550A\n");
        QDir().mkpath(sysfs.addTty("ttyS1", sysfs.addDevice("pnp0/00:09", "pnp", "serial")) +
                      "/type");
    }) << QStringList{"ttyS0", "ttyS1"};
    QTest::newRow("dangling class entry") << TreeBuilder([](FakeSysfs &sysfs) {
        FakeSysfs::link(sysfs.ttyClass() + "/ttyUSB3", sysfs.ttyClass() + "/../../devices/gone");
        sysfs.addUsbSerialAdapter("ttyUSB0", "1-1");
    }) << QStringList{"ttyUSB0"};
    QTest::newRow("dangling device link") << TreeBuilder([](FakeSysfs &sysfs) {
        const QString tty = sysfs.addTty("ttyUSB1");
        FakeSysfs::link(tty + "/device", tty + "/../../gone");
        sysfs.addUsbSerialAdapter("ttyUSB0", "1-1");
    }) << QStringList{"ttyUSB0"};
    QTest::newRow("dangling driver link") << TreeBuilder([](FakeSysfs &sysfs) {
        const QString device = sysfs.addDevice("platform/uart1", "platform");
        FakeSysfs::link(device + "/driver", device + "/../../bus/platform/drivers/gone");
        sysfs.addTty("ttyS1", device);
        sysfs.addUsbSerialAdapter("ttyUSB0", "1-1");
    }) << QStringList{"ttyUSB0"};
    QTest::newRow("no device node") << TreeBuilder([](FakeSysfs &sysfs) {
        sysfs.addUsbSerialAdapter("ttyUSB1", "1-2");
        QVERIFY(QFile::remove(sysfs.deviceRoot() + "/ttyUSB1"));
        sysfs.addUsbSerialAdapter("ttyUSB0", "1-1");
    }) << QStringList{"ttyUSB0"};
    QTest::newRow("natural order") << TreeBuilder([](FakeSysfs &sysfs) {
        int port = 1;
        for (const QString name : {"ttyUSB10", "ttyUSB2", "ttyUSB0"})
            sysfs.addUsbSerialAdapter(name, QStringLiteral("1-%1").arg(port++));
        for (const QString name : {"ttyACM1", "ttyACM0"}) {
            sysfs.addTty(name, sysfs.addUsbInterface(QStringLiteral("1-%1").arg(port++), "cdc_acm",
                                                     {{"idVendor", "2341\n"}}));
        }
    }) << QStringList{"ttyACM0", "ttyACM1", "ttyUSB0", "ttyUSB2", "ttyUSB10"};
}

void TestSysfsPorts::listsOnlyRealSerialDevices()
{
    QFETCH(TreeBuilder, build);
    QFETCH(QStringList, listed);

    FakeSysfs sysfs;
    build(sysfs);
    QCOMPARE(listedNames(sysfs), listed);
}

void TestSysfsPorts::describesUsbSerialAdapter()
{
    FakeSysfs sysfs;
    const QString interface = sysfs.addUsbInterface("1-1", "ftdi_sio",
                                                    {{"idVendor", "0403\n"},
                                                     {"idProduct", "6001\n"},
                                                     {"manufacturer", "FTDI\n"},
                                                     {"product", "FT232R USB UART\n"}});
    const QString device = sysfs.addDevice("pci0000:00/0000:00:14.0/usb1/1-1/1-1:1.0/ttyUSB0",
                                           "usb-serial", "ftdi_sio");
    QCOMPARE(device, interface + "/ttyUSB0");
    sysfs.addTty("ttyUSB0", device);

    const PortInfo port = onlyPort(sysfs);
    QCOMPARE(port.portName, QStringLiteral("ttyUSB0"));
    QCOMPARE(port.openPath, sysfs.deviceRoot() + "/ttyUSB0");
    QCOMPARE(port.devicePath, port.openPath);
    QCOMPARE(port.physicalName, device);
    QCOMPARE(port.friendlyName, QStringLiteral("FTDI FT232R USB UART"));
    QCOMPARE(port.enumeratorName, QStringLiteral("usb"));
    QCOMPARE(port.vendorId, 0x0403);
    QCOMPARE(port.productId, 0x6001);
}

void TestSysfsPorts::describesCdcAcmDevice()
{
    FakeSysfs sysfs;
    const QString interface = sysfs.addUsbInterface(
        "1-4", "cdc_acm",
        {{"idVendor", "2341\n"}, {"idProduct", "0043\n"}, {"product", "Arduino Uno\n"}});
    sysfs.addTty("ttyACM0", interface);

    const PortInfo port = onlyPort(sysfs);
    QCOMPARE(port.portName, QStringLiteral("ttyACM0"));
    QCOMPARE(port.openPath, sysfs.deviceRoot() + "/ttyACM0");
    QCOMPARE(port.physicalName, interface);
    QCOMPARE(port.friendlyName, QStringLiteral("Arduino Uno"));
    QCOMPARE(port.enumeratorName, QStringLiteral("usb"));
    QCOMPARE(port.vendorId, 0x2341);
    QCOMPARE(port.productId, 0x0043);
}

void TestSysfsPorts::busOfOnboardUarts_data()
{
    QTest::addColumn<TreeBuilder>("build");
    QTest::addColumn<QString>("bus");

    QTest::newRow("pnp, driver on the device")
        << TreeBuilder([](FakeSysfs &sysfs) { sysfs.addOnboardUart("ttyS0", "4\n"); }) << "pnp";
    QTest::newRow("pnp, below the serial core") << TreeBuilder([](FakeSysfs &sysfs) {
        sysfs.addDevice("pnp0/00:00", "pnp", "serial");
        sysfs.addDevice("pnp0/00:00/00:00:0", "serial-base", "ctrl");
        const QString port = sysfs.addDevice("pnp0/00:00/00:00:0/00:00:0.0", "serial-base", "port");
        FakeSysfs::write(sysfs.addTty("ttyS0", port) + "/type", "4\n");
    }) << "pnp";
    QTest::newRow("pci") << TreeBuilder([](FakeSysfs &sysfs) {
        const QString card = sysfs.addDevice("pci0000:00/0000:00:16.3", "pci", "serial");
        FakeSysfs::write(sysfs.addTty("ttyS4", card) + "/type", "4\n");
    }) << "pci";
    QTest::newRow("platform") << TreeBuilder([](FakeSysfs &sysfs) {
        const QString uart = sysfs.addDevice("platform/fe201000.serial", "platform", "uart-pl011");
        sysfs.addTty("ttyAMA0", uart);
    }) << "platform";
    QTest::newRow("dangling subsystem link") << TreeBuilder([](FakeSysfs &sysfs) {
        const QString uart = sysfs.addDevice("platform/uart0", "platform", "uart");
        QVERIFY(QFile::remove(uart + "/subsystem"));
        FakeSysfs::link(uart + "/subsystem", uart + "/../../bus/gone");
        sysfs.addTty("ttyS0", uart);
    }) << "";
}

void TestSysfsPorts::busOfOnboardUarts()
{
    QFETCH(TreeBuilder, build);
    QFETCH(QString, bus);

    FakeSysfs sysfs;
    build(sysfs);
    const PortInfo port = onlyPort(sysfs);
    QCOMPARE(port.enumeratorName, bus);
    QCOMPARE(port.friendlyName, QString());
    QCOMPARE(port.vendorId, 0);
    QCOMPARE(port.productId, 0);
}

void TestSysfsPorts::usbAttributes_data()
{
    QTest::addColumn<QByteArray>("idVendor");
    QTest::addColumn<QByteArray>("idProduct");
    QTest::addColumn<QByteArray>("manufacturer");
    QTest::addColumn<QByteArray>("product");
    QTest::addColumn<int>("vendorId");
    QTest::addColumn<int>("productId");
    QTest::addColumn<QString>("friendlyName");

    // An attribute given as "<folder>" is a folder of that name, which cannot be read.
    const QByteArray unreadable("<folder>");
    const QByteArray missing;
    QTest::newRow("without newlines")
        << QByteArray("067b") << QByteArray("2303") << QByteArray("Prolific")
        << QByteArray("USB-Serial") << 0x067B << 0x2303 << "Prolific USB-Serial";
    QTest::newRow("upper-case hex, padded text")
        << QByteArray("10C4\n") << QByteArray("EA60\n") << QByteArray("  Silicon Labs \n")
        << QByteArray("CP2102\n\n") << 0x10C4 << 0xEA60 << "Silicon Labs CP2102";
    QTest::newRow("non-hex vendor") << QByteArray("04g3\n") << QByteArray("6001\n") << missing
                                    << QByteArray("FT232R\n") << 0 << 0x6001 << "FT232R";
    QTest::newRow("id that would run into the next part")
        << QByteArray("12&PID_34\n") << QByteArray("6001\n") << missing << missing << 0 << 0x6001
        << "";
    QTest::newRow("garbage after the line")
        << QByteArray("0403\nxyz") << QByteArray("6001\0ffff", 9) << QByteArray("FTDI\0\xff\xfe", 7)
        << QByteArray("FT232R\nrest\n") << 0x0403 << 0x6001 << "FTDI FT232R";
    QTest::newRow("empty files") << QByteArray("") << QByteArray("\n") << QByteArray("")
                                 << QByteArray("\n") << 0 << 0 << "";
    QTest::newRow("unreadable") << unreadable << unreadable << unreadable << QByteArray("FT232R")
                                << 0 << 0 << "FT232R";
    QTest::newRow("only vendor present")
        << QByteArray("0403\n") << missing << missing << missing << 0x0403 << 0 << "";
}

void TestSysfsPorts::usbAttributes()
{
    QFETCH(QByteArray, idVendor);
    QFETCH(QByteArray, idProduct);
    QFETCH(QByteArray, manufacturer);
    QFETCH(QByteArray, product);
    QFETCH(int, vendorId);
    QFETCH(int, productId);
    QFETCH(QString, friendlyName);

    FakeSysfs sysfs;
    const QString interface = sysfs.addUsbInterface("1-1", "cdc_acm", {});
    const QString usbDevice = QFileInfo(interface).path();
    const QList<QPair<QString, QByteArray>> attributes = {{"idVendor", idVendor},
                                                          {"idProduct", idProduct},
                                                          {"manufacturer", manufacturer},
                                                          {"product", product}};
    for (const auto &attribute : attributes) {
        const QString path = usbDevice + '/' + attribute.first;
        if (attribute.second == "<folder>")
            QDir().mkpath(path);
        else if (!attribute.second.isNull())
            FakeSysfs::write(path, attribute.second);
    }
    // The USB device is recognised by its idVendor entry, even when that cannot be read.
    QVERIFY(QFileInfo::exists(usbDevice + "/idVendor"));
    sysfs.addTty("ttyACM0", interface);

    const PortInfo port = onlyPort(sysfs);
    QCOMPARE(port.vendorId, vendorId);
    QCOMPARE(port.productId, productId);
    QCOMPARE(port.friendlyName, friendlyName);
}

void TestSysfsPorts::missingClassFolderAddsNothing()
{
    PortInfo earlier;
    earlier.portName = QStringLiteral("ttyUSB7");
    QList<PortInfo> ports{earlier};
    QTemporaryDir empty;
    enumerateSysfsPorts(ports, empty.path() + "/sys/class/tty", empty.path());
    QCOMPARE(ports.size(), 1);
    QCOMPARE(ports.first().portName, QStringLiteral("ttyUSB7"));
}

QTEST_APPLESS_MAIN(TestSysfsPorts)
#include "tst_sysfsports.moc"
