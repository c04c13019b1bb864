#include "app/settingskeys.h"
#include "mainwindow/porttexts.h"
#include "serial/winserialdevice.h"
#include "tests/support/temporarysettings.h"
#include "tests/support/testersimulator.h"
#include "tests/support/windowdriver.h"

#include <qpa/qwindowsysteminterface.h>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

const QByteArray &commands = TesterSimulator::commands;
const QString lost("The connection to the tester was lost: the data may be incomplete.");

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Books the answer to the next save dialog: the path typed in and accepted.
void answerSaveDialog(
    WindowDriver &d, const QString &path, const std::function<void()> &first = [] {})
{
    d.whenModalAppears([path, first](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        QVERIFY2(dialog, "expected the save dialog");
        first();
        // The dialog leaves a name field that has focus alone, as if the user were typing.
        if (QWidget *focused = dialog->focusWidget())
            focused->clearFocus();
        dialog->setDirectory(QDir::rootPath()); // else a path in a missing folder loses its root
        dialog->selectFile(path);
        static_cast<QDialog *>(dialog)->accept(); // QFileDialog hides it
    });
}

// Queues a click where the widget is now, as the window system does while the program is
// busy: it lands on whatever is there when the event loop takes it.
void queueClickAt(const WindowDriver &d, const char *name)
{
    const QPointF local = d.widget(name)->mapTo(d.window(), d.widget(name)->rect().center());
    const QPointF global = d.window()->mapToGlobal(local.toPoint());
    for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
        QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::AsynchronousDelivery>(
            d.window()->windowHandle(), local, global,
            type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::LeftButton, type);
}

} // namespace

// The window against a simulated tester on a pseudo-terminal, and what it keeps between runs.
class TestMainWindow : public QObject
{
    Q_OBJECT

    QList<QUrl> opened;
    TemporarySettings settings;
    QTemporaryDir folder;

    Q_INVOKABLE void openUrl(const QUrl &url) { opened.append(url); }

private slots:
    void initTestCase() { QDesktopServices::setUrlHandler("file", this, "openUrl"); }
    void init() { settings.clear(); }

