#include "mainwindow/mainwindow.h"

#include "app/settingskeys.h"
#include "language/dialoglanguage.h"
#include "language/translationloader.h"
#include "mainwindow/downloadeddata.h"
#include "mainwindow/porttexts.h"
#include "ports/portaccess.h"
#include "ports/portchoice.h"
#include "ports/portwatcher.h"
#include "serial/commapi.h"
#include "serial/portsettings.h"
#include "serial/winserialdeviceasync.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QIcon>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QTextCursor>
#include <QTimer>
#include <QUrl>

#include <limits>

static void initResources()
{
    // The bundle lives in a static library, whose registration the linker would drop.
    Q_INIT_RESOURCE(resources);
}

namespace {

// The software handshake characters, for a driver that would use them.
const char xon = 0x11;
const char xoff = 0x13;
// While connecting: the first look for stale input, the pause before each further one and
// the most looks, so that a tester which keeps sending 0x00 cannot hold the download.
const int firstFlushPause = 500;
const int nextFlushPause = 200;
const int maximumStaleReads = 25;
// The most the pane takes in one go; a larger backlog follows in later turns of the event loop.
const qint64 paneChunkSize = 64 * 1024;

} // namespace

MainWindow::MainWindow(QWidget *parent, Qt::WindowFlags flags, PortEnumerator portEnumerator,
                       const QString &deviceRoot)
    : QMainWindow(parent, flags), portEnumerator(std::move(portEnumerator))
{
    initResources();
    form.buildLayout(this);
    form.cancelBtn->hide();
    form.openBtn->hide();
    form.saveBtn->hide();
    setUpCountrySettings();
    setWindowIcon(QIcon(QStringLiteral(":/OrmwickLumetra.png")));
    createProgressBar();
    createFlushTimer();
    styleStatusBar();
    restoreWindowLayout();
    watchPorts(deviceRoot);
    refreshPorts();
    connectActions();
    statusBar()->showMessage(tr("Please select a port and connect your device"));
}

MainWindow::~MainWindow()
{
    storeWindowLayout();
    delete progressBar;
}

void MainWindow::setUpCountrySettings()
{
    QVariant convert;
    if (localeWritesDecimalComma())
        convert = QSettings().value(SettingsKeys::convertData);
    if (convert.isNull())
        form.menuCountrySettings->menuAction()->setVisible(false);
    else
        form.actionConvertCsvData->setChecked(convert.toBool());
}

void MainWindow::createProgressBar()
{
    progressBar = new QProgressBar();
    progressBar->setValue(0);
    progressBar->setMaximum(0);
    progressBar->setMaximumHeight(15);
    progressBar->setMaximumWidth(100);
    progressBar->setStyleSheet(QStringLiteral(
        "QProgressBar { border: 1px solid #CCCCCC; border-radius: 3px; } "
        "QProgressBar::chunk:horizontal { background: qlineargradient(x1: 0, y1: 0.5, x2: 1, "
        "y2: 0.5, stop: 0 orange, stop: 1 white); }"));
}

void MainWindow::createFlushTimer()
{
    flushTimer = new QTimer(this);
    flushTimer->setSingleShot(true);
    // A coarse timer may fire early, and the tester needs the full pause.
    flushTimer->setTimerType(Qt::PreciseTimer);
    connect(flushTimer, SIGNAL(timeout()), this, SLOT(flushStaleInput()));
}

void MainWindow::styleStatusBar()
{
    statusBar()->setStyleSheet(
        QStringLiteral("QStatusBar { background-color: #FFFFFF; border-top: 1px solid gray; }"));
    statusBar()->setMinimumHeight(30);
}

void MainWindow::restoreWindowLayout()
{
    QSettings settings;
    restoreGeometry(settings.value(SettingsKeys::mainWindowGeometry).toByteArray());
    restoreState(settings.value(SettingsKeys::mainWindowState).toByteArray(), 0);
}

