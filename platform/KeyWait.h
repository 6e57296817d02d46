#pragma once
// Whether the user has typed on while a long piece of work runs in the GUI
// thread, so that the work can give up early (a list refiltered for each key
// need not be finished for a text that is already out of date).
//
// Qt gives no look into its event queue without taking from it, so the watch
// lets the waiting events run and, for the work's duration, holds back the
// user's input among them: keys, input-method text, mouse and wheel. Nothing
// acts on that input before the work is over; a key's short-cut check is
// refused as well, so that no short-cut fires in the middle of it. When the
// watch ends, the held events are posted again in their order to those of
// their receivers that still exist; there they act as they would have.
//
// The waiting events that run are everything else: timers, painting, queued
// calls. What they ask to destroy later (deleteLater) is destroyed after the
// watch ends, so that the work's own objects outlive it.
//
// A watch begun while another one looks into the events (by an event that
// the other one runs) shares it: it looks into nothing itself and answers
// what the other has seen. A modal window or a pop-up menu raised meanwhile
// gets its input as usual, so that a message box can be answered; a watch
// begun there holds on its own.

#include <memory>

class TKeyWait {
public:
    TKeyWait();
    ~TKeyWait();
    TKeyWait(const TKeyWait&) = delete;
    TKeyWait& operator=(const TKeyWait&) = delete;

    // Runs the waiting events, without waiting for more, and tells whether a
    // key press or an input method's text has come since the watch began.
    bool KeyDownWaiting();

private:
    class THold;
    std::unique_ptr<THold> FOwnHold;
    // The own hold, or the one that this watch shares.
    THold* FHold;
};
