#pragma once
// The application object of the program, the idle hook and the request to
// terminate.

#include <QApplication>
#include <QMetaObject>
#include <functional>

// The program's application object. An exception that reaches the event
// loop is shown in the error box (Dialogs.h) and the loop goes on.
class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

// Loads Qt's own Chinese texts for the standard buttons (确定, 取消, 是, 忽略)
// into the running application when the translations are installed; false
// when they are not.
bool LoadQtTranslations();

// The idle hook: the handler runs whenever the GUI thread's event loop has
// run out of events and is about to wait for more. One handler at a time;
// installing another replaces it, an empty one removes it. A handler that
// itself runs a nested event loop (a message box) is not entered again until
// it returns.
void SetIdleHandler(std::function<void()> handler);

// Asks the program to end: the event loops return and Terminated() stays
// true. Only the program's own application object ends its loops; under any
// other application object (tests) only the flag is set.
void Terminate();
bool Terminated();
// Forgets an earlier Terminate (for a new run of the same process).
void ResetTerminated();
