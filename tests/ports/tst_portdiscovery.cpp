#include "ports/portnaming.h"
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
        QTest::addColumn<QString>("openPath"); // empty: not listed
        QTest::addColumn<int>("usbIds");       // vendor << 16 | product
        QTest::newRow("COM9, count past the buffer") << "COM9" << 4096 << "COM9" << 0;
        QTest::newRow("COM10, odd count") << "COM10X" << 11 << "\\\\.\\COM10" << 0;
        QTest::newRow("up to the first NUL") << QStringLiteral("COM3\0COM12") << 20 << "COM3" << 0;
        QTest::newRow("com3") << "com3" << 8 << "" << 0;
        QTest::newRow("lower case") << "usb\\vid_1a2b&pid_3c4d&rev_0100" << 60 << "" << 0x1A2B3C4D;
        QTest::newRow("joined by +") << "USB\\VID_1A2B+PID_3C4D" << 42 << "" << 0;
    }
    void windowsText()
    {
        QFETCH(QString, text);
        QFETCH(int, bytesReturned);
        QFETCH(QString, openPath);
        QFETCH(int, usbIds);
        const QByteArray buffer(reinterpret_cast<const char *>(text.utf16()), 2 * text.size());
        const QString read = textUpToFirstNul(buffer, bytesReturned);
        QCOMPARE(isListedPortName(read) ? openPathForPortName(read) : QString(), openPath);
        const UsbIds ids = usbIdsFromHardwareId(read);
        QCOMPARE(ids.vendorId << 16 | ids.productId, usbIds);
    }
    void sysfsListsRealPortsInOrder()
    {
        QTemporaryDir root;
        QVERIFY(QDir::setCurrent(root.path()));
        const QString tree = R"(tty/ttyACM2/device>usb/if  tty/ttyACM10/device>usb/if  dev/ttyACM2=
        dev/ttyACM10=  usb/if/driver>drv  usb/if/subsystem>bus/usb  usb/subsystem>bus/usb
        usb/idVendor=1a2b  usb/idProduct=3c4d  tty/nonode/device>usb/if  tty/nodriver/device>bare
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
        QCOMPARE(ports.at(2).enumeratorName, "platform"); // below the serial layer
    }
};

QTEST_APPLESS_MAIN(TestPortDiscovery)
#include "tst_portdiscovery.moc"
