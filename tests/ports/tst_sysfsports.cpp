#include "ports/sysfsports_linux.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using Attributes = QList<QPair<QString, QByteArray>>;

// A sysfs tree in a temporary folder, laid out as the kernel lays out its own:
// devices under devices/, buses under bus/, the tty class linking into devices/,
// and a node per port under dev/.
class FakeSysfs
{
public:
    FakeSysfs() : sys(root.path() + QStringLiteral("/sys"))
    {
        QDir().mkpath(ttyClass());
        QDir().mkpath(deviceRoot());
    }

    QString ttyClass() const { return sys + QStringLiteral("/class/tty"); }
    QString deviceRoot() const { return root.path() + QStringLiteral("/dev"); }

    // A device folder on a bus, bound to a driver unless that is empty; kept if it exists.
    QString addDevice(const QString &path, const QString &bus, const QString &driver = QString())
    {
        const QString device = sys + QStringLiteral("/devices/") + path;
        const QString busFolder = sys + QStringLiteral("/bus/") + bus;
        if (!QFileInfo::exists(device)) {
            const QString driverFolder = busFolder + QStringLiteral("/drivers/") + driver;
            QDir().mkpath(device);
            QDir().mkpath(driverFolder);
            link(device + QStringLiteral("/subsystem"), busFolder);
            if (!driver.isEmpty())
                link(device + QStringLiteral("/driver"), driverFolder);
        }
        return QFileInfo(device).canonicalFilePath();
    }

    // A tty below a device (or a virtual one), listed in the class and with a node.
    QString addTty(const QString &name, const QString &device = QString(),
                   const QByteArray &type = QByteArray())
    {
        const QString tty = (device.isEmpty() ? sys + "/devices/virtual" : device) + "/tty/" + name;
        QDir().mkpath(tty);
        if (!device.isEmpty())
            link(tty + QStringLiteral("/device"), device);
        if (!type.isNull())
            write(tty + QStringLiteral("/type"), type);
        link(ttyClass() + QLatin1Char('/') + name, tty);
        write(deviceRoot() + QLatin1Char('/') + name, QByteArray());
        return tty;
    }

    // A USB device with these attributes below a root hub (which has ids of its own);
    // returns the interface that a driver binds to.
    QString addUsbInterface(const QString &port, const QString &driver,
                            const Attributes &attributes)
    {
        const QString hub = QStringLiteral("pci0000:00/0000:00:14.0/usb1");
        addDevice(QStringLiteral("pci0000:00/0000:00:14.0"), "pci", "xhci_hcd");
        write(addDevice(hub, "usb", "usb") + QStringLiteral("/idVendor"), "1d6b\n");
        const QString usbDevice = addDevice(hub + QLatin1Char('/') + port, "usb", "usb");
        for (const auto &attribute : attributes)
            write(usbDevice + QLatin1Char('/') + attribute.first, attribute.second);
        return addDevice(hub + QLatin1Char('/') + port + QLatin1Char('/') + port + ":1.0", "usb",
                         driver);
    }

    // A real port on an onboard UART.
    QString addUart(const QString &name)
    {
        return addTty(name, addDevice(QStringLiteral("platform/") + name, "platform", "uart"));
    }

    static void link(const QString &linkPath, const QString &target)
    {
        const QString relative = QFileInfo(linkPath).dir().relativeFilePath(target);
        QVERIFY2(QFile::link(relative, linkPath), qPrintable(linkPath));
    }

    static void write(const QString &path, const QByteArray &content)
    {
        QFile file(path);
        QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
        file.write(content);
    }

private:
    QTemporaryDir root;
    QString sys;
};

// The Linux port source on fake sysfs trees: which ttys are listed, in which order,
// and what is known about each.
class TestSysfsPorts : public QObject
{
    Q_OBJECT

private slots:
    void listsOnlyRealSerialDevices();
    void describesEachPort();
};

namespace {

QList<PortInfo> listed(const FakeSysfs &sysfs)
{
    QList<PortInfo> ports;
    enumerateSysfsPorts(ports, sysfs.ttyClass(), sysfs.deviceRoot());
    return ports;
}

QString describe(const PortInfo &port)
{
    return QStringLiteral("%1|%2|%3:%4|%5")
        .arg(port.portName, port.enumeratorName)
        .arg(port.vendorId, 4, 16, QLatin1Char('0'))
        .arg(port.productId, 4, 16, QLatin1Char('0'))
        .arg(port.friendlyName);
}

} // namespace

