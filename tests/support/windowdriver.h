#ifndef WINDOWDRIVER_H
#define WINDOWDRIVER_H

#include "mainwindow/mainwindow.h"

#include <QtTest>
#include <QtWidgets>

#include <functional>
#include <memory>

inline QQueue<std::function<void(QWidget *)>> pendingModalAnswers;
inline QString lastMessageBoxText; // of the last box answered through pressMessageBoxButton

// Answers the modal dialogs that the code under test opens: each answer runs, in the order
// booked, on the next modal widget that appears, from the event loop of its exec().
inline void whenModalAppears(std::function<void(QWidget *)> answer)
{
    static QPointer<QTimer> timer;
    // Each modal once: a file dialog is active again under its answered overwrite question.
    static QList<QPointer<QWidget>> answered;
    if (!timer) {
        timer = new QTimer(qApp);
        QObject::connect(timer, &QTimer::timeout, []() {
            QWidget *modal = QApplication::activeModalWidget();
            if (pendingModalAnswers.isEmpty() || !modal || !modal->isVisible() ||
                answered.contains(modal))
                return;
            answered.append(modal);
            // From a fresh timer event: the answer may open a nested modal, such as a question.
            QTimer::singleShot(0, modal, [modal, answer = pendingModalAnswers.dequeue()]() {
                answer(modal);
                if (QTest::currentTestFailed()) // a wrong answer must not leave the test waiting
                    modal->close();
            });
        });
        timer->start(10);
    }
    pendingModalAnswers.enqueue(std::move(answer));
}

inline void pressMessageBoxButton(QMessageBox::StandardButton button)
{
    whenModalAppears([button](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY2(box && box->button(button), "expected a message box with that button");
        lastMessageBoxText = box->text();
        box->button(button)->click();
    });
}

inline bool allModalAnswersGiven(int timeoutMs)
{
    return QTest::qWaitFor([]() { return pendingModalAnswers.isEmpty(); }, timeoutMs);
}

// Calls back whenever the widget it watches is shown.
struct ShowWatcher : QObject
{
    ShowWatcher(QWidget *widget, std::function<void()> shown) : shown(std::move(shown))
    {
        widget->installEventFilter(this);
    }
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            shown();
        return false;
    }
    const std::function<void()> shown;
};

// A shown MainWindow whose port list holds these ports, each named by its path.
class WindowDriver
{
public:
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
