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
    // Each row: the text in a buffer of its own size (~: a NUL), so that ASan sees reads past
    // it; the byte count returned; the path opened (none: not listed); the USB ids named; the
    // serial number given when read as a device instance id.
    void windowsText_data()
    {
        QTest::addColumn<QStringList>("row");
        for (const char *row :
             {"COM9|4096|COM9|0|", "COM10X|11|\\\\.\\COM10|0|", "COM3~COM12|20|COM3|0|",
              "com3|8||0|", "usb\\vid_1a2b&pid_3c4d&rev_0100|60||1a2b3c4d|",
              "USB\\VID_1A2B+PID_3C4D|42||0|",
              "USB\\VID_1A2B&PID_3C4D\\LDLCOM5|400||1a2b3c4d|LDLCOM5",
              "USB\\VID_1A2B&PID_3C4D\\6&1a2b3c&0&2|400||1a2b3c4d|",
              "USB\\VID_1A2B&PID_3C4D&MI_00\\7&2B&0&0000|400||1a2b3c4d|PARENT",
              "FTDIBUS\\VID_0403+PID_6001+A12345B\\0000|400||0|A12345B"})
            QTest::newRow(row) << QString(row).replace('~', QChar(0)).split('|');
    }
    void windowsText()
    {
        QFETCH(QStringList, row);
        const QByteArray buffer(reinterpret_cast<const char *>(row[0].utf16()), 2 * row[0].size());
        const QString read = textUpToFirstNul(buffer, row[1].toInt());
        QCOMPARE(isListedPortName(read) ? openPathForPortName(read) : QString(), row[2]);
        const UsbIds ids = usbIdsFromHardwareId(read);
        QCOMPARE(ids.vendorId << 16 | ids.productId, row[3].toInt(nullptr, 16));
        QCOMPARE(usbSerialNumber(read, [] { return "USB\\VID_1A2B&PID_3C4D\\PARENT"; }), row[4]);
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
    // Each row: before|after|current|stored name|stored identity|chosen, where a port is
    // name=identity and only USB ports have an identity.
    void choosePort_data()
    {
        QTest::addColumn<QStringList>("row");
        for (const char *row :
             {"start: tester renamed||COM1 COM7=1a2b:3c4d:T:1||COM5|1a2b:3c4d:T:1|COM7",
              "start: stored name||COM4=0403:6001:A COM1||COM1||COM1",
              "start: first||COM4=0403:6001:A COM1||COM9||COM4",
              "no ports|COM1||COM1|COM1|1a2b:3c4d:T1|",
              "name twice||COM3=0403:6001:A COM3=0403:6001:B||COM3||COM3=0403:6001:B",
              "other serial||COM4=1a2b:3c4d:X COM1||COM1|1a2b:3c4d:T1|COM1",
              "no serial, one of it||COM1 COM6=1a2b:3c4d:||COM1|1a2b:3c4d:|COM6",
              "no serial, two||COM6=1a2b:3c4d: COM8=1a2b:3c4d:X COM1||COM1|1a2b:3c4d:|COM1",
              "beside the tester|COM1 COM7=1a2b:3c4d:T1|COM1 COM7=1a2b:3c4d:T1|COM1|COM7|"
              "1a2b:3c4d:T1|COM1",
              "tester comes|COM4=0403:6001:A|COM4=0403:6001:A COM9=1a2b:3c4d:T1|COM4||"
              "1a2b:3c4d:T1|COM9",
              "USB comes to plain|COM1|COM1 COM5=0403:6001:A|COM1|COM1||COM5",
              "USB comes to USB|COM4=0403:6001:A|COM4=0403:6001:A COM5=0403:6001:B|COM4|||COM4",
              "plain comes|COM1|COM1 COM2|COM1|COM2||COM1",
              "current goes, USB comes|COM1 COM4=0403:6001:A|COM1 COM5=0403:6001:B|COM4|COM1||"
              "COM5"}) {
            QStringList fields = QString(row).split('|');
            QTest::newRow(qPrintable(fields.takeFirst())) << fields;
        }
    }
    void choosePort()
    {
        QFETCH(QStringList, row);
        const QStringList names = row[1].split(' ', Qt::SkipEmptyParts);
        for (const QString &name : names) // what the window stores comes back as it was
            QCOMPARE(UsbIdentity::fromString(name.section('=', 1)).toString(),
                     name.section('=', 1));
        const int index = ::choosePort(ports(row[0]), ports(row[1]), row[2], row[3],
                                       UsbIdentity::fromString(row[4]));
        QCOMPARE(index, names.indexOf(QRegExp(QRegExp::escape(row[5]) + "(=.*)?")));
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
    // Each row: the node's mode (its group is 20), its owner, the user, the user's groups, and
    // whether the group is what denies the user.
    void groupDenyingAccess()
    {
        for (const char *row : {"660 0 1000 1000 1", "660 0 1000 1000,20 0", "640 0 1000 1000 0",
                                "666 0 1000 1000 0", "060 1000 1000 1000 0", "660 1000 0 0 0"}) {
            const QStringList field = QString(row).split(' ');
            QList<uint> groups;
            for (const QString &group : field[3].split(','))
                groups.append(group.toUInt());
            QVERIFY2(isGroupDenyingAccess(field[0].toUInt(nullptr, 8), field[1].toUInt(), 20,
                                          field[2].toUInt(), groups) == (field[4] == "1"),
                     row);
        }
    }

private:
    static QList<PortInfo> ports(const QString &names)
    {
        QList<PortInfo> list;
        for (const QString &name : names.split(' ', Qt::SkipEmptyParts)) {
            const UsbIdentity id = UsbIdentity::fromString(name.section('=', 1));
            list.append({name.section('=', 0, 0),
                         {},
                         {},
                         {},
                         {},
                         {},
                         id.vendorId,
                         id.productId,
                         id.serialNumber});
        }
        return list;
    }
};

QTEST_GUILESS_MAIN(TestPortDiscovery)
#include "tst_portdiscovery.moc"
