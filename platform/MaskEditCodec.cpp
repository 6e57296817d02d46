#include "platform/MaskEditCodec.h"

#include "platform/Format.h"

#include <algorithm>

namespace {

bool IsAsciiDigit(QChar Ch)
{
    return Ch >= u'0' && Ch <= u'9';
}

TMaskPosition DataPosition(TMaskCharKind Kind, bool Required, TMaskCase Case)
{
    TMaskPosition position;
    position.Kind = Kind;
    position.Required = Required;
    position.Case = Case;
    return position;
}

TMaskPosition LiteralPosition(QChar Ch)
{
    TMaskPosition position;
    position.Literal = Ch;
    return position;
}

// A character of a text that stands for an unfilled position.
bool IsBlankInput(const TEditMaskMv& Mask, QChar Ch)
{
    return Ch == u' ' || Ch == Mask.Blank;
}

// What a text's character puts at a data position: the fitted character,
// or the blank when it does not fit.
QChar LoadedChar(const TEditMaskMv& Mask, const TMaskPosition& Position, QChar Ch)
{
    if (IsBlankInput(Mask, Ch))
        return Mask.Blank;
    const QChar fitted = MaskFitChar(Position, Ch);
    return fitted.isNull() || fitted == Mask.Blank ? Mask.Blank : fitted;
}

// Any text made a well-formed edit text (one character per position).
QString Normalized(const TEditMaskMv& Mask, const QString& EditText)
{
    return MaskTextToEditText(Mask, EditText);
}

// The selection cut to the edit text, its positions emptied.
QString ClearedRange(const TEditMaskMv& Mask, const QString& EditText, int& Start, int& Length)
{
    const int size = Mask.Size();
    Start = std::clamp(Start, 0, size);
    Length = std::clamp(Length, 0, size - Start);
    QString work = EditText;
    for (int i = Start; i < Start + Length; ++i)
        if (!Mask.Positions[size_t(i)].IsLiteral())
            work[i] = Mask.Blank;
    return work;
}

} // namespace

TEditMaskMv ParseEditMask(const QString& Mask)
{
    TEditMaskMv result;
    // The mask field ends at the first ';' that no '\' escapes.
    qsizetype end = -1;
    for (qsizetype i = 0; i < Mask.size(); ++i) {
        if (Mask[i] == u'\\') {
            ++i;
            continue;
        }
        if (Mask[i] == u';') {
            end = i;
            break;
        }
    }
    const QString body = end < 0 ? Mask : Mask.left(end);
    if (end >= 0) {
        const QString rest = Mask.mid(end + 1);
        const qsizetype semicolon = rest.indexOf(u';');
        const QString save = semicolon < 0 ? rest : rest.left(semicolon);
        if (!save.isEmpty() && save[0] == u'0')
            result.SaveLiterals = false;
        if (semicolon >= 0 && semicolon + 1 < rest.size()) {
            // A control character or half a character outside the basic
            // plane cannot stand for a blank; the default stays.
            const QChar blank = rest[semicolon + 1];
            if (blank.unicode() >= 32 && !blank.isSurrogate())
                result.Blank = blank;
        }
    }

    TMaskCase kase = TMaskCase::AsTyped;
    auto& positions = result.Positions;
    for (qsizetype i = 0; i < body.size(); ++i) {
        const QChar ch = body[i];
        switch (ch.unicode()) {
        case u'\\':
            positions.push_back(LiteralPosition(i + 1 < body.size() ? body[++i] : ch));
            break;
        case u'>': kase = TMaskCase::Upper; break;
        case u'<':
            if (i + 1 < body.size() && body[i + 1] == u'>') {
                kase = TMaskCase::AsTyped;
                ++i;
            } else {
                kase = TMaskCase::Lower;
            }
            break;
        case u'!': result.LeadingBlanks = true; break;
        case u'0': positions.push_back(DataPosition(TMaskCharKind::Digit, true, kase)); break;
        case u'9': positions.push_back(DataPosition(TMaskCharKind::Digit, false, kase)); break;
        case u'#': positions.push_back(DataPosition(TMaskCharKind::DigitOrSign, false, kase)); break;
        case u'L': positions.push_back(DataPosition(TMaskCharKind::Letter, true, kase)); break;
        case u'l': positions.push_back(DataPosition(TMaskCharKind::Letter, false, kase)); break;
        case u'A': positions.push_back(DataPosition(TMaskCharKind::AlphaNumeric, true, kase)); break;
        case u'a': positions.push_back(DataPosition(TMaskCharKind::AlphaNumeric, false, kase)); break;
        case u'C': positions.push_back(DataPosition(TMaskCharKind::AnyChar, true, kase)); break;
        case u'c': positions.push_back(DataPosition(TMaskCharKind::AnyChar, false, kase)); break;
        case u':': positions.push_back(LiteralPosition(FormatSettings.TimeSeparator)); break;
        case u'/': positions.push_back(LiteralPosition(FormatSettings.DateSeparator)); break;
        case u'_': positions.push_back(LiteralPosition(u' ')); break;
        default: positions.push_back(LiteralPosition(ch)); break;
        }
    }
    return result;
}

