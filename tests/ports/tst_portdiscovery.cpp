#include "ports/portaccess.h"
#include "ports/portchoice.h"
#include "ports/portnaming.h"
#include "ports/portwatcher.h"
#include "ports/sysfsports_linux.h"
#include "ports/utf16text.h"

#include <QtTest>

class TestPortDiscovery : public QObject
{
    Q_OBJECT

private slots:
    void windowsText_data()
    {
        QTest::addColumn<QString>("text"); // the whole buffer, so ASan sees reads past it
        QTest::addColumn<int>("bytesReturned");
        QTest::addColumn<QString>("openPath");     // empty: not listed
        QTest::addColumn<int>("usbIds");           // vendor << 16 | product
        QTest::addColumn<QString>("serialNumber"); // read as a device instance id
        QTest::newRow("COM9, count past the buffer") << "COM9" << 4096 << "COM9" << 0 << "";
        QTest::newRow("COM10, odd count") << "COM10X" << 11 << "\\\\.\\COM10" << 0 << "";
        QTest::newRow("up to the first NUL")
            << QStringLiteral("COM3\0COM12") << 20 << "COM3" << 0 << "";
        QTest::newRow("com3") << "com3" << 8 << "" << 0 << "";
        QTest::newRow("lower case")
            << "usb\\vid_1a2b&pid_3c4d&rev_0100" << 60 << "" << 0x1A2B3C4D << "";
        QTest::newRow("joined by +") << "USB\\VID_1A2B+PID_3C4D" << 42 << "" << 0 << "";
        QTest::newRow("USB device")
            << "USB\\VID_1A2B&PID_3C4D\\LDLCOM5" << 400 << "" << 0x1A2B3C4D << "LDLCOM5";
        QTest::newRow("location id")
            << "USB\\VID_1A2B&PID_3C4D\\6&1a2b3c&0&2" << 400 << "" << 0x1A2B3C4D << "";
        QTest::newRow("interface")
            << "USB\\VID_1A2B&PID_3C4D&MI_00\\7&2B&0&0000" << 400 << "" << 0x1A2B3C4D << "PARENT";
        QTest::newRow("FTDI bus") << "FTDIBUS\\VID_0403+PID_6001+A12345B\\0000" << 400 << "" << 0
                                  << "A12345B";
    }
    void windowsText()
    {
        QFETCH(QString, text);
        QFETCH(int, bytesReturned);
        QFETCH(QString, openPath);
        QFETCH(int, usbIds);
        QFETCH(QString, serialNumber);
        const QByteArray buffer(reinterpret_cast<const char *>(text.utf16()), 2 * text.size());
        const QString read = textUpToFirstNul(buffer, bytesReturned);
        QCOMPARE(isListedPortName(read) ? openPathForPortName(read) : QString(), openPath);
        const UsbIds ids = usbIdsFromHardwareId(read);
        QCOMPARE(ids.vendorId << 16 | ids.productId, usbIds);
        QCOMPARE(usbSerialNumber(read, [] { return "USB\\VID_1A2B&PID_3C4D\\PARENT"; }),
                 serialNumber);
    }
    void sysfsListsRealPortsInOrder()
    {
        QTemporaryDir root;
        QVERIFY(QDir::setCurrent(root.path()));
        const QString tree = R"(tty/ttyACM2/device>usb/if  tty/ttyACM10/device>usb/if  dev/ttyACM2=
        dev/ttyACM10=  usb/if/driver>drv  usb/if/subsystem>bus/usb  usb/subsystem>bus/usb
        usb/idVendor=1a2b  usb/idProduct=3c4d  usb/serial=T1  usb/manufacturer=Ormwick
        usb/product=Tester  tty/nonode/device>usb/if  tty/nodriver/device>bare
        dev/nodriver=  tty/type0/device>8250  8250/driver>drv  tty/type0/type=0  dev/type0=
        tty/type0base/device>8250/0.1  8250/0.1/driver>drv  tty/type0base/type=0  dev/type0base=
        tty/ttyS4/device>pb/port  pb/port/driver>drv  pb/port/subsystem>bus/serial-base
        pb/subsystem>bus/platform  dev/ttyS4=)";
        for (const QString &entry : tree.simplified().split(' ')) { // a file=content, a link>folder
            const QStringList part = entry.split(QRegExp("[=>]"));
            QFile file(part[0]);
            QVERIFY(QDir().mkpath(QFileInfo(file).path()));
            QVERIFY(entry.contains('>')
                        ? QDir().mkpath(part[1]) && QFile::link(root.filePath(part[1]), part[0])
                        : file.open(QFile::WriteOnly) && file.write(part[1].toUtf8()) >= 0);
        }
        QList<PortInfo> ports;
        enumerateSysfsPorts(ports, "tty", "dev");
        QCOMPARE(ports.size(), 3);
        QCOMPARE(ports.at(0).portName, "ttyACM2");
        QCOMPARE(ports.at(1).openPath, "dev/ttyACM10");
        QCOMPARE(ports.at(1).vendorId << 16 | ports.at(1).productId, 0x1A2B3C4D);
        QCOMPARE(ports.at(1).serialNumber + ' ' + ports.at(1).friendlyName, "T1 Ormwick Tester");
        QCOMPARE(ports.at(2).enumeratorName, "platform"); // below the serial layer
    }
    void choosePort_data() // ports as name=identity, the identity for USB ports only
    {
        for (const char *column :
             {"before", "after", "current", "storedName", "identity", "chosen"})
            QTest::addColumn<QString>(column);
        choiceRow("start: tester under another name", "", "COM1 COM7=1a2b:3c4d:T:1", "", "COM5",
                  "1a2b:3c4d:T:1", "COM7=1a2b:3c4d:T:1");
        choiceRow("start: nothing appears", "", "COM4=0403:6001:A COM1", "", "COM1", "", "COM1");
        choiceRow("start: first", "", "COM4=0403:6001:A COM1", "", "COM9", "", "COM4=0403:6001:A");
        choiceRow("no ports", "COM1", "", "COM1", "COM1", "1a2b:3c4d:T1", "");
        choiceRow("stored name twice", "", "COM3=0403:6001:A COM3=0403:6001:B", "", "COM3", "",
                  "COM3=0403:6001:B");
        choiceRow("other serial number", "", "COM4=1a2b:3c4d:X COM1", "", "COM1", "1a2b:3c4d:T1",
                  "COM1");
        choiceRow("no serial, one of the model", "", "COM1 COM6=1a2b:3c4d:", "", "COM1",
                  "1a2b:3c4d:", "COM6=1a2b:3c4d:");
        choiceRow("no serial, two of the model", "", "COM6=1a2b:3c4d: COM8=1a2b:3c4d:X COM1", "",
                  "COM1", "1a2b:3c4d:", "COM1");
        choiceRow("chosen beside the tester", "COM1 COM7=1a2b:3c4d:T1", "COM1 COM7=1a2b:3c4d:T1",
                  "COM1", "COM7", "1a2b:3c4d:T1", "COM1");
        choiceRow("tester appears", "COM4=0403:6001:A", "COM4=0403:6001:A COM9=1a2b:3c4d:T1",
                  "COM4", "", "1a2b:3c4d:T1", "COM9=1a2b:3c4d:T1");
        choiceRow("USB appears, chosen plain", "COM1", "COM1 COM5=0403:6001:A", "COM1", "COM1", "",
                  "COM5=0403:6001:A");
        choiceRow("USB appears, chosen USB", "COM4=0403:6001:A",
                  "COM4=0403:6001:A COM5=0403:6001:B", "COM4", "", "", "COM4=0403:6001:A");
        choiceRow("plain port appears", "COM1", "COM1 COM2", "COM1", "COM2", "", "COM1");
        choiceRow("chosen gone, USB appears", "COM1 COM4=0403:6001:A", "COM1 COM5=0403:6001:B",
                  "COM4", "COM1", "", "COM5=0403:6001:B");
    }
    void choosePort()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(QString, current);
        QFETCH(QString, storedName);
        QFETCH(QString, identity);
        QFETCH(QString, chosen);
        const QStringList names = after.split(' ', Qt::SkipEmptyParts);
        for (const QString &name : names) // what the window stores comes back as it was
            QCOMPARE(UsbIdentity::fromString(name.section('=', 1)).toString(),
                     name.section('=', 1));
        const int index = ::choosePort(ports(before), ports(after), current, storedName,
                                       UsbIdentity::fromString(identity));
        QCOMPARE(index >= 0 ? names.at(index) : QString(), chosen);
    }
    void watcherSignalsOncePerBurst_data()
    {
        QTest::addColumn<QString>("changes"); // +made -removed *written from>to
        QTest::addColumn<int>("signalCount");
        QTest::newRow("node made") << "+ttyUSB0" << 1;
        QTest::newRow("node removed") << "-ttyS0" << 1;
        QTest::newRow("burst") << "+ttyUSB0 +ttyUSB1 ttyS1>ttyUSB2 -ttyS0 -ttyUSB0" << 1;
        QTest::newRow("node written") << "*ttyS0" << 0;
    }
    void watcherSignalsOncePerBurst()
    {
        QFETCH(QString, changes);
        QFETCH(int, signalCount);
        QTemporaryDir root;
        QVERIFY(QDir::setCurrent(root.path()));
        QVERIFY(QFile("ttyS0").open(QFile::WriteOnly) && QFile("ttyS1").open(QFile::WriteOnly));
        PortWatcher watcher(0, root.path());
        QVERIFY(watcher.isWatching());
        QSignalSpy spy(&watcher, SIGNAL(portsMayHaveChanged()));
        for (const QString &change : changes.split(' ')) {
            QFile node(change.mid(1));
            QVERIFY(change[0] == '+'   ? node.open(QFile::WriteOnly)
                    : change[0] == '-' ? node.remove()
                    : change[0] == '*'
                        ? node.open(QFile::Append) && node.write("x") == 1
                        : QDir().rename(change.section('>', 0, 0), change.section('>', 1)));
            QCoreApplication::processEvents(); // each notice on its own, as a plug-in spreads them
        }
        QTRY_COMPARE_WITH_TIMEOUT(spy.count(), signalCount, 2000);
        QTest::qWait(500); // long past the settling: a second signal would be here
        QCOMPARE(spy.count(), signalCount);
    }
    void groupDenyingAccess_data() // the node's group is 20
    {
        for (const char *column : {"mode", "owner", "user"})
            QTest::addColumn<uint>(column);
        QTest::addColumn<QList<uint>>("groups");
        QTest::addColumn<bool>("denying");
        QTest::newRow("outside the group") << 0660u << 0u << 1000u << QList<uint>{1000} << true;
        QTest::newRow("in the group") << 0660u << 0u << 1000u << QList<uint>{1000, 20} << false;
        QTest::newRow("group may not write") << 0640u << 0u << 1000u << QList<uint>{1000} << false;
        QTest::newRow("others may") << 0666u << 0u << 1000u << QList<uint>{1000} << false;
        QTest::newRow("owner") << 0060u << 1000u << 1000u << QList<uint>{1000} << false;
        QTest::newRow("root") << 0660u << 1000u << 0u << QList<uint>{0} << false;
    }
    void groupDenyingAccess()
    {
        QFETCH(uint, mode);
        QFETCH(uint, owner);
        QFETCH(uint, user);
        QFETCH(QList<uint>, groups);
        QFETCH(bool, denying);
        QCOMPARE(isGroupDenyingAccess(mode, owner, 20, user, groups), denying);
    }

private:
    static void choiceRow(const char *name, const char *before, const char *after,
                          const char *current, const char *storedName, const char *identity,
                          const char *chosen)
    {
        QTest::newRow(name) << QString(before) << QString(after) << QString(current)
                            << QString(storedName) << QString(identity) << QString(chosen);
    }
    static QList<PortInfo> ports(const QString &names)
    {
        QList<PortInfo> list;
        for (const QString &name : names.split(' ', Qt::SkipEmptyParts)) {
            const UsbIdentity identity = UsbIdentity::fromString(name.section('=', 1));
            PortInfo port;
            port.portName = name.section('=', 0, 0);
            port.vendorId = identity.vendorId;
            port.productId = identity.productId;
            port.serialNumber = identity.serialNumber;
            list.append(port);
        }
        return list;
    }
};

QTEST_GUILESS_MAIN(TestPortDiscovery)
#include "tst_portdiscovery.moc"
