#ifndef WINDOWDRIVER_H
#define WINDOWDRIVER_H

#include "mainwindow/mainwindow.h"

#include <QPushButton>
#include <QStringList>

#include <memory>

// A shown MainWindow whose port list holds these ports, each named by its path.
class WindowDriver
{
public:
    explicit WindowDriver(const QStringList &ports)
        : mainWindow(new MainWindow(nullptr, Qt::WindowFlags(), [ports](QList<PortInfo> &list) {
            for (const QString &path : ports) {
                list.append(PortInfo());
                list.last().portName = list.last().openPath = path;
            }
        }))
    {
        mainWindow->show();
    }
    explicit WindowDriver(const QString &port) : WindowDriver(QStringList(port)) {}

    MainWindow *window() const { return mainWindow.get(); }
    template<typename T = QWidget>
    T *widget(const char *objectName) const
    {
        return mainWindow->findChild<T *>(QLatin1String(objectName));
    }
    QPushButton *button(const char *objectName) const { return widget<QPushButton>(objectName); }
    void destroyWindow() { mainWindow.reset(); }

private:
    std::unique_ptr<MainWindow> mainWindow;
};

#endif
