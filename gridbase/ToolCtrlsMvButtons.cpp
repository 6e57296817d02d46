// Edit button items, their collection and their tie to an action.

#include "gridbase/ToolCtrlsMv.h"

#include "platform/Exceptions.h"

#include <QAction>
#include <QKeyEvent>
#include <QKeySequence>
#include <algorithm>

TButtonDrawKindMv EditButtonDrawKind(TEditButtonStyleMv Style)
{
    switch (Style) {
    case ebsDropDownMv: return bdkDropDown;
    case ebsEllipsisMv: return bdkEllipsis;
    case ebsGlyphMv: return bdkUpDown;
    case ebsUpDownMv: return bdkUpDown;
    case ebsPlusMv: return bdkPlus;
    case ebsMinusMv: return bdkMinus;
    }
    return bdkDropDown;
}

TShortCut ShortCutFromKeySequence(const QKeySequence& Sequence)
{
    if (Sequence.isEmpty())
        return 0;
    const QKeyCombination combination = Sequence[0];
    // The key event translation is the one place that knows virtual keys.
    const QKeyEvent event(QEvent::KeyPress, int(combination.key()), combination.keyboardModifiers());
    const quint16 key = VirtualKeyOf(event);
    if (key == 0)
        return 0;
    return ShortCut(key, ShiftStateOf(combination.keyboardModifiers()));
}

// ---------------------------------------------------------------- TEditButtonMv

TEditButtonMv::TEditButtonMv(TEditButtonsMv* Collection, QWidget* EditControl)
    : FEditControl(EditControl), FCollection(Collection)
{
}

std::unique_ptr<TEditButtonMv> TEditButtonMv::CreateEditButton(QWidget* EditControl)
{
    return std::make_unique<TEditButtonMv>(nullptr, EditControl);
}

TEditButtonMv::~TEditButtonMv() = default;

int TEditButtonMv::Index() const
{
    return FCollection ? FCollection->IndexOf(this) : -1;
}

QAction* TEditButtonMv::Action() const
{
    return FActionLink ? FActionLink->Action() : nullptr;
}

void TEditButtonMv::SetAction(QAction* Value)
{
    if (!Value) {
        FActionLink.reset();
        return;
    }
    if (!FActionLink)
        FActionLink = std::make_unique<TEditButtonActionLinkMv>(this);
    FActionLink->SetAction(Value);
    // Actions are never half-loaded here: the action's values win.
    ActionChange(Value, false);
}

void TEditButtonMv::ActionChange(QAction* Sender, bool CheckDefaults)
{
    if (!Sender)
        return;
    if (!CheckDefaults || FEnabled)
        SetEnabled(Sender->isEnabled());
    if (!CheckDefaults || FHint.isEmpty())
        SetHint(Sender->toolTip());
    if (!CheckDefaults || FShortCut == 0)
        SetShortCut(ShortCutFromKeySequence(Sender->shortcut()));
    if (!CheckDefaults || FVisible)
        SetVisible(Sender->isVisible());
}

void TEditButtonMv::Changed()
{
    if (OnChange)
        OnChange(this);
    else if (FCollection)
        FCollection->Update(this);
}

void TEditButtonMv::SetEnabled(bool Value)
{
    if (FEnabled == Value)
        return;
    FEnabled = Value;
    Changed();
}

void TEditButtonMv::SetGlyph(const QPixmap& Value)
{
    if (FGlyph.cacheKey() == Value.cacheKey())
        return;
    FGlyph = Value;
    Changed();
}

void TEditButtonMv::SetHint(const QString& Value)
{
    if (FHint == Value)
        return;
    FHint = Value;
    Changed();
}

void TEditButtonMv::SetNumGlyphs(int Value)
{
    Value = std::clamp(Value, 1, 4);
    if (FNumGlyphs == Value)
        return;
    FNumGlyphs = Value;
    Changed();
}

void TEditButtonMv::SetStyle(TEditButtonStyleMv Value)
{
    if (FStyle == Value)
        return;
    FStyle = Value;
    Changed();
}

void TEditButtonMv::SetVisible(bool Value)
{
    if (FVisible == Value)
        return;
    FVisible = Value;
    Changed();
}

void TEditButtonMv::SetWidth(int Value)
{
    if (FWidth == Value)
        return;
    FWidth = Value;
    Changed();
}

bool TEditButtonMv::IsEnabledStored() const
{
    return !FActionLink || !FActionLink->IsEnabledLinked();
}

bool TEditButtonMv::IsHintStored() const
{
    return !FActionLink || !FActionLink->IsHintLinked();
}

bool TEditButtonMv::IsShortCutStored() const
{
    return !FActionLink || !FActionLink->IsShortCutLinked();
}

bool TEditButtonMv::IsVisibleStored() const
{
    return !FActionLink || !FActionLink->IsVisibleLinked();
}

void TEditButtonMv::Assign(const TEditButtonMv& Source)
{
    if (&Source == this)
        return;
    SetAction(Source.Action());
    SetDropdownMenu(Source.DropdownMenu());
    SetEnabled(Source.Enabled());
    SetGlyph(Source.Glyph());
    SetHint(Source.Hint());
    SetNumGlyphs(Source.NumGlyphs());
    SetShortCut(Source.ShortCut());
    SetStyle(Source.Style());
    SetVisible(Source.Visible());
    SetWidth(Source.Width());
    OnClick = Source.OnClick;
    OnDown = Source.OnDown;
}

