#include "tests/support/windowdriver.h"

#include "tests/support/modaldialogs.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <qpa/qwindowsysteminterface.h>

WindowDriver::WindowDriver(const QString &openPath)
{
    mainWindow = std::make_unique<MainWindow>(nullptr, Qt::WindowFlags(),
                                              [openPath](QList<PortInfo> &ports) {
                                                  PortInfo info;
                                                  info.portName = QStringLiteral("tester");
                                                  info.openPath = info.devicePath = openPath;
                                                  ports.append(info);
                                              });
    mainWindow->show();
    clock.start();
}

WindowDriver::~WindowDriver() = default;

QWidget *WindowDriver::widget(const char *objectName) const
{
    return mainWindow->findChild<QWidget *>(QString::fromLatin1(objectName));
}

QPushButton *WindowDriver::button(const char *objectName) const
{
    return mainWindow->findChild<QPushButton *>(QString::fromLatin1(objectName));
}

QString WindowDriver::paneText() const
{
    return mainWindow->findChild<QPlainTextEdit *>("outputTextEdit")->toPlainText();
}

QString WindowDriver::statusMessage() const
{
    return mainWindow->statusBar()->currentMessage();
}

bool WindowDriver::isIdle() const
{
    auto *progress = mainWindow->statusBar()->findChild<QProgressBar *>();
    return widget("downloadBtn")->isVisible() && !widget("cancelBtn")->isVisible() &&
           widget("comPorts")->isEnabled() &&
           mainWindow->findChild<QAction *>("actionRefreshPorts")->isEnabled() &&
           mainWindow->findChild<QAction *>("actionChangeLanguage")->isEnabled() &&
           (!progress || !progress->isVisible());
}

void WindowDriver::answerSaveDialog(const QString &path)
{
    const bool overwrites = !path.isEmpty() && QFileInfo::exists(path);
    whenModalAppears([this, path](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        QVERIFY2(dialog, "expected the save dialog");
        ++saveDialogCount;
        saveDialogTime = clock.elapsed();
        idleAtSaveDialog = isIdle();
        if (path.isEmpty()) {
            dialog->reject();
            return;
        }
        // Choose the type that fits the name, as a user would; the dialog would
        // otherwise put the CSV filter's suffix on a proposed name.
        const QString suffixPattern = QStringLiteral("*.") + QFileInfo(path).suffix();
        QString fitting = dialog->nameFilters().constLast();
        for (const QString &filter : dialog->nameFilters()) {
            if (filter.contains(suffixPattern, Qt::CaseInsensitive)) {
                fitting = filter;
                break;
            }
        }
        dialog->selectNameFilter(fitting);
        // The dialog leaves a name field that has focus alone, as if the user were typing.
        if (QWidget *focused = dialog->focusWidget())
            focused->clearFocus();
        dialog->selectFile(path);
        static_cast<QDialog *>(dialog)->accept();
    });
    if (overwrites)
        pressMessageBoxButton(QMessageBox::Yes);
}

bool WindowDriver::downloadUntilSaveDialog(const QString &savePath)
{
    const int before = saveDialogCount;
    answerSaveDialog(savePath);
    button("downloadBtn")->click();
    return QTest::qWaitFor([&]() { return saveDialogCount > before; }, 10000) &&
           allModalAnswersGiven();
}

void WindowDriver::destroyWindow()
{
    mainWindow.reset();
}

void WindowDriver::cancelDownload()
{
    QTest::qWait(QApplication::doubleClickInterval());
    button("cancelBtn")->click();
}

void WindowDriver::queueClickAt(const char *objectName) const
{
    QWidget *target = widget(objectName);
    QWindow *window = mainWindow->windowHandle();
    const QPointF local = target->mapTo(mainWindow.get(), target->rect().center());
    const QPointF global = mainWindow->mapToGlobal(local.toPoint());
    using Delivery = QWindowSystemInterface::AsynchronousDelivery;
    QWindowSystemInterface::handleMouseEvent<Delivery>(window, local, global, Qt::LeftButton,
                                                       Qt::LeftButton, QEvent::MouseButtonPress);
    QWindowSystemInterface::handleMouseEvent<Delivery>(window, local, global, Qt::NoButton,
                                                       Qt::LeftButton, QEvent::MouseButtonRelease);
}
