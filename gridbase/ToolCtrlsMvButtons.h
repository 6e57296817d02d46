#pragma once
// ToolCtrlsMv, buttons: the small buttons of the editors.
//
//  - TEditButtonMv: the description of one edit button (style, glyph,
//    width, events, an optional action), kept alone by a control or in a
//    TEditButtonsMv collection (a data-aware edit's extra buttons, a grid
//    column's extra buttons);
//  - TEditButtonControlMv: the speed button placed inside an edit, with the
//    pressed half of an up-down pair and auto-repeat while it is held;
//  - PaintEditButton: the one painter of every button face (drop-down
//    arrow, ellipsis, up-down pair, plus, minus, check box), classic or
//    themed, flat or raised, through a cache of pre-drawn faces, so that a
//    grid column full of buttons repaints with one copy per cell;
//  - the width rule of edit buttons, the check-box glyph rectangle, the
//    image and tree-line helpers that the grid draws with.
//
// Include "gridbase/ToolCtrlsMv.h", which brings this header.

#include "platform/Canvas.h"
#include "platform/Colors.h"
#include "platform/Keys.h"
#include "platform/Rect.h"
#include "platform/db/DbTypes.h"

#include <QImage>
#include <QMenu>
#include <QMetaObject>
#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QAction;

class QTimer;
class TImageList;

// ---------------------------------------------------------------- kinds

enum TEditButtonStyleMv : quint8 { ebsDropDownMv, ebsEllipsisMv, ebsGlyphMv, ebsUpDownMv, ebsPlusMv, ebsMinusMv };

// The states of a check box: the data-aware check box's and a grid cell's.
enum TCheckBoxStateMv : quint8 { cbUnchecked, cbChecked, cbGrayed };

// The face that PaintEditButton draws.
enum TButtonDrawKindMv : quint8 { bdkDropDown, bdkEllipsis, bdkUpDown, bdkCheckBox, bdkPlus, bdkMinus };

// The fixed table from a button's style to its face. A glyph button maps to
// the up-down face but paints its bitmap instead.
TButtonDrawKindMv EditButtonDrawKind(TEditButtonStyleMv Style);

// Vertical placement of a glyph in a cell.
enum TTextLayout : quint8 { tlTop, tlCenter, tlBottom };

