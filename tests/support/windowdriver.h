#ifndef WINDOWDRIVER_H
#define WINDOWDRIVER_H

#include "mainwindow/mainwindow.h"

#include <QElapsedTimer>
#include <QString>

#include <memory>

class QPushButton;

// Drives a shown MainWindow whose port list holds one port, as a user would:
// buttons by object name, the save dialog answered from the event loop.
class WindowDriver
{
public:
    explicit WindowDriver(const QString &openPath);
    ~WindowDriver();

    MainWindow *window() const { return mainWindow.get(); }
    QWidget *widget(const char *objectName) const;
    QPushButton *button(const char *objectName) const;
    QString paneText() const;
    QString statusMessage() const;
    // Download shown, Cancel hidden, port list and its actions enabled, no busy indicator.
    bool isIdle() const;

    // Books the answer to the next save dialog: the path typed in, or cancel when empty.
    // Saving over an existing file also answers the dialog's overwrite question with Yes.
    void answerSaveDialog(const QString &path);
    bool saveDialogShown() const { return saveDialogCount > 0; }
    int saveDialogs() const { return saveDialogCount; }
    bool wasIdleWhenSaveDialogOpened() const { return idleAtSaveDialog; }
    // Milliseconds since the driver was made, and when the last save dialog opened.
    qint64 elapsed() const { return clock.elapsed(); }
    qint64 saveDialogAt() const { return saveDialogTime; }

    // Presses Download and waits until the end of the transfer has opened the save dialog.
    bool downloadUntilSaveDialog(const QString &savePath = QString());
    // Presses Cancel once the window takes it as meant: not right after connecting,
    // when it would still be the second click of a double click on Download.
    void cancelDownload();

    // Queues a click of the mouse at where the widget is now, as the window system does
    // while the program is busy: it lands on whatever is there when the event loop runs.
    void queueClickAt(const char *objectName) const;

    void destroyWindow();

private:
    std::unique_ptr<MainWindow> mainWindow;
    QElapsedTimer clock;
    int saveDialogCount = 0;
    qint64 saveDialogTime = -1;
    bool idleAtSaveDialog = false;
};

#endif