QString MaskEmptyEditText(const TEditMaskMv& Mask)
{
    QString text;
    text.reserve(Mask.Size());
    for (const TMaskPosition& position : Mask.Positions)
        text += position.IsLiteral() ? position.Literal : Mask.Blank;
    return text;
}

QChar MaskFitChar(const TMaskPosition& Position, QChar Ch)
{
    // A position holds one whole character: no control character, no half
    // of a pair, and a space only ever means "not filled".
    if (Position.IsLiteral() || Ch.unicode() < 32 || Ch.unicode() == 127 || Ch.isSurrogate() || Ch == u' ')
        return QChar();
    bool fits = false;
    switch (Position.Kind) {
    case TMaskCharKind::Digit: fits = IsAsciiDigit(Ch); break;
    case TMaskCharKind::DigitOrSign: fits = IsAsciiDigit(Ch) || Ch == u'+' || Ch == u'-'; break;
    case TMaskCharKind::Letter: fits = Ch.isLetter(); break;
    case TMaskCharKind::AlphaNumeric: fits = Ch.isLetter() || IsAsciiDigit(Ch); break;
    case TMaskCharKind::AnyChar: fits = true; break;
    case TMaskCharKind::Literal: break;
    }
    if (!fits)
        return QChar();
    switch (Position.Case) {
    case TMaskCase::Upper: return Ch.toUpper();
    case TMaskCase::Lower: return Ch.toLower();
    case TMaskCase::AsTyped: break;
    }
    return Ch;
}

bool MaskPositionFilled(const TEditMaskMv& Mask, const QString& EditText, int Index)
{
    return Index >= 0 && Index < Mask.Size() && Index < EditText.size() &&
           !Mask.Positions[size_t(Index)].IsLiteral() && EditText[Index] != Mask.Blank;
}

QString MaskTextToEditText(const TEditMaskMv& Mask, const QString& Text)
{
    QString result = MaskEmptyEditText(Mask);
    const int size = Mask.Size();
    const auto& positions = Mask.Positions;
    if (Text.size() == size) {
        // One character per position: an edit text, or a text that keeps
        // every literal where the mask has it.
        for (int i = 0; i < size; ++i)
            if (!positions[size_t(i)].IsLiteral())
                result[i] = LoadedChar(Mask, positions[size_t(i)], Text[i]);
        return result;
    }
    // A text without the literals has only the data positions' characters;
    // one with them keeps each literal in its place.
    const auto takesLiteral = [&](int Index, qsizetype From) {
        return Mask.SaveLiterals && From >= 0 && From < Text.size() && Text[From] == positions[size_t(Index)].Literal;
    };
    if (Mask.LeadingBlanks) {
        qsizetype j = Text.size() - 1;
        for (int i = size - 1; i >= 0 && j >= 0; --i) {
            if (positions[size_t(i)].IsLiteral()) {
                if (takesLiteral(i, j))
                    --j;
                continue;
            }
            result[i] = LoadedChar(Mask, positions[size_t(i)], Text[j--]);
        }
        return result;
    }
    qsizetype j = 0;
    for (int i = 0; i < size && j < Text.size(); ++i) {
        if (positions[size_t(i)].IsLiteral()) {
            if (takesLiteral(i, j))
                ++j;
            continue;
        }
        result[i] = LoadedChar(Mask, positions[size_t(i)], Text[j++]);
    }
    return result;
}

bool MaskEditTextEmpty(const TEditMaskMv& Mask, const QString& EditText)
{
    const QString edit = Normalized(Mask, EditText);
    for (int i = 0; i < Mask.Size(); ++i)
        if (MaskPositionFilled(Mask, edit, i))
            return false;
    return true;
}

QString MaskEditTextToText(const TEditMaskMv& Mask, const QString& EditText)
{
    const QString edit = Normalized(Mask, EditText);
    if (MaskEditTextEmpty(Mask, edit))
        return QString();
    QString text;
    text.reserve(edit.size());
    for (int i = 0; i < Mask.Size(); ++i) {
        const TMaskPosition& position = Mask.Positions[size_t(i)];
        if (position.IsLiteral()) {
            if (Mask.SaveLiterals)
                text += position.Literal;
        } else {
            text += MaskPositionFilled(Mask, edit, i) ? edit[i] : QChar(u' ');
        }
    }
    // Unfilled positions at the end (at the start with '!') are no part of
    // the value.
    if (Mask.LeadingBlanks) {
        qsizetype first = 0;
        while (first < text.size() && text[first] == u' ')
            ++first;
        text.remove(0, first);
    } else {
        qsizetype last = text.size();
        while (last > 0 && text[last - 1] == u' ')
            --last;
        text.truncate(last);
    }
    return text;
}

