#include "app/settingskeys.h"
#include "mainwindow/mainwindow.h"
#include "tests/support/temporarysettings.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QSettings>
#include <QTest>

// What the window keeps between runs and what it decides from the locale.
class TestMainWindowFrame : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void secondWindowRestoresWhatTheFirstStored();
    void emptyPortListStoresEmptyPortName();
    void countrySettingsFollowLocaleAndStoredChoice_data();
    void countrySettingsFollowLocaleAndStoredChoice();
    void togglingConvertCsvDataWritesAtOnce();
    void windowIconComesFromTheBundle();

private:
    TemporarySettings settings;
};

namespace {

PortEnumerator portsNamed(const QStringList &names)
{
    return [names](QList<PortInfo> &ports) {
        for (const QString &name : names) {
            PortInfo info;
            info.portName = name;
            info.openPath = info.devicePath = name;
            ports.append(info);
        }
    };
}

QVariant stored(const QString &key)
{
    return QSettings().value(key);
}

} // namespace

void TestMainWindowFrame::init()
{
    settings.clear();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestMainWindowFrame::cleanup()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestMainWindowFrame::secondWindowRestoresWhatTheFirstStored()
{
    const PortEnumerator ports = portsNamed({"COM1", "COM3", "COM7"});
    QRect firstGeometry;
    {
        MainWindow first(nullptr, Qt::WindowFlags(), ports);
        first.show();
        QVERIFY(QTest::qWaitForWindowExposed(&first));
        first.setGeometry(120, 140, 640, 480);
        QTest::qWait(20);
        firstGeometry = first.geometry();
        first.findChild<QComboBox *>("comPorts")->setCurrentIndex(1);
    }
    QCOMPARE(stored(SettingsKeys::devicePortName).type(), QVariant::String);
    QCOMPARE(stored(SettingsKeys::devicePortName).toString(), QStringLiteral("COM3"));
    QVERIFY(!stored(SettingsKeys::mainWindowGeometry).toByteArray().isEmpty());
    QVERIFY(!stored(SettingsKeys::mainWindowState).toByteArray().isEmpty());

    MainWindow second(nullptr, Qt::WindowFlags(), ports);
    second.show();
    QVERIFY(QTest::qWaitForWindowExposed(&second));
    QCOMPARE(second.geometry().size(), firstGeometry.size());
    QCOMPARE(second.findChild<QComboBox *>("comPorts")->currentText(), QStringLiteral("COM3"));
}

void TestMainWindowFrame::emptyPortListStoresEmptyPortName()
{
    QSettings().setValue(SettingsKeys::devicePortName, QStringLiteral("COM4"));
    {
        MainWindow window(nullptr, Qt::WindowFlags(), portsNamed({}));
    }
    QVERIFY(QSettings().contains(SettingsKeys::devicePortName));
    QCOMPARE(stored(SettingsKeys::devicePortName).toString(), QString());
}

void TestMainWindowFrame::countrySettingsFollowLocaleAndStoredChoice_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QVariant>("storedChoice");
    QTest::addColumn<bool>("submenuShown");
    QTest::addColumn<bool>("checked");

    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QLocale german(QLocale::German, QLocale::Germany);
    QTest::newRow("point, nothing stored") << english << QVariant() << false << false;
    QTest::newRow("point, true stored") << english << QVariant(true) << false << false;
    QTest::newRow("comma, nothing stored") << german << QVariant() << false << false;
    QTest::newRow("comma, true stored") << german << QVariant(true) << true << true;
    QTest::newRow("comma, false stored") << german << QVariant(false) << true << false;
}

void TestMainWindowFrame::countrySettingsFollowLocaleAndStoredChoice()
{
    QFETCH(QLocale, locale);
    QFETCH(QVariant, storedChoice);
    QFETCH(bool, submenuShown);
    QFETCH(bool, checked);

    QLocale::setDefault(locale);
    if (storedChoice.isValid())
        QSettings().setValue(SettingsKeys::convertData, storedChoice);

    MainWindow window(nullptr, Qt::WindowFlags(), portsNamed({}));
    auto *submenu = window.findChild<QMenu *>("menuCountrySettings");
    QCOMPARE(submenu->menuAction()->isVisible(), submenuShown);
    QCOMPARE(window.findChild<QAction *>("actionConvertCsvData")->isChecked(), checked);
    // Restoring the check state must not write the choice back.
    QCOMPARE(QSettings().contains(SettingsKeys::convertData), storedChoice.isValid());
    if (storedChoice.isValid())
        QCOMPARE(stored(SettingsKeys::convertData).toBool(), storedChoice.toBool());
}

void TestMainWindowFrame::togglingConvertCsvDataWritesAtOnce()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QSettings().setValue(SettingsKeys::convertData, false);
    MainWindow window(nullptr, Qt::WindowFlags(), portsNamed({}));
    auto *convert = window.findChild<QAction *>("actionConvertCsvData");

    convert->trigger();
    QCOMPARE(stored(SettingsKeys::convertData).toBool(), true);
    convert->trigger();
    QCOMPARE(stored(SettingsKeys::convertData).toBool(), false);
}

void TestMainWindowFrame::windowIconComesFromTheBundle()
{
    MainWindow window(nullptr, Qt::WindowFlags(), portsNamed({}));
    const QImage bundled(QStringLiteral(":/OrmwickLumetra.png"));
    QVERIFY(!bundled.isNull());
    QVERIFY(!window.windowIcon().isNull());
    const QImage shown = window.windowIcon().pixmap(bundled.size()).toImage();
    QCOMPARE(shown.convertToFormat(QImage::Format_ARGB32_Premultiplied),
             bundled.convertToFormat(QImage::Format_ARGB32_Premultiplied));
}

QTEST_MAIN(TestMainWindowFrame)
#include "tst_mainwindowframe.moc"