// Events. Sender is the control that fired them (for a button: the button
// control that was pressed or clicked).
using TNotifyEventMv = std::function<void(QObject* Sender)>;
using TButtonClickEventMv = std::function<void(QObject* Sender, bool& Handled)>;
using TButtonDownEventMv = std::function<void(QObject* Sender, bool TopButton, bool& AutoRepeat, bool& Handled)>;
using TMouseEventMv = std::function<void(QObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEventMv = std::function<void(QObject* Sender, TShiftState Shift, int X, int Y)>;

// A key sequence's first key as a short-cut value (0 for none).
TShortCut ShortCutFromKeySequence(const QKeySequence& Sequence);

// ---------------------------------------------------------------- edit button items

class TEditButtonsMv;
class TEditButtonActionLinkMv;
class TEditButtonControlMv;
class QMenu;

// One edit button as a persistent description. Its owner makes a button
// control from it (CreateEditButtonControl) and copies the properties over
// whenever OnChange (or the collection's OnChange) reports a change.
class TEditButtonMv {
public:
    // In a collection (TEditButtonsMv::Add makes it), or alone for the
    // control that owns it (EditControl).
    explicit TEditButtonMv(TEditButtonsMv* Collection, QWidget* EditControl = nullptr);
    static std::unique_ptr<TEditButtonMv> CreateEditButton(QWidget* EditControl);
    virtual ~TEditButtonMv();
    TEditButtonMv(const TEditButtonMv&) = delete;
    TEditButtonMv& operator=(const TEditButtonMv&) = delete;

    TEditButtonsMv* Collection() const { return FCollection; }
    // The position in the collection; -1 alone.
    int Index() const;
    QWidget* EditControl() const { return FEditControl; }

    QAction* Action() const;
    // Ties the button to an action: the action's Enabled, Hint (tool tip),
    // ShortCut and Visible follow into the button on every change of the
    // action, and a click without OnClick triggers it. Null unties it.
    void SetAction(QAction* Value);
    TEditButtonActionLinkMv* ActionLink() const { return FActionLink.get(); }
    // Stored only: the owner decides what to do with the menu.
    QMenu* DropdownMenu() const { return FDropdownMenu.data(); }
    void SetDropdownMenu(QMenu* Value) { FDropdownMenu = Value; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    const QPixmap& Glyph() const { return FGlyph; }
    void SetGlyph(const QPixmap& Value);
    const QString& Hint() const { return FHint; }
    void SetHint(const QString& Value);
    // Clamped to 1..4.
    int NumGlyphs() const { return FNumGlyphs; }
    void SetNumGlyphs(int Value);
    TShortCut ShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut Value) { FShortCut = Value; }
    TEditButtonStyleMv Style() const { return FStyle; }
    void SetStyle(TEditButtonStyleMv Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    // 0: the default width (see EditButtonControlWidth).
    int Width() const { return FWidth; }
    void SetWidth(int Value);

    // Whether a layout store would keep the property: only while no action
    // supplies it.
    bool IsEnabledStored() const;
    bool IsHintStored() const;
    bool IsShortCutStored() const;
    bool IsVisibleStored() const;

    TButtonClickEventMv OnClick;
    TButtonDownEventMv OnDown;
    // The owner's notice of a property change; when it is not set, a button
    // in a collection tells the collection instead.
    std::function<void(TEditButtonMv* Sender)> OnChange;

    // Copies the action, menu, Enabled, Glyph, Hint, NumGlyphs, ShortCut,
    // Style, Visible, Width and both events.
    void Assign(const TEditButtonMv& Source);
    // A button control owned by and placed on the edit control: 10 by 17
    // pixels, visible, opaque.
    TEditButtonControlMv* CreateEditButtonControl();
    // OnClick when set (Sender: the clicked control); otherwise the action,
    // triggered, which handles the click.
    void Click(QObject* Sender, bool& Handled);

protected:
    virtual void ActionChange(QAction* Sender, bool CheckDefaults);
    void Changed();

private:
    friend class TEditButtonActionLinkMv;
    friend class TVisibleEditButtonMv;

    std::unique_ptr<TEditButtonActionLinkMv> FActionLink;
    QPointer<QMenu> FDropdownMenu;
    QWidget* FEditControl = nullptr;
    TEditButtonsMv* FCollection = nullptr;
    bool FEnabled = true;
    QPixmap FGlyph;
    QString FHint;
    int FNumGlyphs = 1;
    TShortCut FShortCut = 0;
    TEditButtonStyleMv FStyle = ebsDropDownMv;
    bool FVisible = false;
    int FWidth = 0;
};

// The entries of a data-aware edit's and a grid column's EditButtons: shown
// by default, pressed by Alt+Down.
class TVisibleEditButtonMv : public TEditButtonMv {
public:
    explicit TVisibleEditButtonMv(TEditButtonsMv* Collection, QWidget* EditControl = nullptr);
    static std::unique_ptr<TEditButtonMv> CreateEditButton(QWidget* EditControl);
};

// Alt+Down.
constexpr TShortCut DefaultEditButtonShortCut = TShortCut(scAlt | VK_DOWN);

// An ordered, owning list of edit buttons. OnChange fires after every
// change of an item (with the item) or of the list (with null), except
// inside BeginUpdate / EndUpdate, whose end reports one list change.
class TEditButtonsMv {
public:
    using TItemFactory = std::unique_ptr<TEditButtonMv> (*)(TEditButtonsMv* Collection);
    // Plain buttons, or the items that the factory makes (for example
    // VisibleEditButtons).
    explicit TEditButtonsMv(QObject* Owner, TItemFactory ItemFactory = nullptr);
    ~TEditButtonsMv();
    TEditButtonsMv(const TEditButtonsMv&) = delete;
    TEditButtonsMv& operator=(const TEditButtonsMv&) = delete;

    QObject* Owner() const { return FOwner; }
    int Count() const { return int(FItems.size()); }
    // Raises EListError for an index out of range.
    TEditButtonMv* Items(int Index) const;
    TEditButtonMv* Add();
    void Delete(int Index);
    void Clear();
    int IndexOf(const TEditButtonMv* Item) const;
    // Makes the list a copy of Source, item by item.
    void Assign(const TEditButtonsMv& Source);

    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();

    std::function<void(TEditButtonMv* Item)> OnChange;

    // The items' change notice.
    void Update(TEditButtonMv* Item);

private:
    QObject* FOwner;
    TItemFactory FItemFactory;
    std::vector<std::unique_ptr<TEditButtonMv>> FItems;
    int FUpdateCount = 0;
};

// A factory for TEditButtonsMv whose items are TVisibleEditButtonMv.
std::unique_ptr<TEditButtonMv> VisibleEditButtonFactory(TEditButtonsMv* Collection);

// Ties an edit button to a QAction. A property is "linked" while the
// button's value equals the action's; the setters pass a value on only then.
class TEditButtonActionLinkMv {
public:
    explicit TEditButtonActionLinkMv(TEditButtonMv* Client);
    ~TEditButtonActionLinkMv();
    TEditButtonActionLinkMv(const TEditButtonActionLinkMv&) = delete;
    TEditButtonActionLinkMv& operator=(const TEditButtonActionLinkMv&) = delete;

    QAction* Action() const { return FAction.data(); }
    void SetAction(QAction* Value);
    bool IsEnabledLinked() const;
    bool IsHintLinked() const;
    bool IsShortCutLinked() const;
    bool IsVisibleLinked() const;
    void SetEnabled(bool Value);
    void SetHint(const QString& Value);
    void SetShortCut(TShortCut Value);
    void SetVisible(bool Value);
    // Runs the action.
    void Execute();

private:
    TEditButtonMv* FClient;
    QPointer<QAction> FAction;
    QMetaObject::Connection FChanged;
};

// ---------------------------------------------------------------- speed buttons

enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// A button without focus that draws itself: a caption and a glyph (a strip
// of NumGlyphs images: up, disabled, pressed, down), raised or flat, and
// that can stay down in a group (GroupIndex > 0). Pressing it and releasing
// inside fires OnClick.
class TSpeedButton : public QWidget {
public:
    explicit TSpeedButton(QWidget* Parent = nullptr);
    ~TSpeedButton() override;

    const QString& Caption() const { return FCaption; }
    void SetCaption(const QString& Value);
    const QPixmap& Glyph() const { return FGlyph; }
    void SetGlyph(const QPixmap& Value);
    int NumGlyphs() const { return FNumGlyphs; }
    void SetNumGlyphs(int Value);
    TButtonLayout Layout() const { return FLayout; }
    void SetLayout(TButtonLayout Value);
    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);
    // The caption's colour.
    TColor FontColor() const { return FFontColor; }
    void SetFontColor(TColor Value);
    bool Down() const { return FDown; }
    void SetDown(bool Value);
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int Value);
    bool AllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool Value) { FAllowAllUp = Value; }
    int Tag() const { return FTag; }
    void SetTag(int Value) { FTag = Value; }

    TButtonState State() const { return isEnabled() ? FState : bsDisabled; }
    bool MouseInControl() const { return FMouseInControl; }
    // The colour of what the button stands on: the owning control's colour,
    // else the parent's background.
    TColor ParentColor() const;
    TRect ClientRect() const { return TRect(0, 0, width(), height()); }
    void Invalidate() { update(); }

    TNotifyEventMv OnClick;
    TMouseEventMv OnMouseDown;
    TMouseMoveEventMv OnMouseMove;
    TMouseEventMv OnMouseUp;

    // Fires OnClick.
    virtual void Click();