void MainWindow::storeWindowLayout()
{
    QSettings settings;
    settings.setValue(SettingsKeys::mainWindowGeometry, saveGeometry());
    settings.setValue(SettingsKeys::mainWindowState, saveState(0));
    settings.setValue(SettingsKeys::devicePortName, form.comPorts->currentText());
}

void MainWindow::connectActions()
{
    connect(form.actionExit, SIGNAL(triggered()), this, SLOT(close()));
    connect(form.actionChangeLanguage, SIGNAL(triggered()), this, SLOT(changeLanguage()));
    connect(form.actionRefreshPorts, SIGNAL(triggered()), this, SLOT(refreshPorts()));
    connect(form.actionHelp, SIGNAL(triggered()), this, SLOT(showHelp()));
    connect(form.actionAbout, SIGNAL(triggered()), this, SLOT(showAbout()));
    connect(form.actionConvertCsvData, SIGNAL(toggled(bool)), this, SLOT(convertDataToggled(bool)));
    connect(form.downloadBtn, SIGNAL(clicked()), this, SLOT(download()));
    connect(form.cancelBtn, SIGNAL(clicked()), this, SLOT(cancelDownload()));
    connect(form.saveBtn, SIGNAL(clicked()), this, SLOT(saveFile()));
    connect(form.openBtn, SIGNAL(clicked()), this, SLOT(openFile()));
    connect(statusBar(), SIGNAL(messageChanged(QString)), this,
            SLOT(showLossOnEmptyStatus(QString)));
}

void MainWindow::convertDataToggled(bool checked)
{
    QSettings().setValue(SettingsKeys::convertData, checked);
}

// "File successfully saved" has its 3 s; then the warning that the data may be incomplete
// comes back and stays until the next download.
void MainWindow::showLossOnEmptyStatus(const QString &message)
{
    if (message.isEmpty() && connectionWasLost)
        statusBar()->showMessage(connectionLostText());
}

QString MainWindow::connectionLostText()
{
    return tr("The connection to the tester was lost: the data may be incomplete.");
}

// Watched before the first listing, so that no port comes between the two unseen.
void MainWindow::watchPorts(const QString &deviceRoot)
{
    auto *watcher = new PortWatcher(quintptr(winId()), deviceRoot, this);
    connect(watcher, SIGNAL(portsMayHaveChanged()), this, SLOT(relistPorts()));
}

void MainWindow::refreshPorts()
{
    QList<PortInfo> ports;
    portEnumerator(ports);
    QSettings settings;
    const QString storedIdentity = settings.value(SettingsKeys::devicePortIdentity).toString();
    showPorts(ports, choosePort(listedPorts, ports, form.comPorts->currentText(),
                                settings.value(SettingsKeys::devicePortName).toString(),
                                UsbIdentity::fromString(storedIdentity)));
}

void MainWindow::showPorts(const QList<PortInfo> &ports, int current)
{
    form.comPorts->clear();
    for (int i = 0; i < ports.size(); ++i) {
        form.comPorts->addItem(ports.at(i).portName, ports.at(i).openPath);
        form.comPorts->setItemData(i, portToolTip(ports.at(i)), Qt::ToolTipRole);
    }
    form.comPorts->setCurrentIndex(current);
    listedPorts = ports;
}

// The list stays as the download found it; a change meanwhile is listed once it has ended.
void MainWindow::relistPorts()
{
    if (serialDevice)
        portsChangedDuringDownload = true;
    else
        refreshPorts();
}

