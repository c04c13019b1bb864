#include "mainwindow/mainwindow.h"
#include "tests/support/temporarysettings.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

// The form as the user meets it on a first start with no translation installed.
class TestMainWindowForm : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void textsAndToolTips_data();
    void textsAndToolTips();
    void widgetsSitInTheirFramedRows();
    void menusHoldTheirActionsInOrder();
    void firstStartSizeAndInitialState();
    void enlargingKeepsButtonsRightAndWide();

private:
    TemporarySettings settings;
    MainWindow *window = nullptr;
};

void TestMainWindowForm::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestMainWindowForm::init()
{
    settings.clear();
    window = new MainWindow(nullptr, Qt::WindowFlags(), [](QList<PortInfo> &) {});
}

void TestMainWindowForm::cleanup()
{
    delete window;
    window = nullptr;
}

void TestMainWindowForm::textsAndToolTips_data()
{
    QTest::addColumn<QString>("objectName");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("toolTip");

    QTest::newRow("window") << "MainWindow"
                            << "Ormwick DataLogger"
                            << "";
    QTest::newRow("exit") << "actionExit"
                          << "Exit"
                          << "Quits the application";
    QTest::newRow("refresh") << "actionRefreshPorts"
                             << "Refresh Ports"
                             << "Refreshes the list of COM ports";
    QTest::newRow("about") << "actionAbout"
                           << "About"
                           << "Shows version information about Lumetra DataLogger";
    QTest::newRow("language") << "actionChangeLanguage"
                              << "Change Language..."
                              << "Change the language used in this application";
    QTest::newRow("help") << "actionHelp"
                          << "Help"
                          << "Shows documentation";
    QTest::newRow("convert") << "actionConvertCsvData"
                             << "Convert CSV Data"
                             << "";
    QTest::newRow("connection") << "groupBox"
                                << "Device Connection"
                                << "";
    QTest::newRow("cancel") << "cancelBtn"
                            << "Cancel"
                            << "";
    QTest::newRow("download") << "downloadBtn"
                              << "Download"
                              << "";
    QTest::newRow("output") << "outputGroupBox"
                            << "Downloaded Output"
                            << "";
    QTest::newRow("open") << "openBtn"
                          << "Open"
                          << "";
    QTest::newRow("save") << "saveBtn"
                          << "Save"
                          << "";
    QTest::newRow("file menu") << "menuFile"
                               << "File"
                               << "";
    QTest::newRow("tools menu") << "menuTools"
                                << "Tools"
                                << "";
    QTest::newRow("country menu") << "menuCountrySettings"
                                  << "Country Settings"
                                  << "";
    QTest::newRow("help menu") << "menuHelp"
                               << "Help"
                               << "";
}

void TestMainWindowForm::textsAndToolTips()
{
    QFETCH(QString, objectName);
    QFETCH(QString, text);
    QFETCH(QString, toolTip);

    QObject *object =
        objectName == window->objectName() ? window : window->findChild<QObject *>(objectName);
    QVERIFY2(object, qPrintable(objectName));
    QString shown;
    if (auto *action = qobject_cast<QAction *>(object)) {
        shown = action->text();
        // An action without its own tool tip falls back to its text.
        QCOMPARE(action->toolTip(), toolTip.isEmpty() ? text : toolTip);
    } else if (auto *button = qobject_cast<QPushButton *>(object)) {
        shown = button->text();
    } else if (auto *box = qobject_cast<QGroupBox *>(object)) {
        shown = box->title();
    } else if (auto *menu = qobject_cast<QMenu *>(object)) {
        shown = menu->title();
    } else {
        shown = window->windowTitle();
    }
    QCOMPARE(shown, text);
    QVERIFY2(!shown.contains(QLatin1Char('&')), "menus and actions carry no mnemonics");
}

