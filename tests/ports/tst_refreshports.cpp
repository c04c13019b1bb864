#include "app/settingskeys.h"
#include "mainwindow/mainwindow.h"
#include "tests/support/temporarysettings.h"

#include <QAction>
#include <QComboBox>
#include <QSettings>
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

QStringList itemData(QComboBox *ports, int role)
{
    QStringList data;
    for (int i = 0; i < ports->count(); ++i)
        data << ports->itemData(i, role).toString();
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
// choice made in the list is not kept over a refresh: the stored name decides again.
void TestRefreshPorts::currentEntryFollowsStoredName()
{
    QFETCH(QStringList, portNames);
    QFETCH(QString, storedName);
    QFETCH(int, current);

    QSettings().setValue(SettingsKeys::devicePortName, storedName);
    auto system = std::make_shared<FakeSystem>();
    system->portNames = QStringList{"COM8", storedName};
    MainWindow window(nullptr, Qt::WindowFlags(), enumeratorOf(system));
    auto *ports = window.findChild<QComboBox *>(QStringLiteral("comPorts"));
    auto *refresh = window.findChild<QAction *>(QStringLiteral("actionRefreshPorts"));
    QCOMPARE(ports->currentText(), storedName);
    system->portNames = portNames;
    const QVariantMap storedBefore = storedSettings();

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
    QCOMPARE(system->enumerations, 3);
    QVERIFY(!system->handedNonEmptyList);
    QCOMPARE(storedSettings(), storedBefore);
}

QTEST_MAIN(TestRefreshPorts)
#include "tst_refreshports.moc"