void MainWindow::download()
{
    sinceDownloadPressed.start();
    setDownloadControls(true);
    statusBar()->showMessage(tr("Now initiate the download on the tester"));
    statusBar()->addPermanentWidget(progressBar, 0);
    progressBar->show();

    downloadPort = listedPorts.value(form.comPorts->currentIndex());
    const QString portName = form.comPorts->currentData(Qt::UserRole).toString();
    serialDevice = new Ow::WinSerialDeviceAsync(this, portName);
    serialDevice->setPortSettings(createLineSettings());
    form.outputTextEdit->clear();
    dataReceived = false;
    lineWentQuiet = false;
    connectionWasLost = false;
    receivedData.clear();

    if (!serialDevice->open(QIODevice::ReadWrite, storedReadTimeout())) {
        warnConnectionFailed(portName);
        cancelDownload();
        return;
    }
    // From the open on: a tester unplugged while connecting is named too.
    connect(serialDevice, SIGNAL(connectionLost()), this, SLOT(connectionLost()));
    staleReads = 0;
    flushTimer->start(firstFlushPause);
}

void MainWindow::setDownloadControls(bool downloading)
{
    form.downloadBtn->setVisible(!downloading);
    form.cancelBtn->setVisible(downloading);
    if (downloading) {
        form.openBtn->hide();
        form.saveBtn->hide();
    } else {
        form.openBtn->setVisible(!receivedData.isEmpty());
        form.saveBtn->setVisible(dataReceived);
    }
    form.actionRefreshPorts->setEnabled(!downloading);
    form.actionChangeLanguage->setEnabled(!downloading);
    form.comPorts->setEnabled(!downloading);
}

// The second line says why, so that a port held by another program, one that has gone and one
// the user may not open each get their own remedy.
void MainWindow::warnConnectionFailed(const QString &portName)
{
    const QString cause =
        connectionFailureCause(serialDevice->openError(), groupDenyingAccess(portName));
    QMessageBox::warning(
        this, QString(),
        tr("Failed to connect. Please check the device is connected and switched on") +
            QLatin1Char('\n') + cause);
}

Ow::PortSettings *MainWindow::createLineSettings()
{
    // 9600 baud 8N1, binary, DTR and RTS on, no handshake.
    Ow::PortSettings *settings = Ow::PortSettings::create();
    settings->setBaudRate(9600);
    settings->setByteSize(8);
    settings->setStopBits(ONESTOPBIT);
    settings->setFBinary(TRUE);
    settings->setFParity(FALSE);
    settings->setParity(NOPARITY);
    settings->setFOutxDsrFlow(FALSE);
    settings->setFDsrSensitivity(FALSE);
    settings->setFDtrControl(DTR_CONTROL_ENABLE);
    settings->setFOutxCtsFlow(FALSE);
    settings->setFRtsControl(RTS_CONTROL_ENABLE);
    settings->setFOutX(FALSE);
    settings->setFInX(FALSE);
    settings->setXonChar(xon);
    settings->setXoffChar(xoff);
    settings->setEvtChar(0);
    settings->setXonLim(100);
    settings->setXoffLim(100);
    settings->setFTXContinueOnXoff(TRUE);
    settings->setFErrorChar(FALSE);
    settings->setFNull(FALSE);
    settings->setFAbortOnError(FALSE);
    return settings;
}

// Anything but a positive int, such as text or a number too large for one, is replaced.
int MainWindow::storedReadTimeout()
{
    QSettings settings;
    bool isInteger = false;
    const qlonglong stored = settings.value(SettingsKeys::deviceReadTimeout).toLongLong(&isInteger);
    if (isInteger && stored >= 1 && stored <= std::numeric_limits<int>::max())
        return int(stored);
    const int timeout = Ow::WinSerialDeviceAsync::defaultReadTimeout;
    settings.setValue(SettingsKeys::deviceReadTimeout, timeout);
    return timeout;
}

// Stale input is read after a pause, and again after a shorter one while it starts with
// 0x00; the window keeps working meanwhile. The commands follow the last of these reads.
void MainWindow::flushStaleInput()
{
    const QByteArray stale = serialDevice->readAll();
    if (stale.startsWith('\0') && ++staleReads < maximumStaleReads)
        flushTimer->start(nextFlushPause);
    else
        sendCommands();
}

