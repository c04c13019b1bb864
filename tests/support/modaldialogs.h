#ifndef MODALDIALOGS_H
#define MODALDIALOGS_H

#include <QString>

#include <functional>

class QWidget;

// Answers modal dialogs that a test's code under test will open: the action
// runs on the next modal widget that appears, from the event loop of its exec().
void whenModalAppears(std::function<void(QWidget *)> action);

// Common answers: press the button of a message box with this standard role
// (QMessageBox::StandardButton as int), or accept/reject whatever dialog it is.
void pressMessageBoxButton(int standardButton);
void acceptNextDialog();
void rejectNextDialog();

// Waits until no answer is pending; false when one is still waiting after timeoutMs.
bool allModalAnswersGiven(int timeoutMs = 5000);

// The text of the last message box answered through pressMessageBoxButton.
QString lastMessageBoxText();

#endif
