#ifndef WINDOWDRIVER_H
#define WINDOWDRIVER_H

#include "mainwindow/mainwindow.h"

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

    // Presses Download and waits until the end of the transfer has opened the save dialog.
    bool downloadUntilSaveDialog(const QString &savePath = QString());

    void destroyWindow();

private:
    std::unique_ptr<MainWindow> mainWindow;
    int saveDialogCount = 0;
    bool idleAtSaveDialog = false;
};

#endif
