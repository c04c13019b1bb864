#include "app/settingskeys.h"
#include "mainwindow/mainwindow.h"
#include "tests/support/temporarysettings.h"

#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTest>

#include <memory>

// The port list of the main window, filled from an enumeration the test hands in.
class TestRefreshPorts : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void currentEntryFollowsStoredName_data();
    void currentEntryFollowsStoredName();
    void everyRefreshAsksTheSystemAgain();
    void refreshTouchesNothingButThePortList();

private:
    TemporarySettings settings;
};

namespace {

// What the system reports, replaceable between refreshes, and how it was asked.
struct FakeSystem
{
    QStringList portNames;
    int enumerations = 0;
    bool handedNonEmptyList = false;
};

// Distinct from the name, so the list shows which of the two it carries.
QString openPathOf(const QString &portName)
{
    return QStringLiteral("\\\\.\\") + portName;
}

PortEnumerator enumeratorOf(const std::shared_ptr<FakeSystem> &system)
{
    return [system](QList<PortInfo> &ports) {
        ++system->enumerations;
        system->handedNonEmptyList |= !ports.isEmpty();
        for (const QString &name : system->portNames) {
            PortInfo info;
            info.portName = name;
            info.devicePath = info.openPath = openPathOf(name);
            ports.append(info);
        }
    };
}

QComboBox *portList(MainWindow &window)
{
    return window.findChild<QComboBox *>(QStringLiteral("comPorts"));
}

void refresh(MainWindow &window)
{
    window.findChild<QAction *>(QStringLiteral("actionRefreshPorts"))->trigger();
}

QStringList entries(QComboBox *ports)
{
    QStringList texts;
    for (int i = 0; i < ports->count(); ++i)
        texts << ports->itemText(i);
    return texts;
}

QStringList itemData(QComboBox *ports)
{
    QStringList data;
    for (int i = 0; i < ports->count(); ++i)
        data << ports->itemData(i, Qt::UserRole).toString();
    return data;
}

QVariantMap storedSettings()
{
    QSettings store;
    QVariantMap values;
    for (const QString &key : store.allKeys())
        values.insert(key, store.value(key));
    return values;
}

} // namespace

void TestRefreshPorts::init()
{
    settings.clear();
}

void TestRefreshPorts::currentEntryFollowsStoredName_data()
{
    QTest::addColumn<QStringList>("portNames");
    QTest::addColumn<QVariant>("storedName");
    QTest::addColumn<int>("current");

    QTest::newRow("stored name present once")
        << QStringList{"COM1", "COM3", "COM7"} << QVariant("COM3") << 1;
    QTest::newRow("stored name first") << QStringList{"COM4", "COM5"} << QVariant("COM4") << 0;
    QTest::newRow("stored name present twice, last wins")
        << QStringList{"COM3", "COM1", "COM3", "COM7"} << QVariant("COM3") << 2;
    QTest::newRow("stored name absent, first entry")
        << QStringList{"COM10", "COM3"} << QVariant("COM5") << 0;
    QTest::newRow("nothing stored, first entry") << QStringList{"COM3", "COM1"} << QVariant() << 0;
    QTest::newRow("stored name in other case")
        << QStringList{"COM1", "COM3"} << QVariant("com3") << 0;
    QTest::newRow("system order, not sorted")
        << QStringList{"COM12", "COM3", "COM1"} << QVariant("COM1") << 2;
    QTest::newRow("no ports, no current entry") << QStringList{} << QVariant("COM3") << -1;
}

void TestRefreshPorts::currentEntryFollowsStoredName()
{
    QFETCH(QStringList, portNames);
    QFETCH(QVariant, storedName);
    QFETCH(int, current);

    if (storedName.isValid())
        QSettings().setValue(SettingsKeys::devicePortName, storedName);
    auto system = std::make_shared<FakeSystem>();
    system->portNames = portNames;
    MainWindow window(nullptr, Qt::WindowFlags(), enumeratorOf(system));
    QComboBox *ports = portList(window);

    QStringList openPaths;
    for (const QString &name : portNames)
        openPaths << openPathOf(name);
    const auto checkList = [&] {
        QCOMPARE(entries(ports), portNames);
        QCOMPARE(itemData(ports), openPaths);
        QCOMPARE(ports->currentIndex(), current);
        QCOMPARE(ports->currentText(), current < 0 ? QString() : portNames.at(current));
    };
    checkList();

    // A choice made in the list is not kept over a refresh; the stored name decides again.
    ports->setCurrentIndex(ports->count() - 1);
    refresh(window);
    refresh(window);
    checkList();
    QCOMPARE(system->enumerations, 3);
    QVERIFY(!system->handedNonEmptyList);
}

void TestRefreshPorts::everyRefreshAsksTheSystemAgain()
{
    QSettings().setValue(SettingsKeys::devicePortName, QStringLiteral("COM4"));
    auto system = std::make_shared<FakeSystem>();
    system->portNames = QStringList{"COM1", "COM3"};
    MainWindow window(nullptr, Qt::WindowFlags(), enumeratorOf(system));
    QComboBox *ports = portList(window);
    QCOMPARE(ports->currentText(), QStringLiteral("COM1"));

    system->portNames = QStringList{"COM3", "COM4", "COM9"};
    refresh(window);
    QCOMPARE(entries(ports), system->portNames);
    QCOMPARE(ports->currentText(), QStringLiteral("COM4"));

    system->portNames.clear();
    refresh(window);
    QCOMPARE(ports->count(), 0);
    QCOMPARE(ports->currentIndex(), -1);
    QCOMPARE(system->enumerations, 3);
}

void TestRefreshPorts::refreshTouchesNothingButThePortList()
{
    QSettings().setValue(SettingsKeys::devicePortName, QStringLiteral("COM3"));
    auto system = std::make_shared<FakeSystem>();
    system->portNames = QStringList{"COM1", "COM3"};
    MainWindow window(nullptr, Qt::WindowFlags(), enumeratorOf(system));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QComboBox *ports = portList(window);
    auto *download = window.findChild<QPushButton *>(QStringLiteral("downloadBtn"));
    auto *refreshAction = window.findChild<QAction *>(QStringLiteral("actionRefreshPorts"));
    const QString statusMessage = window.statusBar()->currentMessage();
    QCOMPARE(statusMessage, QStringLiteral("Please select a port and connect your device"));
    const QVariantMap storedBefore = storedSettings();

    ports->setCurrentIndex(0);
    system->portNames = QStringList{"COM7"};
    refresh(window);
    system->portNames.clear();
    refresh(window);

    QCOMPARE(window.statusBar()->currentMessage(), statusMessage);
    QVERIFY(ports->isEnabled());
    QVERIFY(download->isEnabled());
    QVERIFY(refreshAction->isEnabled());
    QCOMPARE(storedSettings(), storedBefore);
}

QTEST_MAIN(TestRefreshPorts)
#include "tst_refreshports.moc"
