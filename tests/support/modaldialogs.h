#ifndef MODALDIALOGS_H
#define MODALDIALOGS_H

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QQueue>
#include <QTest>
#include <QTimer>

#include <functional>

inline QQueue<std::function<void(QWidget *)>> pendingModalAnswers;
inline QString lastAnsweredMessageBoxText;

// Answers the modal dialogs that the code under test opens: each action runs, in the
// order booked, on the next modal widget that appears, from the event loop of its exec().
inline void whenModalAppears(std::function<void(QWidget *)> action)
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
                // A wrong answer fails the test; the modal must not keep it waiting.
                if (QTest::currentTestFailed())
                    modal->close();
            });
        });
        timer->start(10);
    }
    pendingModalAnswers.enqueue(std::move(action));
}

// Presses the button of this QMessageBox::StandardButton on the next message box.
inline void pressMessageBoxButton(int standardButton)
{
    whenModalAppears([standardButton](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY2(box && box->button(QMessageBox::StandardButton(standardButton)),
                 "expected a message box with that button");
        lastAnsweredMessageBoxText = box->text();
        box->button(QMessageBox::StandardButton(standardButton))->click();
    });
}

// False when an answer is still pending after timeoutMs.
inline bool allModalAnswersGiven(int timeoutMs = 5000)
{
    return QTest::qWaitFor([]() { return pendingModalAnswers.isEmpty(); }, timeoutMs);
}

// The text of the last message box answered through pressMessageBoxButton.
inline QString lastMessageBoxText()
{
    return lastAnsweredMessageBoxText;
}

#endif
