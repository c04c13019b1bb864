#include "app/settingskeys.h"
#include "mainwindow/mainwindow.h"
#include "tests/support/temporarysettings.h"

#include <QAction>
#include <QComboBox>
#include <QSettings>
#include <QTest>

// The port list of the main window, filled from an enumeration the test hands in.
class TestRefreshPorts : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void currentEntryFollowsStoredName_data();
    void currentEntryFollowsStoredName();

private:
    TemporarySettings settings;
};

namespace {

// Distinct from the name, so the list shows which of the two it carries.
QString openPathOf(const QString &portName)
{
    return QStringLiteral("\\\\.\\") + portName;
}

QStringList itemData(QComboBox *ports, int role)
{
    QStringList data;
    for (int i = 0; i < ports->count(); ++i)
        data << ports->itemData(i, role).toString();
    return data;
}

} // namespace

void TestRefreshPorts::init()
{
    settings.clear();
}

void TestRefreshPorts::currentEntryFollowsStoredName_data()
{
    QTest::addColumn<QStringList>("portNames");
    QTest::addColumn<QString>("storedName");
    QTest::addColumn<int>("current");

    QTest::newRow("present once") << QStringList{"COM1", "COM3", "COM7"} << "COM3" << 1;
    QTest::newRow("present twice, last wins")
        << QStringList{"COM3", "COM1", "COM3", "COM7"} << "COM3" << 2;
    QTest::newRow("absent, first entry") << QStringList{"COM10", "COM3"} << "COM5" << 0;
    QTest::newRow("other case") << QStringList{"COM1", "COM3"} << "com3" << 0;
    QTest::newRow("system order, not sorted")
        << QStringList{"COM12", "COM3", "COM1"} << "COM1" << 2;
    QTest::newRow("no ports, no current entry") << QStringList{} << "COM3" << -1;
}

// The window starts with another list, so each refresh must replace what is shown. A
// choice made in the list is not kept over a refresh: the stored name decides again,
// and a refresh stores nothing.
void TestRefreshPorts::currentEntryFollowsStoredName()
{
    QFETCH(QStringList, portNames);
    QFETCH(QString, storedName);
    QFETCH(int, current);

    QSettings().setValue(SettingsKeys::devicePortName, storedName);
    QStringList systemPorts{"COM8", storedName};
    int enumerations = 0;
    MainWindow window(nullptr, Qt::WindowFlags(), [&](QList<PortInfo> &ports) {
        ++enumerations;
        for (const QString &name : systemPorts) {
            PortInfo info;
            info.portName = name;
            info.devicePath = info.openPath = openPathOf(name);
            ports.append(info);
        }
    });
    auto *ports = window.findChild<QComboBox *>(QStringLiteral("comPorts"));
    auto *refresh = window.findChild<QAction *>(QStringLiteral("actionRefreshPorts"));
    QCOMPARE(ports->currentText(), storedName);
    systemPorts = portNames;

    QStringList openPaths;
    for (const QString &name : portNames)
        openPaths << openPathOf(name);
    for (int pass = 0; pass < 2; ++pass) {
        refresh->trigger();
        QCOMPARE(itemData(ports, Qt::DisplayRole), portNames);
        QCOMPARE(itemData(ports, Qt::UserRole), openPaths);
        QCOMPARE(ports->currentIndex(), current);
        QCOMPARE(ports->currentText(), current < 0 ? QString() : portNames.at(current));
        ports->setCurrentIndex(ports->count() - 1);
    }
    QCOMPARE(enumerations, 3);
    QCOMPARE(QSettings().allKeys(), QStringList{SettingsKeys::devicePortName});
    QCOMPARE(QSettings().value(SettingsKeys::devicePortName).toString(), storedName);
}

QTEST_MAIN(TestRefreshPorts)
#include "tst_refreshports.moc"