protected:
    virtual void Paint(TCanvas& Canvas);
    // The face of the button and its glyph and caption (the painting that
    // descendants call as the inherited one).
    void PaintButton(TCanvas& Canvas);
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    void SetState(TButtonState Value);
    TButtonState RawState() const { return FState; }
    // The left button went down on the button and has not come up.
    bool Dragging() const { return FDragging; }

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void UpdateExclusive();
    void DrawGlyphAndCaption(TCanvas& Canvas, const TRect& Rect, int Offset);
    QPixmap GlyphFor(TButtonState State) const;

    TCanvas FCanvas;
    QString FCaption;
    QPixmap FGlyph;
    int FNumGlyphs = 1;
    TButtonLayout FLayout = blGlyphLeft;
    bool FFlat = false;
    TColor FFontColor = clBtnText;
    bool FDown = false;
    int FGroupIndex = 0;
    bool FAllowAllUp = false;
    int FTag = 0;
    TButtonState FState = bsUp;
    bool FDragging = false;
    bool FMouseInControl = false;
};

// The button control inside an edit. DownButton tells which part is
// pressed: 0 none, 1 the button or the upper half of an up-down pair, 2 the
// lower half. A press calls OnDown (TopButton: the upper half); an up-down
// button repeats the call 400 ms later and then every 100 ms while it is
// held, other styles only when OnDown asks for it (AutoRepeat true).
class TEditButtonControlMv : public TSpeedButton {
public:
    explicit TEditButtonControlMv(QWidget* Parent = nullptr);
    ~TEditButtonControlMv() override;