TEditButtonControlMv* TEditButtonMv::CreateEditButtonControl()
{
    auto* control = new TEditButtonControlMv(FEditControl);
    control->resize(10, 17);
    control->setVisible(true);
    return control;
}

void TEditButtonMv::Click(QObject* Sender, bool& Handled)
{
    if (OnClick) {
        OnClick(Sender, Handled);
        return;
    }
    if (FActionLink && FActionLink->Action()) {
        FActionLink->Execute();
        Handled = true;
    }
}

TVisibleEditButtonMv::TVisibleEditButtonMv(TEditButtonsMv* Collection, QWidget* EditControl)
    : TEditButtonMv(Collection, EditControl)
{
    FVisible = true;
    FShortCut = DefaultEditButtonShortCut;
}

std::unique_ptr<TEditButtonMv> TVisibleEditButtonMv::CreateEditButton(QWidget* EditControl)
{
    return std::make_unique<TVisibleEditButtonMv>(nullptr, EditControl);
}

std::unique_ptr<TEditButtonMv> VisibleEditButtonFactory(TEditButtonsMv* Collection)
{
    return std::make_unique<TVisibleEditButtonMv>(Collection);
}

// ---------------------------------------------------------------- TEditButtonsMv

TEditButtonsMv::TEditButtonsMv(QObject* Owner, TItemFactory ItemFactory) : FOwner(Owner), FItemFactory(ItemFactory)
{
}

TEditButtonsMv::~TEditButtonsMv()
{
    // Items going away tell no one.
    OnChange = nullptr;
}

TEditButtonMv* TEditButtonsMv::Items(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    return FItems[size_t(Index)].get();
}

TEditButtonMv* TEditButtonsMv::Add()
{
    BeginUpdate();
    FItems.push_back(FItemFactory ? FItemFactory(this) : std::make_unique<TEditButtonMv>(this));
    TEditButtonMv* item = FItems.back().get();
    EndUpdate();
    return item;
}

void TEditButtonsMv::Delete(int Index)
{
    Items(Index);
    FItems.erase(FItems.begin() + Index);
    Update(nullptr);
}

void TEditButtonsMv::Clear()
{
    if (FItems.empty())
        return;
    FItems.clear();
    Update(nullptr);
}

int TEditButtonsMv::IndexOf(const TEditButtonMv* Item) const
{
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i].get() == Item)
            return int(i);
    return -1;
}

void TEditButtonsMv::Assign(const TEditButtonsMv& Source)
{
    if (&Source == this)
        return;
    BeginUpdate();
    FItems.clear();
    for (const auto& item : Source.FItems) {
        FItems.push_back(FItemFactory ? FItemFactory(this) : std::make_unique<TEditButtonMv>(this));
        FItems.back()->Assign(*item);
    }
    EndUpdate();
}

void TEditButtonsMv::EndUpdate()
{
    if (FUpdateCount > 0 && --FUpdateCount == 0)
        Update(nullptr);
}

void TEditButtonsMv::Update(TEditButtonMv* Item)
{
    if (FUpdateCount > 0)
        return;
    if (OnChange)
        OnChange(Item);
}

// ---------------------------------------------------------------- TEditButtonActionLinkMv

TEditButtonActionLinkMv::TEditButtonActionLinkMv(TEditButtonMv* Client) : FClient(Client)
{
}

TEditButtonActionLinkMv::~TEditButtonActionLinkMv()
{
    QObject::disconnect(FChanged);
}

void TEditButtonActionLinkMv::SetAction(QAction* Value)
{
    if (FAction == Value)
        return;
    QObject::disconnect(FChanged);
    FAction = Value;
    if (Value) {
        FChanged = QObject::connect(Value, &QAction::changed, Value, [this] {
            if (FAction && FClient->Action() == FAction.data())
                FClient->ActionChange(FAction.data(), false);
        });
    }
}

bool TEditButtonActionLinkMv::IsEnabledLinked() const
{
    return FAction && FClient->Enabled() == FAction->isEnabled();
}

bool TEditButtonActionLinkMv::IsHintLinked() const
{
    return FAction && FClient->Hint() == FAction->toolTip();
}

bool TEditButtonActionLinkMv::IsShortCutLinked() const
{
    return FAction && FClient->ShortCut() == ShortCutFromKeySequence(FAction->shortcut());
}

bool TEditButtonActionLinkMv::IsVisibleLinked() const
{
    return FAction && FClient->Visible() == FAction->isVisible();
}

void TEditButtonActionLinkMv::SetEnabled(bool Value)
{
    if (IsEnabledLinked())
        FClient->SetEnabled(Value);
}

void TEditButtonActionLinkMv::SetHint(const QString& Value)
{
    if (IsHintLinked())
        FClient->SetHint(Value);
}

void TEditButtonActionLinkMv::SetShortCut(TShortCut Value)
{
    // Straight into the field: a short-cut changes nothing on screen.
    if (IsShortCutLinked())
        FClient->FShortCut = Value;
}

void TEditButtonActionLinkMv::SetVisible(bool Value)
{
    if (IsVisibleLinked())
        FClient->SetVisible(Value);
}

void TEditButtonActionLinkMv::Execute()
{
    if (FAction)
        FAction->trigger();
}
