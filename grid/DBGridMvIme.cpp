// Input methods on the dataset grid. A Chinese name is typed through an
// input method: the letters first make a composition, and only its end
// commits the characters. The composition has to be seen where the text
// goes, so its start opens the cell editor as a typed character does.

#include "grid/DBGridMv.h"
#include "platform/Characters.h"

#include <QCoreApplication>
#include <QInputMethodEvent>

void TCustomDBGridMv::inputMethodEvent(QInputMethodEvent* Event)
{
    // Text of several characters committed at once goes to the editor too:
    // it takes such text whole or refuses it whole, as it does a paste.
    const QString composing = Event->preeditString();
    const QString commit = Event->commitString();
    const QString opening = !composing.isEmpty() ? composing : CharacterCount(commit) > 1 ? commit : QString();
    if (!opening.isEmpty() && FOptions.testFlag(dgEditing) && !IncSearchTakes(opening.front())) {
        ShowEditor();
        // The editor has the focus now and receives what follows; this
        // first part goes there too, with anything committed in it.
        TInplaceEdit* editor = InplaceEditor();
        if (editor && EditorMode() && editor->Visible()) {
            QCoreApplication::sendEvent(editor, Event);
            return;
        }
    }
    // Otherwise committed characters are typed as keys are.
    TCustomGridMv::inputMethodEvent(Event);
}