    // The tester plugged in is listed within 2 s and made current; its USB identity is kept.
    void downloadEndsOnQuietLineAndSavesInEuropeanFormat()
    {
        QLocale::setDefault(QLocale(QLocale::German));
        QSettings().setValue(SettingsKeys::deviceReadTimeout, 2000);
        TesterSimulator tester;
        // Flush reads come about 500, 700 and 900 ms after the open; the first two start with 0x00.
        tester.start({{{0, QByteArray("\0\0stale", 7)},
                       {300, QByteArray("\0more", 5)},
                       {300, QByteArray("\0again", 6)}},
                      {{0, "No,Voc\r\n1,234.5,V1.2\r\n"}, {30, "2,-0.5,x\xB0\x8A"}, {5000, "late"}},
                      -1});
        WindowDriver d({"/dev/ttyS0"});
        d.pluggedIn = {{"ttyUSB0", "", tester.portName(), "", "USB Serial Port (ttyUSB0)", "",
                        0x1a2b, 0x3c4d, "LDL0001"}};
        QVERIFY(QFile(d.devices.filePath("ttyUSB0")).open(QIODevice::WriteOnly));
        auto *ports = d.widget<QComboBox>("comPorts");
        QTRY_COMPARE_WITH_TIMEOUT(ports->currentText(), QString("ttyUSB0"), 2000);
        QCOMPARE(ports->itemData(1, Qt::ToolTipRole).toString(),
                 "USB Serial Port (ttyUSB0)\nUSB 1A2B:3C4D, serial LDL0001");
        // A click queued as Download shows again must not start a download that clears the data.
        d.downloadShown = [&] { queueClickAt(d, "downloadBtn"); };
        QElapsedTimer sinceLastByte;
        connect(d.widget<QPlainTextEdit>("outputTextEdit"), &QPlainTextEdit::textChanged,
                [&]() { sinceLastByte.start(); });
        qint64 quiet = 0;
        QString controlsAtDialog;
        answerSaveDialog(d, folder.filePath("data.csv"), [&]() {
            quiet = sinceLastByte.elapsed();
            controlsAtDialog = d.controls();
        });
        d.press(QMessageBox::Yes);

        d.button("downloadBtn")->click();
        QVERIFY(d.answersGiven(10000));
        QCOMPARE(tester.received(), commands);
        QCOMPARE(d.paneText(), QStringLiteral("No,Voc\n1,234.5,V1.2\n2,-0.5,x\uFFFD\uFFFD"));
        QCOMPARE(controlsAtDialog, QStringLiteral("downopensave"));
        QVERIFY2(quiet > 1900 && quiet < 3000, qPrintable(QString::number(quiet)));
        QCOMPARE(contentsOf(folder.filePath("data.csv")),
                 QByteArray("No;Voc\r\n1;234,5;V1,2\r\n2;-0,5;x0\n"));
        QCOMPARE(d.statusMessage(), QStringLiteral("File successfully saved"));
        QVERIFY(d.button("downloadBtn")->isEnabled()); // ready for the next download
        QCOMPARE(QSettings().value(SettingsKeys::deviceLastSavedFilePath).toString(),
                 folder.filePath("data.csv"));
        QCOMPARE(QSettings().value(SettingsKeys::convertData).toString(), QStringLiteral("true"));
        QCOMPARE(QSettings().value(SettingsKeys::devicePortIdentity).toString(),
                 "1a2b:3c4d:LDL0001");

        // Open hands the file to the desktop; a second save keeps the answer, without asking.
        d.button("openBtn")->click();
        QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(folder.filePath("data.csv"))});
        answerSaveDialog(d, folder.filePath("again.CSV"));
        d.button("saveBtn")->click();
        QCOMPARE(contentsOf(folder.filePath("again.CSV")), contentsOf(folder.filePath("data.csv")));
    }

    void cancelWhileConnectingWaitingOrReceiving()
    {
        QSettings().setValue(SettingsKeys::deviceReadTimeout, 20000);
        TesterSimulator tester;
        tester.start({});
        WindowDriver d({tester.portName()});
        // The tester's side of the line, set first to all that the download must undo. A
        // pseudo-terminal keeps 8 data bits without parity whatever is asked, so those cannot show.
        const int line =
            ::open(QFile::encodeName(tester.portName()).constData(), O_RDWR | O_NOCTTY);
        termios set;
        QVERIFY(::tcgetattr(line, &set) == 0);
        set.c_lflag |= ICANON | ECHO | ISIG;
        set.c_oflag |= OPOST;
        set.c_iflag |= ICRNL | IXON;
        set.c_cflag |= CSTOPB | CRTSCTS;
        ::tcsetattr(line, TCSANOW, &set);
        const auto cancel = [&d](const QString &offered) {
            QTest::qWait(QApplication::doubleClickInterval());
            QElapsedTimer cancelling;
            cancelling.start();
            d.button("cancelBtn")->click();
            QVERIFY(cancelling.elapsed() < 1000);
            QCOMPARE(d.controls(), offered);
            QVERIFY2(!QTest::qWaitFor([]() { return QApplication::activeModalWidget(); }, 300),
                     "a cancelled download is not saved");
        };

        // The second click of a double click comes on Cancel, which has taken Download's place.
        QSignalSpy cancelClicks(d.button("cancelBtn"), SIGNAL(clicked()));
        queueClickAt(d, "downloadBtn");
        d.button("downloadBtn")->click();
        QTRY_COMPARE_WITH_TIMEOUT(tester.received(), commands, 1000);
        QTRY_COMPARE(cancelClicks.count(), 1);
        QCOMPARE(d.controls(), QStringLiteral("canc busy locked"));
        ::tcgetattr(line, &set);
        ::close(line);
        QVERIFY(cfgetispeed(&set) == B9600 && cfgetospeed(&set) == B9600);
        QCOMPARE((set.c_cflag & (CSTOPB | CRTSCTS)) | (set.c_lflag & (ICANON | ECHO | ISIG)) |
                     (set.c_oflag & OPOST) | (set.c_iflag & (ICRNL | IXON)),
                 tcflag_t(0));
        cancel("down");

        // Chunks go at the end whatever the user selects; the view follows them from the end only.
        const QString part = QStringLiteral("first part\n").repeated(200);
        // A port that comes meanwhile is listed once the download has ended.
        tester.start(TesterSimulator::Script::replying(
            {{0, part.toLatin1().replace("\n", "\r\n")}, {500, "second\r\n"}, {500, "third\r\n"}}));
        d.button("downloadBtn")->click();
        d.pluggedIn = {{"ttyS9", {}, "/dev/ttyS9", {}, {}, {}}};
        QVERIFY(QFile(d.devices.filePath("ttyS9")).open(QIODevice::WriteOnly));
        QScrollBar *view = d.widget<QPlainTextEdit>("outputTextEdit")->verticalScrollBar();
        QTRY_COMPARE_WITH_TIMEOUT(d.paneText(), part, 5000);
        d.widget<QPlainTextEdit>("outputTextEdit")->selectAll();
        view->setValue(0);
        QTRY_COMPARE(d.paneText(), part + "second\n");
        QCOMPARE(view->value(), 0);
        view->setValue(view->maximum());
        QTRY_COMPARE(d.paneText(), part + "second\nthird\n");
        QCOMPARE(view->value(), view->maximum());
        QCOMPARE(d.widget<QComboBox>("comPorts")->count(), 1);
        cancel("downopensave");
        QCOMPARE(d.widget<QComboBox>("comPorts")->count(), 2);

        // Connecting leaves the window working: Cancel then sends nothing. A line that keeps
        // sending 0x00 is read 25 times, 500 ms and then 200 ms apart, before the commands go out.
        tester.start({QVector<QPair<int, QByteArray>>(400, {40, QByteArray(1, 0)}).toList(), {}});
        d.button("downloadBtn")->click();
        cancel("down");
        QCOMPARE(tester.received().count(commands), 2);
        const QDeadlineTimer soonest(4000);
        d.button("downloadBtn")->click();
        QTRY_COMPARE_WITH_TIMEOUT(tester.received().count(commands), 3, 10000);
        QVERIFY(soonest.hasExpired());
        cancel("downopensave");

        // Closing the window while connecting frees the port.
        d.button("downloadBtn")->click();
        d.destroyWindow();
        QVERIFY(Ow::WinSerialDevice(tester.portName()).open(QIODevice::ReadWrite, 110, 110));
    }

    // A failed open says why, a tester unplugged before sending anything says what to do, and
    // the window is left idle; a stored read time-out that is no positive int is replaced by 110.
    void unopenablePortWarnsAndReturnsToIdle()
    {
        TesterSimulator tester, unplugged;
        unplugged.start({{}, {{0, {}}}, 0});
        Ow::WinSerialDevice holder(tester.portName());
        QVERIFY(holder.open(QIODevice::ReadWrite, 110, 110));
        const QString failed("Failed to connect. Please check the device is connected and "
                             "switched on\n");
        const QString gone = failed + "The port is not there: the tester may be unplugged.";
        const QList<std::tuple<QStringList, QVariant, QString>> cases{
            {{tester.portName()}, "soon", failed + "The port is in use by another program."},
            {{"/dev/ttyLumetraMissing"}, "2147483648", gone},
            {{}, 0, gone},
            {{unplugged.portName()},
             -1,
             "The tester was disconnected. Please plug it in and press Download again."}};
        for (const auto &[ports, readTimeout, told] : cases) {
            QSettings().setValue(SettingsKeys::deviceReadTimeout, readTimeout);
            WindowDriver d(ports);
            d.widget<QPlainTextEdit>("outputTextEdit")->setPlainText("earlier download");
            d.press(QMessageBox::Ok);
            d.button("downloadBtn")->click();
            QVERIFY(d.answersGiven(5000));
            QCOMPARE(d.lastMessageBoxText, told);
            QCOMPARE(d.controls() + d.paneText(), QStringLiteral("down"));
            QCOMPARE(QSettings().value(SettingsKeys::deviceReadTimeout).toString(), "110");
        }
    }

    // The pane takes a fast reply in parts; the tester unplugged meanwhile ends nothing before it
    // has caught up, and is named after each save. A failed save keeps the data for the next.
    void largeFastReplyIsSavedWholeAfterFailedSave()
    {
        const QByteArray reply =
            QByteArray("1;06.12.2026;14:02:11;612.4;8.91;OK\r\n").repeated(450000);
        QSettings().setValue(SettingsKeys::deviceReadTimeout, 1000); // the loss comes first
        QSettings().setValue(SettingsKeys::devicePortIdentity, "1a2b:3c4d:"); // not this port's
        TesterSimulator tester;
        tester.start({{}, {{0, reply}}, 0});
        WindowDriver d({tester.portName()});
        auto *pane = d.widget<QPlainTextEdit>("outputTextEdit");
        int largestPart = 0;
        connect(pane->document(), &QTextDocument::contentsChange,
                [&](int, int, int added) { largestPart = qMax(largestPart, added); });
        const QString gone = folder.filePath("gone/data.txt");
        answerSaveDialog(d, gone);
        d.press(QMessageBox::Ok);

        d.button("downloadBtn")->click();
        QVERIFY(d.answersGiven(30000));
        QCOMPARE(d.lastMessageBoxText,
                 QString("Error opening \"%1\" for writing. Is it open already or read only?\n%2")
                     .arg(gone, qt_error_string(ENOENT)));
        QCOMPARE(d.statusMessage(), lost);
        QCOMPARE(QSettings().value(SettingsKeys::devicePortIdentity).toString(), "1a2b:3c4d:");
        QVERIFY(!QSettings().contains(SettingsKeys::deviceLastSavedFilePath));
        // Open hands over only a file saved whole, the last even after a cancelled dialog.
        opened.clear();
        d.button("openBtn")->click();
        answerSaveDialog(d, folder.filePath("elsewhere.txt"));
        d.button("saveBtn")->click();
        QCOMPARE(d.statusMessage(), "File successfully saved");
        d.window()->statusBar()->clearMessage(); // as its time-out does
        QCOMPARE(d.statusMessage(), lost);
        d.whenModalAppears([](QWidget *dialog) { static_cast<QDialog *>(dialog)->reject(); });
        d.button("saveBtn")->click();
        d.button("openBtn")->click();
        QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(folder.filePath("elsewhere.txt"))});
        QVERIFY(contentsOf(folder.filePath("elsewhere.txt")) == reply);
        QVERIFY2(largestPart <= 64 * 1024, qPrintable(QString::number(largestPart)));
        QCOMPARE(pane->toPlainText().size(), reply.size() - 450000);
        QVERIFY(pane->isReadOnly() && pane->document()->availableUndoSteps() == 0);
    }

    // Causes no window test meets: a group named only for a refused open, else the system's code.
    void connectionFailureCauses()
    {
        QCOMPARE(connectionFailureCause(5, "dialout"),
                 "Access to the port is denied: only members of the group \"dialout\" may use it. "
                 "Join the group with \"sudo usermod -aG dialout $USER\", then log in again.");
        QCOMPARE(connectionFailureCause(31, "dialout"),
                 "The port could not be opened (system error 31).");
    }

    // The stored port is current (the later of two equal names), else the first; a refresh
    // lists again. Size and port are kept for the next start, and no port stores none.
    void portAndLayoutAreKept()
    {
        QSettings().setValue(SettingsKeys::devicePortName, "ttyS1");
        QList<QList<PortInfo>> lists{
            {{"ttyS1", {}, {}, {}, {}, {}}, {"ttyS1", {}, "/dev/ttyS1", {}, {}, {}}},
            {{"ttyUSB0", {}, "/dev/ttyUSB0", {}, {}, {}}, {"TTYS1", {}, {}, {}, {}, {}}},
            {{"ttyS1", {}, {}, {}, {}, {}}, {"ttyUSB0", {}, {}, {}, {}, {}}},
            {}};
        for (int start = 0; start < 3; ++start) {
            MainWindow window(nullptr, {},
                              [&](QList<PortInfo> &ports) { ports = lists.takeFirst(); });
            window.show();
            auto *ports = window.findChild<QComboBox *>("comPorts");
            if (start == 0) {
                QCOMPARE(ports->currentData().toString(), "/dev/ttyS1");
                window.findChild<QAction *>("actionRefreshPorts")->trigger();
                window.setGeometry(120, 140, 640, 480);
            }
            QCOMPARE(ports->currentText(), start < 2 ? "ttyUSB0" : "");
            if (start == 1)
                QCOMPARE(window.size(), QSize(640, 480));
        }
        QVERIFY(!QSettings().value(SettingsKeys::mainWindowState).toByteArray().isEmpty());
        QCOMPARE(QSettings().value(SettingsKeys::devicePortName).toString(), QString());
    }

    // The menu shows on a decimal-comma system with a stored answer, checked as stored; a toggle
    // stores at once.
    void countrySettingsFollowLocaleAndStoredChoice()
    {
        const QList<std::tuple<QLocale::Language, QVariant, bool>> cases{
            {QLocale::English, true, false},
            {QLocale::German, {}, false},
            {QLocale::German, true, true},
            {QLocale::French, false, true}};
        for (const auto &[language, stored, shown] : cases) {
            settings.clear();
            QLocale::setDefault(QLocale(language));
            if (stored.isValid())
                QSettings().setValue(SettingsKeys::convertData, stored);
            WindowDriver d{QStringList()};
            auto *convert = d.widget<QAction>("actionConvertCsvData");
            QCOMPARE(d.widget<QMenu>("menuCountrySettings")->menuAction()->isVisible(), shown);
            QCOMPARE(convert->isChecked(), shown && stored.toBool());
            convert->trigger();
            QCOMPARE(QSettings().value(SettingsKeys::convertData).toBool(),
                     !(shown && stored.toBool()));
        }
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
