// Fuzz target: the edit-mask language. The first line of the input (UTF-8)
// is the mask; every further line is one edit of the user's: its first
// character picks it ('0' typing or pasting, '1' Backspace, '2' Delete,
// anything else a text loaded as the value), the next two the selection's
// start and length, the rest the text. Besides never crashing or hanging,
// every edit text must keep one character per position (a literal where the
// mask has one, else the blank or a character that fits), the caret must
// stay within it (so must the place where typing goes on), and its value
// text must load back to the same edit text.

#include "platform/MaskEditCodec.h"

#include <QStringList>
#include <cstdint>
#include <cstdlib>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

void CheckEditText(const TEditMaskMv& Mask, const QString& EditText)
{
    Require(EditText.size() == Mask.Size());
    for (int i = 0; i < Mask.Size(); ++i) {
        const TMaskPosition& position = Mask.Positions[size_t(i)];
        const QChar ch = EditText[i];
        if (position.IsLiteral())
            Require(ch == position.Literal);
        else
            Require(ch == Mask.Blank || MaskFitChar(position, ch) == ch);
    }
    const QString text = MaskEditTextToText(Mask, EditText);
    Require(MaskTextToEditText(Mask, text) == EditText);
    Require(MaskEditTextToText(Mask, MaskTextToEditText(Mask, text)) == text);
    Require(text.isEmpty() == MaskEditTextEmpty(Mask, EditText));
    const int limit = MaskCaretLimit(Mask, EditText);
    Require(limit >= 0 && limit <= Mask.Size());
    const int incomplete = MaskFirstIncomplete(Mask, EditText);
    Require(incomplete >= -1 && incomplete < Mask.Size());
    Require(incomplete < 0 || Mask.Positions[size_t(incomplete)].Required);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QStringList lines =
        QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)).split(QLatin1Char('\n'));
    const TEditMaskMv mask = ParseEditMask(lines.front());
    QString edit = MaskEmptyEditText(mask);
    CheckEditText(mask, edit);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (line.isEmpty())
            continue;
        const int start = line.size() > 1 ? int(line[1].unicode()) % (mask.Size() + 2) - 1 : 0;
        const int length = line.size() > 2 ? int(line[2].unicode()) % (mask.Size() + 2) - 1 : 0;
        const QString text = line.mid(3);
        TMaskEditResultMv result;
        switch (line[0].unicode()) {
        case u'0': result = MaskInsertText(mask, edit, start, length, text); break;
        case u'1': result = MaskDeleteBackward(mask, edit, start, length); break;
        case u'2': result = MaskDeleteForward(mask, edit, start, length); break;
        default: result = {MaskTextToEditText(mask, text), 0, true}; break;
        }
        Require(result.Caret >= 0 && result.Caret <= mask.Size());
        if (!result.Accepted)
            Require(result.EditText == edit);
        edit = result.EditText;
        CheckEditText(mask, edit);
        Require(FormatMaskText(lines.front(), MaskEditTextToText(mask, edit)) == MaskEditTextToText(mask, edit));
    }
    return 0;
}
