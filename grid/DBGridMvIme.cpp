// Input methods on the dataset grid. A Chinese name is typed through an
// input method: the letters first make a composition, and only its end
// commits the characters. The composition has to be seen where the text
// goes, so its start opens the cell editor as a typed character does.

#include "grid/DBGridMv.h"

#include <QCoreApplication>
#include <QInputMethodEvent>

void TCustomDBGridMv::inputMethodEvent(QInputMethodEvent* Event)
{
    const QString composing = Event->preeditString();
    if (!composing.isEmpty() && FOptions.testFlag(dgEditing) && !IncSearchTakes(composing.front())) {
        ShowEditor();
        // The editor has the focus now and receives what follows; this
        // first part goes there too, with anything committed in it.
        TInplaceEdit* editor = InplaceEditor();
        if (editor && EditorMode() && editor->Visible()) {
            QCoreApplication::sendEvent(editor, Event);
            return;
        }
    }
    // Committed characters alone are typed as keys are.
    TCustomGridMv::inputMethodEvent(Event);
}
