// The recent-values list and the special row of lookup lists.

#include "gridbase/ToolCtrlsMv.h"

#include "gridbase/WinApiMv.h"
#include "platform/KeyWait.h"

#include <QApplication>
#include <algorithm>
#include <optional>

// ---------------------------------------------------------------- TMRUListMv

TMRUListMv::TMRUListMv(QObject* Owner) : FOwner(Owner)
{
}

TMRUListMv::~TMRUListMv() = default;

void TMRUListMv::SetActive(bool Value)
{
    if (FActive == Value)
        return;
    FActive = Value;
    if (OnActiveChanged)
        OnActiveChanged(this);
}

void TMRUListMv::SetItems(const TStringList& Value)
{
    // Taken as they are: only Add and a new Limit trim to the limit.
    FItems = TStringList(Value.Items());
}

void TMRUListMv::SetLimit(int Value)
{
    FLimit = Value;
    TrimToLimit();
}

void TMRUListMv::SetRows(int Value)
{
    FRows = Value;
}

void TMRUListMv::TrimToLimit()
{
    while (FItems.Count() > std::max(FLimit, 0))
        FItems.Delete(0);
}

bool TMRUListMv::SameText(const QString& A, const QString& B) const
{
    return FCaseSensitive ? A == B : AnsiCompareTextMv(A, B) == 0;
}

void TMRUListMv::Add(const QString& Text)
{
    if (Text.trimmed().isEmpty())
        return;
    for (int i = 0; i < FItems.Count(); ++i) {
        if (SameText(FItems[i], Text)) {
            // The entry keeps its own letter case and becomes the newest.
            const QString kept = FItems[i];
            FItems.Delete(i);
            FItems.Add(kept);
            return;
        }
    }
    FItems.Add(Text);
    TrimToLimit();
}

bool TMRUListMv::FilterItemsTo(TStringList& Strings, const QString& Text)
{
    const QStringList items = FItems.Items();
    std::optional<TKeyWait> keys;
    if (FCancelOnKey && !items.isEmpty())
        keys.emplace();
    // Strings is filled at the end: a walk begun by an event that this one
    // runs may fill it too.
    QStringList accepted;
    bool complete = true;
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (i % 100 == 0 && keys && keys->KeyDownWaiting()) {
            complete = false;
            break;
        }
        bool accept = SameText(items[i].left(Text.size()), Text);
        if (OnFilterItem)
            OnFilterItem(this, items[i], accept);
        if (accept)
            accepted.append(items[i]);
    }
    Strings.Clear();
    for (const QString& item : std::as_const(accepted))
        Strings.Add(item);
    return complete;
}

void TMRUListMv::Assign(const TMRUListMv& Source)
{
    if (&Source == this)
        return;
    SetActive(Source.FActive);
    FItems = TStringList(Source.FItems.Items());
    FLimit = Source.FLimit;
    TrimToLimit();
    FRows = Source.FRows;
    FCaseSensitive = Source.FCaseSensitive;
}

void TMRUListMv::CloseUp(bool Accept)
{
    if (OnSetCloseUp)
        OnSetCloseUp(this, Accept);
}

void TMRUListMv::DropDown()
{
    if (OnSetDropDown)
        OnSetDropDown(this);
}

// ---------------------------------------------------------------- TSpecRowMv

QStringList SplitSpecRowCells(const QString& Text)
{
    // The text ends at a NUL character, as the cells are read as a C string.
    const QString text = Text.left(Text.indexOf(QChar(0)) < 0 ? Text.size() : Text.indexOf(QChar(0)));
    const auto isControl = [&](qsizetype i) {
        return i < text.size() && text[i].unicode() >= 1 && text[i].unicode() <= 31;
    };
    QStringList cells;
    qsizetype pos = 0;
    while (isControl(pos))
        ++pos;
    while (pos < text.size()) {
        QString cell;
        if (text[pos] == u'"') {
            ++pos;
            while (pos < text.size()) {
                if (text[pos] == u'"') {
                    if (pos + 1 < text.size() && text[pos + 1] == u'"') {
                        cell += u'"';
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    break;
                }
                cell += text[pos++];
            }
        } else {
            while (pos < text.size() && text[pos] != u';' && text[pos].unicode() >= 32)
                cell += text[pos++];
        }
        cells.append(cell);
        while (isControl(pos))
            ++pos;
        if (pos < text.size() && text[pos] == u';') {
            ++pos;
            while (isControl(pos))
                ++pos;
        }
    }
    return cells;
}

TSpecRowMv::TSpecRowMv(std::function<TColor()> OwnerColor, std::function<TFont()> OwnerFont)
    : FOwnerColor(std::move(OwnerColor)), FOwnerFont(std::move(OwnerFont))
{
    FFont = FOwnerFont ? FOwnerFont() : TFont(QApplication::font());
}

void TSpecRowMv::Changed()
{
    if (FUpdateCount == 0 && OnChange)
        OnChange(this);
}

void TSpecRowMv::EndUpdate()
{
    if (FUpdateCount > 0 && --FUpdateCount == 0)
        Changed();
}

void TSpecRowMv::SetCellsText(const QString& Value)
{
    if (FCellsText == Value)
        return;
    FCellsText = Value;
    FCells = SplitSpecRowCells(Value);
    Changed();
}

QString TSpecRowMv::GetCellText(int Index) const
{
    return Index >= 0 && Index < FCells.size() ? FCells[Index] : QString();
}

TColor TSpecRowMv::Color() const
{
    if (FColorAssigned)
        return FColor;
    return FOwnerColor ? FOwnerColor() : clWindow;
}

void TSpecRowMv::SetColor(TColor Value)
{
    if (FColorAssigned && FColor == Value)
        return;
    FColor = Value;
    FColorAssigned = true;
    Changed();
}

const TFont& TSpecRowMv::Font() const
{
    if (!FFontAssigned && FOwnerFont) {
        // Follows the owner's font quietly: no change is reported for it.
        const TFont owner = FOwnerFont();
        if (owner != FFont || owner.Color != FFont.Color)
            FFont = owner;
    }
    return FFont;
}

void TSpecRowMv::SetFont(const TFont& Value)
{
    FFont = Value;
    FFontAssigned = true;
    Changed();
}

void TSpecRowMv::SetShortCut(TShortCut Value)
{
    if (FShortCut == Value)
        return;
    FShortCut = Value;
    Changed();
}

void TSpecRowMv::SetShowIfNotInKeyList(bool Value)
{
    if (FShowIfNotInKeyList == Value)
        return;
    FShowIfNotInKeyList = Value;
    Changed();
}

void TSpecRowMv::SetValue(const Variant& Value)
{
    if (FValue == Value && FValue.GetKind() == Value.GetKind())
        return;
    FValue = Value;
    Changed();
}

void TSpecRowMv::SetVisible(bool Value)
{
    if (FVisible == Value)
        return;
    FVisible = Value;
    Changed();
}

void TSpecRowMv::Assign(const TSpecRowMv& Source)
{
    if (&Source == this)
        return;
    BeginUpdate();
    SetCellsText(Source.CellsText());
    SetColor(Source.Color());
    if (Source.FontAssigned())
        SetFont(Source.Font());
    SetShortCut(Source.ShortCut());
    SetShowIfNotInKeyList(Source.ShowIfNotInKeyList());
    SetValue(Source.Value());
    SetVisible(Source.Visible());
    EndUpdate();
}
