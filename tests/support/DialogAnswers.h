#pragma once
// Stands in for the user at every dialog while it lives: message dialogs are
// recorded and answered from a script, modal windows are handed to Modal.

#include "platform/Dialogs.h"

#include <QDialog>
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

class TDialogAnswers {
public:
    TDialogAnswers()
        : FScope(TDialogAnswerer{[this](const TMessageRequest& request) { return Answer(request); },
                                 [this](QDialog& dialog) { return Modal ? Modal(dialog) : int(QDialog::Rejected); }})
    {
    }

    // Every message shown, in order.
    std::vector<TMessageRequest> Messages;
    // The buttons to press, in order; when it runs out, the first button of
    // the set (OK, or Yes).
    std::deque<TModalResult> Replies;
    // Runs while a message is up (as the user would act meanwhile).
    std::function<void(const TMessageRequest&)> OnMessage;
    // Drives a modal window and returns its result; unset, every modal
    // window is cancelled at once.
    std::function<int(QDialog&)> Modal;

    QStringList Texts() const
    {
        QStringList texts;
        for (const auto& message : Messages)
            texts << message.Text;
        return texts;
    }

private:
    TModalResult Answer(const TMessageRequest& request)
    {
        Messages.push_back(request);
        if (OnMessage)
            OnMessage(request);
        if (!Replies.empty()) {
            const TModalResult reply = Replies.front();
            Replies.pop_front();
            return reply;
        }
        return request.Buttons == TMsgDlgButtons::mbYesCancel ? TModalResult::mrYes : TModalResult::mrOk;
    }

    TScopedDialogAnswerer FScope;
};