// Each tty left out has a name of its own, so a wrongly listed one is easy to spot.
void TestSysfsPorts::listsOnlyRealSerialDevices()
{
    FakeSysfs sysfs;
    // Virtual ttys, and a device without a driver.
    sysfs.addTty("tty0");
    sysfs.addTty("ptmx");
    sysfs.addTty("ttyS20", sysfs.addDevice("platform/unbound", "platform"));
    // Unused 8250 slots report port type 0; a type that is no number says nothing.
    const QString unused = sysfs.addDevice("platform/serial8250", "platform", "serial8250");
    sysfs.addTty("ttyS21", unused, "0\n");
    sysfs.addTty("ttyS22", unused, "0");
    sysfs.addTty("ttyS3", sysfs.addDevice("pnp0/00:03", "pnp", "serial"), "16550A\n");
    // Broken links: class entry, device, driver.
    const QString gone = sysfs.ttyClass() + "/../../devices/gone";
    FakeSysfs::link(sysfs.ttyClass() + "/ttyS23", gone);
    FakeSysfs::link(sysfs.addTty("ttyS24") + "/device", gone);
    const QString device = sysfs.addDevice("platform/uart25", "platform");
    FakeSysfs::link(device + "/driver", gone);
    sysfs.addTty("ttyS25", device);
    // No device node.
    sysfs.addUart("ttyS26");
    QVERIFY(QFile::remove(sysfs.deviceRoot() + "/ttyS26"));
    for (const QString name : {"ttyS10", "ttyS2", "ttyS0", "ttyACM1", "ttyACM0"})
        sysfs.addUart(name);

    QStringList names;
    for (const PortInfo &port : listed(sysfs))
        names << port.portName;
    QCOMPARE(names, QStringList({"ttyACM0", "ttyACM1", "ttyS0", "ttyS2", "ttyS3", "ttyS10"}));
}

// The bus is the first one above the kernel's serial layers; ids and names come from
// the USB device, not from its interface or the root hub, and only from the first line.
void TestSysfsPorts::describesEachPort()
{
    FakeSysfs sysfs;
    sysfs.addUsbInterface("1-1", "ftdi_sio",
                          {{"idVendor", "0403\n"},
                           {"idProduct", "6001\n"},
                           {"manufacturer", "FTDI\n"},
                           {"product", "FT232R USB UART\n"}});
    const QString adapter = sysfs.addDevice("pci0000:00/0000:00:14.0/usb1/1-1/1-1:1.0/ttyUSB0",
                                            "usb-serial", "ftdi_sio");
    sysfs.addTty("ttyUSB0", adapter);
    sysfs.addTty("ttyACM0", sysfs.addUsbInterface("1-4", "cdc_acm",
                                                  {{"idVendor", "2341\n"},
                                                   {"idProduct", "0043\n"},
                                                   {"product", "Arduino Uno\n"}}));
    sysfs.addDevice("pnp0/00:00", "pnp", "serial");
    sysfs.addDevice("pnp0/00:00/00:00:0", "serial-base", "ctrl");
    sysfs.addTty("ttyS0", sysfs.addDevice("pnp0/00:00/00:00:0/00:00:0.0", "serial-base", "port"),
                 "4\n");
    sysfs.addTty("ttyS4", sysfs.addDevice("pci0000:00/0000:00:16.3", "pci", "serial"), "4\n");
    sysfs.addTty("ttyAMA0", sysfs.addDevice("platform/fe201000.serial", "platform", "pl011"));
    const QString lost = sysfs.addDevice("platform/uart9", "platform", "uart");
    QVERIFY(QFile::remove(lost + "/subsystem"));
    FakeSysfs::link(lost + "/subsystem", lost + "/../../bus/gone");
    sysfs.addTty("ttyS9", lost);
    // USB attributes without a newline, padded and with garbage after the line, with an id
    // that would spill into the next part of a hardware id, and ones that cannot be read.
    sysfs.addTty("ttyACM1", sysfs.addUsbInterface("1-5", "cdc_acm",
                                                  {{"idVendor", "067b"},
                                                   {"idProduct", "2303"},
                                                   {"manufacturer", "Prolific"},
                                                   {"product", "USB-Serial"}}));
    sysfs.addTty("ttyACM2", sysfs.addUsbInterface("1-6", "cdc_acm",
                                                  {{"idVendor", "0403\nxyz"},
                                                   {"idProduct", QByteArray("6001\0ffff", 9)},
                                                   {"manufacturer", QByteArray(" FTDI \0\xff", 8)},
                                                   {"product", "FT232R\nrest\n"}}));
    sysfs.addTty("ttyACM3",
                 sysfs.addUsbInterface("1-7", "cdc_acm",
                                       {{"idVendor", "12&PID_34\n"}, {"idProduct", "6001\n"}}));
    const QString unreadable = sysfs.addUsbInterface("1-8", "cdc_acm", {{"product", "FT232R"}});
    for (const QString name : {"idVendor", "idProduct", "manufacturer"})
        QDir().mkpath(QFileInfo(unreadable).path() + '/' + name);
    sysfs.addTty("ttyACM4", unreadable);

    const QList<PortInfo> ports = listed(sysfs);
    QStringList described;
    for (const PortInfo &port : ports)
        described << describe(port);
    QCOMPARE(described,
             QStringList({"ttyACM0|usb|2341:0043|Arduino Uno",
                          "ttyACM1|usb|067b:2303|Prolific USB-Serial",
                          "ttyACM2|usb|0403:6001|FTDI FT232R", "ttyACM3|usb|0000:6001|",
                          "ttyACM4|usb|0000:0000|FT232R", "ttyAMA0|platform|0000:0000|",
                          "ttyS0|pnp|0000:0000|", "ttyS4|pci|0000:0000|", "ttyS9||0000:0000|",
                          "ttyUSB0|usb|0403:6001|FTDI FT232R USB UART"}));
    QCOMPARE(ports.last().openPath, sysfs.deviceRoot() + "/ttyUSB0");
    QCOMPARE(ports.last().devicePath, ports.last().openPath);
    QCOMPARE(ports.last().physicalName, adapter);
}

QTEST_APPLESS_MAIN(TestSysfsPorts)
#include "tst_sysfsports.moc"
