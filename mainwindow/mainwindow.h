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
    explicit MainWindow(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags(),
                        PortEnumerator portEnumerator = enumeratePorts);
    ~MainWindow() override;

    bool isRestartRequested() const { return restartRequested; }

private slots:
    void changeLanguage();
    void refreshPorts();
    void download();
    void cancelDownload();
    void readyRead();
    void readTimeOut();
    void flushStaleInput();
    void takeBacklog();
    void openFile();
    void saveFile();
    void showAbout();
    void showHelp();
    void convertDataToggled(bool checked);

private:
    void setUpCountrySettings();
    void createProgressBar();
    void createFlushTimer();
    void styleStatusBar();
    void restoreWindowLayout();
    void connectActions();
    void storeWindowLayout();
    void setDownloadControls(bool downloading);
    static Ow::PortSettings *createLineSettings();
    static int storedReadTimeout();
    void sendCommands();
    void appendToPane(const QString &text);
    void takeBacklogLater();
    void endDownloadAndSave();
    bool isClickMeantForDownload() const;
    bool decideEuropeanConversion();
    bool askEuropeanConversion();

    MainWindowForm form;
    bool restartRequested = false;
    Ow::WinSerialDeviceAsync *serialDevice = nullptr;
    bool dataReceived = false;
    // The line went quiet while bytes still waited for the pane.
    bool lineWentQuiet = false;
    bool backlogCallQueued = false;
    // Connecting: the pause before the next look for stale input, and the looks taken.
    QTimer *flushTimer = nullptr;
    int staleReads = 0;
    QElapsedTimer sinceDownloadPressed;
    QByteArray receivedData;
    QProgressBar *progressBar = nullptr;
    QString savedFilePath;
    PortEnumerator portEnumerator;
};

#endif