// Only now do the device's signals reach the window: what came before was stale.
void MainWindow::sendCommands()
{
    connect(serialDevice, SIGNAL(readyRead()), this, SLOT(readyRead()));
    connect(serialDevice, SIGNAL(readTimeOut()), this, SLOT(readTimeOut()));
    serialDevice->write("SYST:REM\r\n");
    serialDevice->write("MEM:DATA? ALL\r\n");
}

void MainWindow::readyRead()
{
    // A call queued for the rest of a backlog takes these bytes too, one part per turn of
    // the event loop; it may also come after the download has ended.
    if (!serialDevice || backlogCallQueued)
        return;
    const QByteArray chunk = serialDevice->read(paneChunkSize);
    if (chunk.isEmpty())
        return;
    dataReceived = true;
    appendToPane(paneText(chunk));
    receivedData.append(chunk);
    takeBacklogLater();
}

// At the end, wherever the user clicked or whatever they selected; the view follows the end
// only while it shows the end, so a user reading further up stays there.
void MainWindow::appendToPane(const QString &text)
{
    QScrollBar *scrollBar = form.outputTextEdit->verticalScrollBar();
    const bool followingEnd = scrollBar->value() == scrollBar->maximum();
    QTextCursor end(form.outputTextEdit->document());
    end.movePosition(QTextCursor::End);
    end.insertText(text);
    if (followingEnd)
        scrollBar->setValue(scrollBar->maximum());
}

// A fast line can leave megabytes waiting; taking them in parts, one per turn of the
// event loop, keeps the window responding. Once the pane has everything, a quiet line
// seen meanwhile ends the download.
void MainWindow::takeBacklogLater()
{
    if (serialDevice->bytesAvailable() == 0) {
        if (lineWentQuiet || connectionWasLost)
            endDownloadAndSave();
    } else if (!backlogCallQueued) {
        backlogCallQueued = true;
        QMetaObject::invokeMethod(this, "takeBacklog", Qt::QueuedConnection);
    }
}

void MainWindow::takeBacklog()
{
    backlogCallQueued = false;
    readyRead();
}

void MainWindow::readTimeOut()
{
    if (!dataReceived)
        return;
    if (serialDevice->bytesAvailable() > 0) {
        lineWentQuiet = true;
        return;
    }
    endDownloadAndSave();
}

// An unplugged tester: before any data the download ends and the user is told what to do;
// after data, what came is kept and saved as at the end of a transfer.
void MainWindow::connectionLost()
{
    if (!dataReceived) {
        cancelDownload();
        QMessageBox::warning(
            this, QString(),
            tr("The tester was disconnected. Please plug it in and press Download again."));
        return;
    }
    connectionWasLost = true;
    if (serialDevice->bytesAvailable() == 0)
        endDownloadAndSave();
}

// A click on Download queued meanwhile would start a new download that clears the data
// about to be saved. Input waits while the window shows the finished download, and
// Download stays disabled until the save is over: building the save dialog can deliver
// queued input before the dialog blocks the window.
void MainWindow::endDownloadAndSave()
{
    storeDownloadPortIdentity();
    if (connectionWasLost)
        statusBar()->showMessage(connectionLostText());
    cancelDownload();
    form.downloadBtn->setEnabled(false);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    saveFile();
    form.downloadBtn->setEnabled(true);
}

// The tester is found again by its USB identity under whatever name the system gives it next;
// a port off USB leaves the stored identity alone.
void MainWindow::storeDownloadPortIdentity()
{
    const QString identity = UsbIdentity::ofPort(downloadPort).toString();
    if (!identity.isEmpty())
        QSettings().setValue(SettingsKeys::devicePortIdentity, identity);
}

void MainWindow::cancelDownload()
{
    if (!serialDevice || isClickMeantForDownload())
        return;
    flushTimer->stop();
    setDownloadControls(false);
    statusBar()->removeWidget(progressBar);

    // This may run inside a signal of the device itself: cut it off from the
    // window at once and let the event loop delete it once the signal is done.
    Ow::WinSerialDeviceAsync *device = serialDevice;
    serialDevice = nullptr;
    disconnect(device, nullptr, this, nullptr);
    device->close();
    device->deleteLater();

    if (portsChangedDuringDownload) {
        portsChangedDuringDownload = false;
        refreshPorts();
    }
}

