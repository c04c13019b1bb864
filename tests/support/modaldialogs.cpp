#include "tests/support/modaldialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QQueue>
#include <QTest>
#include <QTimer>

namespace {

QQueue<std::function<void(QWidget *)>> pendingAnswers;
QPointer<QWidget> lastAnswered;
QString answeredText;

// Answers are given in the order they were booked, one modal widget each.
void answerWaitingModal()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (pendingAnswers.isEmpty() || !modal || !modal->isVisible() || modal == lastAnswered)
        return;
    lastAnswered = modal;
    // Answered from a fresh timer event: the answer may open a nested modal (an
    // overwrite question) that the polling timer must be free to see.
    QTimer::singleShot(0, modal, [modal, answer = pendingAnswers.dequeue()]() { answer(modal); });
}

QTimer *answerTimer()
{
    static QPointer<QTimer> timer;
    if (!timer) {
        timer = new QTimer(qApp);
        QObject::connect(timer, &QTimer::timeout, answerWaitingModal);
        timer->start(10);
    }
    return timer;
}

} // namespace

void whenModalAppears(std::function<void(QWidget *)> action)
{
    answerTimer();
    pendingAnswers.enqueue(std::move(action));
}

void pressMessageBoxButton(int standardButton)
{
    whenModalAppears([standardButton](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY2(box, "expected a message box");
        answeredText = box->text();
        QAbstractButton *button = box->button(QMessageBox::StandardButton(standardButton));
        QVERIFY2(button, "the message box lacks the expected button");
        button->click();
    });
}

void acceptNextDialog()
{
    whenModalAppears([](QWidget *modal) {
        auto *dialog = qobject_cast<QDialog *>(modal);
        QVERIFY2(dialog, "expected a dialog");
        dialog->accept();
    });
}

void rejectNextDialog()
{
    whenModalAppears([](QWidget *modal) {
        auto *dialog = qobject_cast<QDialog *>(modal);
        QVERIFY2(dialog, "expected a dialog");
        dialog->reject();
    });
}

bool allModalAnswersGiven(int timeoutMs)
{
    return QTest::qWaitFor([]() { return pendingAnswers.isEmpty(); }, timeoutMs);
}

QString lastMessageBoxText()
{
    return answeredText;
}
