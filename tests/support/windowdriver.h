#ifndef WINDOWDRIVER_H
#define WINDOWDRIVER_H

#include "mainwindow/mainwindow.h"

#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>

#include <memory>

// A shown MainWindow whose port list holds these ports, each named by its path.
class WindowDriver
{
public:
    explicit WindowDriver(const QString &port) : WindowDriver(QStringList(port)) {}
    explicit WindowDriver(const QStringList &ports)
        : mainWindow(new MainWindow(nullptr, Qt::WindowFlags(), [ports](QList<PortInfo> &list) {
            for (const QString &path : ports)
                list.append(PortInfo{path, path, path, {}, {}, {}});
        }))
    {
        mainWindow->show();
    }

    MainWindow *window() const { return mainWindow.get(); }
    template<typename T = QWidget>
    T *widget(const char *name) const
    {
        return mainWindow->findChild<T *>(QLatin1String(name));
    }
    QPushButton *button(const char *name) const { return widget<QPushButton>(name); }
    QString paneText() const { return widget<QPlainTextEdit>("outputTextEdit")->toPlainText(); }
    QString statusMessage() const { return mainWindow->statusBar()->currentMessage(); }
    // The buttons shown, then " busy" for the busy indicator and " locked" for the port list.
    QString controls() const
    {
        QString shown;
        for (const char *name : {"downloadBtn", "cancelBtn", "openBtn", "saveBtn"})
            shown += widget(name)->isVisible() ? QString(name).left(4) : QString();
        const auto *busy = mainWindow->statusBar()->findChild<QProgressBar *>();
        return shown + (busy && busy->isVisible() ? " busy" : "") +
               (widget("comPorts")->isEnabled() ? "" : " locked");
    }
    void destroyWindow() { mainWindow.reset(); }

private:
    std::unique_ptr<MainWindow> mainWindow;
};

#endif