void TestMainWindowForm::widgetsSitInTheirFramedRows()
{
    auto *central = window->findChild<QWidget *>("centralWidget");
    QCOMPARE(window->centralWidget(), central);
    auto *connection = window->findChild<QGroupBox *>("groupBox");
    auto *output = window->findChild<QGroupBox *>("outputGroupBox");
    QVERIFY(connection->isFlat());
    QVERIFY(output->isFlat());
    QCOMPARE(connection->parentWidget(), central);
    QCOMPARE(output->parentWidget(), central);
    for (const char *name : {"comPorts", "cancelBtn", "downloadBtn"})
        QCOMPARE(window->findChild<QWidget *>(name)->parentWidget(), connection);
    for (const char *name : {"outputTextEdit", "openBtn", "saveBtn"})
        QCOMPARE(window->findChild<QWidget *>(name)->parentWidget(), output);
    QVERIFY(window->findChild<QPlainTextEdit *>("outputTextEdit")->isReadOnly());
    QCOMPARE(window->menuBar()->objectName(), QStringLiteral("menuBar"));
    QCOMPARE(window->statusBar()->objectName(), QStringLiteral("statusBar"));
    QCOMPARE(window->findChild<QLayout *>("verticalLayout")->contentsMargins(),
             QMargins(11, 11, 11, 11));
    QCOMPARE(window->findChild<QLayout *>("horizontalLayout_2")->contentsMargins(),
             QMargins(0, 0, 0, 0));
}

void TestMainWindowForm::menusHoldTheirActionsInOrder()
{
    auto titles = [](const QList<QAction *> &actions) {
        QStringList list;
        for (QAction *action : actions)
            list << action->objectName() + QLatin1Char(':') + action->text();
        return list;
    };
    QStringList bar;
    for (QAction *action : window->menuBar()->actions())
        bar << action->text();
    QCOMPARE(bar, QStringList({"File", "Tools", "Help"}));
    QCOMPARE(titles(window->findChild<QMenu *>("menuFile")->actions()),
             QStringList({"actionExit:Exit"}));
    QCOMPARE(titles(window->findChild<QMenu *>("menuTools")->actions()),
             QStringList({"actionRefreshPorts:Refresh Ports",
                          "actionChangeLanguage:Change Language...", ":Country Settings"}));
    QCOMPARE(titles(window->findChild<QMenu *>("menuCountrySettings")->actions()),
             QStringList({"actionConvertCsvData:Convert CSV Data"}));
    QCOMPARE(titles(window->findChild<QMenu *>("menuHelp")->actions()),
             QStringList({"actionHelp:Help", "actionAbout:About"}));
    auto *convert = window->findChild<QAction *>("actionConvertCsvData");
    QVERIFY(convert->isCheckable());
    QVERIFY(!convert->isChecked());
}

void TestMainWindowForm::firstStartSizeAndInitialState()
{
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCOMPARE(window->size(), QSize(451, 367));
    QVERIFY(window->findChild<QPushButton *>("downloadBtn")->isVisible());
    for (const char *name : {"cancelBtn", "openBtn", "saveBtn"})
        QVERIFY2(!window->findChild<QPushButton *>(name)->isVisible(), name);
    for (const char *name : {"comPorts", "downloadBtn"})
        QVERIFY(window->findChild<QWidget *>(name)->isEnabled());
    QCOMPARE(window->statusBar()->currentMessage(),
             QStringLiteral("Please select a port and connect your device"));
}

void TestMainWindowForm::enlargingKeepsButtonsRightAndWide()
{
    for (const char *name : {"cancelBtn", "openBtn", "saveBtn"})
        window->findChild<QWidget *>(name)->show();
    window->show();
    window->resize(900, 600);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QTest::qWait(50);
    auto *connection = window->findChild<QGroupBox *>("groupBox");
    auto *download = window->findChild<QPushButton *>("downloadBtn");
    auto *save = window->findChild<QPushButton *>("saveBtn");
    auto *pane = window->findChild<QPlainTextEdit *>("outputTextEdit");
    QVERIFY(connection->width() - download->geometry().right() < 20);
    QVERIFY(save->parentWidget()->width() - save->geometry().right() < 20);
    QVERIFY(pane->height() > 300);
    for (const char *name : {"comPorts", "cancelBtn", "downloadBtn", "openBtn", "saveBtn"})
        QVERIFY2(window->findChild<QWidget *>(name)->width() >= 100, name);
}

QTEST_MAIN(TestMainWindowForm)
#include "tst_mainwindowform.moc"
