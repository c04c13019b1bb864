#ifndef WINDOWDRIVER_H
#define WINDOWDRIVER_H

#include "mainwindow/mainwindow.h"

#include <QtTest>
#include <QtWidgets>

#include <functional>
#include <memory>

// A shown MainWindow whose port list holds these ports, each named by its path, then pluggedIn,
// listed again as nodes come and go in devices. It answers the modal dialogs in the order booked,
// each from the event loop of its exec(), and calls downloadShown whenever Download shows.
class WindowDriver : public QObject
{
public:
    explicit WindowDriver(const QStringList &ports)
        : mainWindow(new MainWindow(
              nullptr, Qt::WindowFlags(),
              [this, ports](QList<PortInfo> &list) {
                  for (const QString &path : ports)
                      list.append(PortInfo{path, path, path, {}, {}, {}});
                  list += pluggedIn;
              },
              devices.path()))
    {
        mainWindow->show();
        button("downloadBtn")->installEventFilter(this);
        startTimer(10);
    }

    void whenModalAppears(std::function<void(QWidget *)> answer)
    {
        answers.enqueue(std::move(answer));
    }
    void press(QMessageBox::StandardButton button)
    {
        whenModalAppears([this, button](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            QVERIFY2(box && box->button(button), "expected a message box with that button");
            lastMessageBoxText = box->text();
            box->button(button)->click();
        });
    }
    bool answersGiven(int timeoutMs)
    {
        return QTest::qWaitFor([this]() { return answers.isEmpty(); }, timeoutMs);
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

    QList<PortInfo> pluggedIn;
    QTemporaryDir devices;
    QString lastMessageBoxText; // of the last box answered through press()
    std::function<void()> downloadShown = []() {};

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            downloadShown();
        return false;
    }
    void timerEvent(QTimerEvent *) override
    {
        QWidget *modal = QApplication::activeModalWidget();
        // Each modal once: a file dialog is active again under its answered overwrite question.
        if (answers.isEmpty() || !modal || !modal->isVisible() || answered.contains(modal))
            return;
        answered.append(modal);
        // From a fresh timer event: the answer may open a nested modal, such as a question.
        QTimer::singleShot(0, modal, [modal, answer = answers.dequeue()]() {
            answer(modal);
            if (QTest::currentTestFailed()) // a wrong answer must not leave the test waiting
                modal->close();
        });
    }

private:
    std::unique_ptr<MainWindow> mainWindow;
    QQueue<std::function<void(QWidget *)>> answers;
    QList<QPointer<QWidget>> answered;
};

#endif