    // Drawn hot: in flat style with a visible edge.
    bool Active() const { return FActive; }
    void SetActive(bool Value);
    // Keeps the button pressed while the owner's drop-down is open.
    bool AlwaysDown() const { return FAlwaysDown; }
    void SetAlwaysDown(bool Value);
    int DownButton() const { return FDownButton; }
    TEditButtonStyleMv Style() const { return FStyle; }
    void SetStyle(TEditButtonStyleMv Value);

    TButtonDownEventMv OnDown;

    // The auto-repeat timer; null until the first repeating press.
    QTimer* ButtonTimer() const { return FButtonTimer; }
    void EditButtonDown(bool TopButton, bool& AutoRepeat);
    // Passed on unless the release must not click.
    void Click() override;
    // Opens a drop-down menu below the button (its right edges aligned for a
    // right-to-left menu). The menu takes the mouse, so the button comes up
    // without a click.
    void PopupMenu(QMenu* Menu);

protected:
    void Paint(TCanvas& Canvas) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    // The auto-repeat timer's tick.
    void ButtonTimerExpired();

private:
    void UpdateDownButton(int Y);
    void ResetTimer(int Interval);
    void StopTimer();

    bool FActive = false;
    bool FAlwaysDown = false;
    int FDownButton = 0;
    bool FNoClick = false;
    TEditButtonStyleMv FStyle = ebsDropDownMv;
    QTimer* FButtonTimer = nullptr;
};

// The same control as a button of its own (the calculator's keys).
class TSpeedButtonMv : public TEditButtonControlMv {
public:
    using TEditButtonControlMv::TEditButtonControlMv;
};

// ---------------------------------------------------------------- width rule

// The default width of flat edit buttons, from the screen font: two thirds
// of its height, odd, at most a scroll bar's width. Computed once.
int FlatButtonWidth();
int GetDefaultFlatButtonWidth();
// The height of a button of the given width: one and a half times the
// width in flat style, the width otherwise.
int DefaultEditButtonHeight(int Width, bool Flat);
// The width an owner gives a button control: 0 when invisible, the
// button's own Width when set, else the flat width or a scroll bar's width.
int EditButtonControlWidth(const TEditButtonMv& Button, bool Flat);
// The button height in an area AvailableHeight high: DefaultEditButtonHeight
// when the area is taller than one and a half widths, else the whole area.
int EditButtonHeight(int Width, bool Flat, int AvailableHeight);
// Rounding of x.5 to the even neighbour, as the platform rounds.
int RoundHalfEven(qint64 Numerator, qint64 Denominator);

// ---------------------------------------------------------------- painting

