#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include "mainwindow/mainwindowform.h"
#include "ports/portenumeration.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QString>

class QProgressBar;
class QTimer;

namespace Ow {
class PortSettings;
class WinSerialDeviceAsync;
} // namespace Ow

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // Ports come and go as device nodes in deviceRoot do, on Linux; tests give a folder of
    // their own.
    explicit MainWindow(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags(),
                        PortEnumerator portEnumerator = enumeratePorts,
                        const QString &deviceRoot = QStringLiteral("/dev"));
    ~MainWindow() override;

    bool isRestartRequested() const { return restartRequested; }

private slots:
    void changeLanguage();
    void refreshPorts();
    void relistPorts();
    void download();
    void cancelDownload();
    void readyRead();
    void readTimeOut();
    void connectionLost();
    void flushStaleInput();
    void takeBacklog();
    void openFile();
    void saveFile();
    void showAbout();
    void showHelp();
    void convertDataToggled(bool checked);
    void showLossOnEmptyStatus(const QString &message);

private:
    void setUpCountrySettings();
    void createProgressBar();
    void createFlushTimer();
    void styleStatusBar();
    void restoreWindowLayout();
    void watchPorts(const QString &deviceRoot);
    void showPorts(const QList<PortInfo> &ports, int current);
    void connectActions();
    void storeWindowLayout();
    void setDownloadControls(bool downloading);
    static Ow::PortSettings *createLineSettings();
    static int storedReadTimeout();
    void warnConnectionFailed(const QString &portName);
    void sendCommands();
    void appendToPane(const QString &text);
    void takeBacklogLater();
    void endDownloadAndSave();
    void storeDownloadPortIdentity();
    static QString connectionLostText();
    bool isClickMeantForDownload() const;
    bool decideEuropeanConversion();
    bool askEuropeanConversion();

    MainWindowForm form;
    bool restartRequested = false;
    Ow::WinSerialDeviceAsync *serialDevice = nullptr;
    bool dataReceived = false;
    // The line went quiet while bytes still waited for the pane.
    bool lineWentQuiet = false;
    // The device went away after data came: the download ends once the pane has it all, and
    // the status bar says so until the next download.
    bool connectionWasLost = false;
    bool backlogCallQueued = false;
    // Connecting: the pause before the next look for stale input, and the looks taken.
    QTimer *flushTimer = nullptr;
    int staleReads = 0;
    QElapsedTimer sinceDownloadPressed;
    QByteArray receivedData;
    QProgressBar *progressBar = nullptr;
    QString savedFilePath;
    PortEnumerator portEnumerator;
    // The ports as the list shows them, and the one the download runs on.
    QList<PortInfo> listedPorts;
    PortInfo downloadPort;
    bool portsChangedDuringDownload = false;
};

#endif
