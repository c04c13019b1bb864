#include "mainwindow/mainwindow.h"
#include "tests/support/temporarysettings.h"

#include <QtTest>
#include <QtWidgets>

class TestRefreshPorts : public QObject
{
    Q_OBJECT

private slots:
    void storedPortIsCurrentElseTheFirst()
    {
        TemporarySettings settings;
        QSettings().setValue("Device/PortName", "ttyS1");
        QList<QList<PortInfo>> lists{
            {{"ttyS1", {}, {}, {}, {}, {}}, {"ttyS1", {}, "/dev/ttyS1", {}, {}, {}}}, // last wins
            {{"ttyUSB0", {}, "/dev/ttyUSB0", {}, {}, {}}, {"TTYS1", {}, {}, {}, {}, {}}}};
        MainWindow window(nullptr, {}, [&](QList<PortInfo> &ports) { ports = lists.takeFirst(); });
        QCOMPARE(window.findChild<QComboBox *>("comPorts")->currentData().toString(), "/dev/ttyS1");
        window.findChild<QAction *>("actionRefreshPorts")->trigger();
        QCOMPARE(window.findChild<QComboBox *>("comPorts")->currentText(), "ttyUSB0");
    }
};

QTEST_MAIN(TestRefreshPorts)
#include "tst_refreshports.moc"