// One cached face: its size and state. Fields that do not apply to the kind
// are 0. The cache also keys faces by the look (themed or classic) and by
// the palette's colours, so that a face is never reused under other colours.
struct TButtonBitmapInfoMv {
    int Width = 0;
    int Height = 0;
    TButtonDrawKindMv DrawKind = bdkDropDown;
    bool Flat = false;
    bool Pressed = false;
    bool Active = false;
    bool Enabled = false;
    bool LowerHalf = false;
    quint8 CheckState = 0;
    bool Themed = false;
    quint64 Colors = 0;
    friend bool operator==(const TButtonBitmapInfoMv&, const TButtonBitmapInfoMv&) = default;
};

struct TButtonBitmapInfoBitmapMv {
    TButtonBitmapInfoMv Key;
    QImage Bitmap;
};

// The pre-drawn faces. It only grows until Clear.
class TButtonsBitmapCache {
public:
    // The face of the key (negative sizes count as 0), drawn on first use
    // with the palette's colours.
    const QImage& GetButtonBitmap(TButtonBitmapInfoMv Key, const QPalette& Palette);
    int Count() const { return int(FItems.size()); }
    void Clear() { FItems.clear(); }

private:
    std::vector<std::unique_ptr<TButtonBitmapInfoBitmapMv>> FItems;
};

TButtonsBitmapCache& ButtonsBitmapCache();
// Faces come from the cache while this is true.
extern bool ButtonBitmapCacheEnabled;
// Frees every cached face; owners call it when the system colours change.
void ClearButtonsBitmapCache();
// The size of a check-box glyph.
int CheckBoxGlyphWidth();
int CheckBoxGlyphHeight();
// The palette colours a face is drawn with, as one key value.
quint64 ButtonColorsKey(const QPalette& Palette);

// Draws a button face of the kind in Rect. ParentColor is the colour the
// button stands on (frames of flat buttons); CheckState 0 unchecked, 1
// checked, 2 grayed (check boxes); DownButton 0 none, 1 pressed (the upper
// half of an up-down pair), 2 the lower half pressed.
void PaintEditButton(TCanvas& Canvas, const TRect& Rect, TColor ParentColor, int CheckState, bool Enabled,
                     bool Active, bool Flat, int DownButton, TButtonDrawKindMv DrawKind);
// One face without the cache.
void DrawEditButtonFace(TCanvas& Canvas, TButtonDrawKindMv Kind, const TRect& Rect, bool LowerHalf, bool Pressed,
                        bool Active, bool Flat, bool Enabled);
void DrawCheckBoxFace(TCanvas& Canvas, const TRect& Rect, int State, bool Active, bool Pressed, bool Flat,
                      bool Enabled);

// The check-box glyph's rectangle inside a cell: its size cut to the cell,
// placed by the alignment and the layout.
TRect AdjustCheckBoxRect(const TRect& ClientRect, TAlignment Alignment, TTextLayout Layout);
// One image of the list centred in Rect (clipped to it), blended with the
// highlight colour when Selected. Nothing without a list or image.
void DrawClippedImage(TCanvas& Canvas, const TRect& Rect, const TImageList* Images, int ImageIndex, bool Selected);
// A tree-line element centred in Rect. Kinds 0..5 draw a node box (0..2
// with a minus, 3..5 with a plus) with its connectors: right always, up for
// 0, 1, 3, 4 and down for 0, 2, 3, 5; kinds 6..9 draw connectors only: 6 a
// full vertical line and right, 7 top to centre and right, 8 centre to
// bottom and right, 9 a full vertical line. Dotted lines keep their dots on
// pixels whose x + y parity, exclusive-or DotParity, is even.
void DrawTreeElement(TCanvas& Canvas, const TRect& Rect, int Kind, bool RightToLeft, double ScaleX, double ScaleY,
                     bool DotParity);
// Two presses Interval milliseconds apart at these points make a double
// click.
bool IsDoubleClickMessage(const QPoint& Point1, const QPoint& Point2, qint64 Interval);