// Cancel takes Download's place at once: the second click of a double click on Download
// lands on Cancel.
bool MainWindow::isClickMeantForDownload() const
{
    return sender() == form.cancelBtn && sinceDownloadPressed.isValid() &&
           sinceDownloadPressed.elapsed() < QApplication::doubleClickInterval();
}

void MainWindow::saveFile()
{
    const QString csvFilter = tr("Comma Separated Value files (*.csv)");
    const QString filters = QStringLiteral("%1;;%2;;%3")
                                .arg(csvFilter, tr("Text files (*.txt)"), tr("All files (*.*)"));
    const QString startPath = QSettings().value(SettingsKeys::deviceLastSavedFilePath).toString();
    QString selectedFilter = csvFilter;
    const QString path = QFileDialog::getSaveFileName(this, tr("Save downloaded data to file"),
                                                      startPath, filters, &selectedFilter);
    if (path.isEmpty())
        return;

    const bool european =
        isCsvFileName(path) && localeWritesDecimalComma() && decideEuropeanConversion();
    QString reason;
    if (!writeSavedFile(path, receivedData, european, &reason)) {
        // The system's reason, on a line of its own, tells a full disk from a locked file.
        const QString failure =
            tr("Error opening \"%1\" for writing. Is it open already or read only?",
               "The %1 will be replaced with the a file name. Please do not remove it in your "
               "translation!")
                .arg(path);
        QMessageBox::warning(this, QString(), failure + QLatin1Char('\n') + reason);
        return;
    }
    // Open offers only a file that was saved whole.
    savedFilePath = path;
    form.openBtn->show();
    statusBar()->showMessage(tr("File successfully saved"), 3000);
    QSettings().setValue(SettingsKeys::deviceLastSavedFilePath, savedFilePath);
}

bool MainWindow::decideEuropeanConversion()
{
    QSettings settings;
    const QVariant stored = settings.value(SettingsKeys::convertData);
    const bool convert = stored.isNull() ? askEuropeanConversion() : stored.toBool();
    settings.setValue(SettingsKeys::convertData, convert);
    return convert;
}

bool MainWindow::askEuropeanConversion()
{
    QMessageBox question(this);
    question.setIcon(QMessageBox::Question);
    question.setText(tr("Would you like to convert the data to European format?"));
    question.setInformativeText(tr("Decimal points will be replaced by commas and the commas "
                                   "separating fields will be replaced by semi-colons."));
    question.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    return question.exec() == QMessageBox::Yes;
}

void MainWindow::openFile()
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(savedFilePath));
}

void MainWindow::changeLanguage()
{
    DialogLanguage dialog(translationsFolder(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    QMessageBox question(
        QMessageBox::Question, QString(),
        tr("The language will be changed next time Ormwick DataLogger is started."),
        QMessageBox::Yes | QMessageBox::No);
    question.setInformativeText(tr("Would you like to restart now?"));
    if (question.exec() != QMessageBox::Yes)
        return;
    restartRequested = true;
    close();
}

void MainWindow::showAbout()
{
    const QString text = tr("Ormwick DataLogger\n\n %1\n",
                            "The %1 is replaced with the version number so please don't remove it!")
                             .arg(QCoreApplication::applicationVersion());
    QMessageBox::about(this, tr("About Ormwick DataLogger", "Title of the About box"), text);
}

void MainWindow::showHelp()
{
    const QString language = QLocale().name().left(2);
    const QString page = QStringLiteral("%1/Help/LumetraDataLoggerHelp_%2.html")
                             .arg(QCoreApplication::applicationDirPath(), language);
    QDesktopServices::openUrl(QUrl::fromLocalFile(page));
}