QString FormatMaskText(const QString& Mask, const QString& Text)
{
    const TEditMaskMv mask = ParseEditMask(Mask);
    if (mask.IsEmpty())
        return Text;
    return MaskEditTextToText(mask, MaskTextToEditText(mask, Text));
}

QString MaskTypedText(const TEditMaskMv& Mask, const QString& EditText)
{
    const QString edit = Normalized(Mask, EditText);
    QString text;
    bool typed = false;
    for (int i = 0; i < Mask.Size(); ++i) {
        const TMaskPosition& position = Mask.Positions[size_t(i)];
        if (position.IsLiteral()) {
            if (Mask.SaveLiterals)
                text += position.Literal;
            continue;
        }
        if (!MaskPositionFilled(Mask, edit, i))
            break;
        text += edit[i];
        typed = true;
    }
    return typed ? text : QString();
}

int MaskFirstIncomplete(const TEditMaskMv& Mask, const QString& EditText)
{
    const QString edit = Normalized(Mask, EditText);
    if (MaskEditTextEmpty(Mask, edit))
        return -1;
    for (int i = 0; i < Mask.Size(); ++i)
        if (Mask.Positions[size_t(i)].Required && !MaskPositionFilled(Mask, edit, i))
            return i;
    return -1;
}

int MaskNextDataPosition(const TEditMaskMv& Mask, int Index)
{
    for (int i = std::max(0, Index); i < Mask.Size(); ++i)
        if (!Mask.Positions[size_t(i)].IsLiteral())
            return i;
    return Mask.Size();
}

int MaskPriorDataPosition(const TEditMaskMv& Mask, int Index)
{
    for (int i = std::min(Index, Mask.Size()) - 1; i >= 0; --i)
        if (!Mask.Positions[size_t(i)].IsLiteral())
            return i;
    return -1;
}

int MaskCaretLimit(const TEditMaskMv& Mask, const QString& EditText)
{
    const QString edit = Normalized(Mask, EditText);
    for (int i = Mask.Size() - 1; i >= 0; --i)
        if (MaskPositionFilled(Mask, edit, i))
            return MaskNextDataPosition(Mask, i + 1);
    return MaskNextDataPosition(Mask, 0);
}

TMaskEditResultMv MaskInsertText(const TEditMaskMv& Mask, const QString& EditText, int SelStart, int SelLength,
                                 const QString& Typed, const std::function<bool(QChar)>& Accepts)
{
    const QString edit = Normalized(Mask, EditText);
    const int size = Mask.Size();
    int start = SelStart;
    int length = SelLength;
    QString work = ClearedRange(Mask, edit, start, length);
    const TMaskEditResultMv refused{edit, std::clamp(SelStart, 0, size), false};
    int caret = start;
    for (const QChar ch : Typed) {
        if (caret < size && Mask.Positions[size_t(caret)].IsLiteral() && ch == Mask.Positions[size_t(caret)].Literal) {
            ++caret;
            continue;
        }
        const int target = MaskNextDataPosition(Mask, caret);
        if (target >= size)
            return refused;
        const TMaskPosition& position = Mask.Positions[size_t(target)];
        if (IsBlankInput(Mask, ch)) {
            if (position.Required)
                return refused;
            work[target] = Mask.Blank;
        } else {
            const QChar fitted = MaskFitChar(position, ch);
            if (fitted.isNull() || fitted == Mask.Blank || (Accepts && !Accepts(ch)))
                return refused;
            work[target] = fitted;
        }
        caret = target + 1;
    }
    if (!Typed.isEmpty())
        caret = MaskNextDataPosition(Mask, caret);
    return {work, caret, true};
}

TMaskEditResultMv MaskDeleteBackward(const TEditMaskMv& Mask, const QString& EditText, int SelStart, int SelLength)
{
    const QString edit = Normalized(Mask, EditText);
    int start = SelStart;
    int length = SelLength;
    QString work = ClearedRange(Mask, edit, start, length);
    if (length > 0)
        return {work, start, true};
    const int target = MaskPriorDataPosition(Mask, start);
    if (target < 0)
        return {work, start, true};
    work[target] = Mask.Blank;
    return {work, target, true};
}

TMaskEditResultMv MaskDeleteForward(const TEditMaskMv& Mask, const QString& EditText, int SelStart, int SelLength)
{
    const QString edit = Normalized(Mask, EditText);
    int start = SelStart;
    int length = SelLength;
    QString work = ClearedRange(Mask, edit, start, length);
    if (length > 0)
        return {work, start, true};
    const int target = MaskNextDataPosition(Mask, start);
    if (target >= Mask.Size())
        return {work, start, true};
    work[target] = Mask.Blank;
    return {work, target + 1, true};
}
