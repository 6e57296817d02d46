// The speed button and the button control placed inside an edit.

#include "gridbase/ToolCtrlsMv.h"

#include "platform/Control.h"
#include "platform/FrameControls.h"

#include <QApplication>
#include <QEnterEvent>
#include <QIcon>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <algorithm>

namespace {

TMouseButton ButtonOf(Qt::MouseButton button)
{
    switch (button) {
    case Qt::RightButton: return mbRight;
    case Qt::MiddleButton: return mbMiddle;
    default: return mbLeft;
    }
}

constexpr int InitRepeatPause = 400;
constexpr int RepeatPause = 100;
constexpr int GlyphSpacing = 4;

} // namespace

// ---------------------------------------------------------------- TSpeedButton

TSpeedButton::TSpeedButton(QWidget* Parent) : QWidget(Parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_Hover);
    resize(23, 22);
}

TSpeedButton::~TSpeedButton() = default;

void TSpeedButton::SetCaption(const QString& Value)
{
    if (FCaption == Value)
        return;
    FCaption = Value;
    Invalidate();
}

void TSpeedButton::SetGlyph(const QPixmap& Value)
{
    FGlyph = Value;
    Invalidate();
}

void TSpeedButton::SetNumGlyphs(int Value)
{
    Value = std::clamp(Value, 1, 4);
    if (FNumGlyphs == Value)
        return;
    FNumGlyphs = Value;
    Invalidate();
}

void TSpeedButton::SetLayout(TButtonLayout Value)
{
    if (FLayout == Value)
        return;
    FLayout = Value;
    Invalidate();
}

void TSpeedButton::SetFlat(bool Value)
{
    if (FFlat == Value)
        return;
    FFlat = Value;
    Invalidate();
}

void TSpeedButton::SetFontColor(TColor Value)
{
    if (FFontColor == Value)
        return;
    FFontColor = Value;
    Invalidate();
}

void TSpeedButton::SetDown(bool Value)
{
    if (FGroupIndex == 0)
        Value = false;
    if (Value == FDown)
        return;
    if (FDown && !FAllowAllUp)
        return;
    FDown = Value;
    FState = Value ? bsExclusive : bsUp;
    Invalidate();
    if (Value)
        UpdateExclusive();
}

void TSpeedButton::SetGroupIndex(int Value)
{
    if (FGroupIndex == Value)
        return;
    FGroupIndex = Value;
    UpdateExclusive();
}

void TSpeedButton::UpdateExclusive()
{
    if (FGroupIndex == 0 || !FDown || !parentWidget())
        return;
    // One button of a group is down at a time.
    for (QObject* child : parentWidget()->children()) {
        auto* other = dynamic_cast<TSpeedButton*>(child);
        if (!other || other == this || other->FGroupIndex != FGroupIndex || !other->FDown)
            continue;
        other->FDown = false;
        other->FState = bsUp;
        other->Invalidate();
    }
}

void TSpeedButton::SetState(TButtonState Value)
{
    if (FState == Value)
        return;
    FState = Value;
    Invalidate();
}

TColor TSpeedButton::ParentColor() const
{
    QWidget* parent = parentWidget();
    if (!parent)
        return clBtnFace;
    if (auto* control = dynamic_cast<TCustomControl*>(parent))
        return control->Color();
    if (auto* control = dynamic_cast<TCustomControl*>(parent->parentWidget());
        control && control->ClientWidget() == parent)
        return control->Color();
    return FromQColor(parent->palette().color(parent->backgroundRole()));
}

void TSpeedButton::Click()
{
    if (OnClick)
        OnClick(this);
}

// ---------------------------------------------------------------- painting

void TSpeedButton::paintEvent(QPaintEvent* event)
{
    FCanvas.Begin(this, event->region(), palette());
    FCanvas.Font = TFont(font(), FFontColor);
    Paint(FCanvas);
    FCanvas.End();
}

void TSpeedButton::Paint(TCanvas& Canvas)
{
    PaintButton(Canvas);
}

void TSpeedButton::PaintButton(TCanvas& Canvas)
{
    const TButtonState state = State();
    const bool pressed = state == bsDown || state == bsExclusive;
    const TRect client = ClientRect();
    TRect face = client;
    if (ThemesEnabled()) {
        Canvas.FillRect(client, FFlat ? ParentColor() : clBtnFace);
        const TThemedState themed = state == bsDisabled ? tsDisabled
                                    : pressed           ? tsPressed
                                    : FMouseInControl   ? tsHot
                                                        : tsNormal;
        if (!FFlat || pressed || FMouseInControl)
            DrawThemeElement(Canvas, FFlat ? teToolButton : tePushButton, themed, client);
        face = client.Inflate(-2, -2);
    } else if (!FFlat) {
        DrawFrameControl(Canvas, client, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
        face = client.Inflate(-2, -2);
    } else {
        Canvas.FillRect(client, clBtnFace);
        if (pressed || (FMouseInControl && state != bsDisabled)) {
            TRect edge = client;
            Canvas.DrawEdge(edge, pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
        }
        face = client.Inflate(-1, -1);
    }
    if (state == bsExclusive && (!FFlat || !FMouseInControl) && Canvas.Painter()) {
        // A button held down shows the checked dither.
        Canvas.FillRect(face, clBtnFace);
        Canvas.Painter()->fillRect(face.ToQRect(), QBrush(Canvas.QtColor(clBtnHighlight), Qt::Dense4Pattern));
    }
    DrawGlyphAndCaption(Canvas, face, pressed ? 1 : 0);
}

QPixmap TSpeedButton::GlyphFor(TButtonState State) const
{
    if (FGlyph.isNull())
        return {};
    const int cell = FGlyph.width() / FNumGlyphs;
    int index = 0;
    switch (State) {
    case bsDisabled: index = FNumGlyphs > 1 ? 1 : 0; break;
    case bsDown: index = FNumGlyphs > 2 ? 2 : 0; break;
    case bsExclusive: index = FNumGlyphs > 3 ? 3 : 0; break;
    case bsUp: break;
    }
    QPixmap image = FGlyph.copy(index * cell, 0, cell, FGlyph.height());
    if (State == bsDisabled && FNumGlyphs == 1)
        image = QIcon(image).pixmap(image.size(), QIcon::Disabled);
    return image;
}

void TSpeedButton::DrawGlyphAndCaption(TCanvas& Canvas, const TRect& Rect, int Offset)
{
    const TButtonState state = State();
    const QPixmap glyph = GlyphFor(state);
    const QSize glyphSize = glyph.isNull() ? QSize() : glyph.size();
    const QSize textSize = FCaption.isEmpty() ? QSize() : Canvas.TextExtent(FCaption);
    const int spacing = !glyph.isNull() && !FCaption.isEmpty() ? GlyphSpacing : 0;
    const bool across = FLayout == blGlyphLeft || FLayout == blGlyphRight;
    const int total = across ? glyphSize.width() + spacing + textSize.width()
                             : glyphSize.height() + spacing + textSize.height();
    const int start = across ? Rect.Left + (Rect.Width() - total) / 2 : Rect.Top + (Rect.Height() - total) / 2;
    QPoint glyphAt;
    QPoint textAt;
    if (across) {
        const bool glyphFirst = FLayout == blGlyphLeft;
        const int gx = glyphFirst ? start : start + textSize.width() + spacing;
        const int tx = glyphFirst ? start + glyphSize.width() + spacing : start;
        glyphAt = QPoint(gx, Rect.Top + (Rect.Height() - glyphSize.height()) / 2);
        textAt = QPoint(tx, Rect.Top + (Rect.Height() - textSize.height()) / 2);
    } else {
        const bool glyphFirst = FLayout == blGlyphTop;
        const int gy = glyphFirst ? start : start + textSize.height() + spacing;
        const int ty = glyphFirst ? start + glyphSize.height() + spacing : start;
        glyphAt = QPoint(Rect.Left + (Rect.Width() - glyphSize.width()) / 2, gy);
        textAt = QPoint(Rect.Left + (Rect.Width() - textSize.width()) / 2, ty);
    }
    glyphAt += QPoint(Offset, Offset);
    textAt += QPoint(Offset, Offset);
    if (!glyph.isNull())
        Canvas.Draw(glyphAt.x(), glyphAt.y(), glyph);
    if (FCaption.isEmpty())
        return;
    TClipSaver clip(Canvas);
    Canvas.IntersectClipRect(Rect);
    Canvas.Brush.Style = bsClear;
    if (state == bsDisabled) {
        Canvas.Font.Color = clBtnHighlight;
        Canvas.TextOut(textAt.x() + 1, textAt.y() + 1, FCaption);
        Canvas.Font.Color = clBtnShadow;
    } else {
        Canvas.Font.Color = FFontColor;
    }
    Canvas.TextOut(textAt.x(), textAt.y(), FCaption);
    Canvas.Brush.Style = bsSolid;
}

// ---------------------------------------------------------------- mouse

void TSpeedButton::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    MouseDown(ButtonOf(event->button()), ShiftStateOf(event->modifiers(), event->buttons()), p.x(), p.y());
}

void TSpeedButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a quick pair presses the button again.
    const QPoint p = event->position().toPoint();
    MouseDown(ButtonOf(event->button()), ShiftStateOf(event->modifiers(), event->buttons()) | ssDouble, p.x(), p.y());
}

void TSpeedButton::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    MouseMove(ShiftStateOf(event->modifiers(), event->buttons()), p.x(), p.y());
}

void TSpeedButton::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    MouseUp(ButtonOf(event->button()), ShiftStateOf(event->modifiers(), event->buttons()), p.x(), p.y());
}

void TSpeedButton::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    FMouseInControl = true;
    if (FFlat)
        Invalidate();
}

void TSpeedButton::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    FMouseInControl = false;
    if (FFlat)
        Invalidate();
}

void TSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (OnMouseDown)
        OnMouseDown(this, Button, Shift, X, Y);
    if (Button != mbLeft || !isEnabled())
        return;
    if (!FDown)
        SetState(bsDown);
    FDragging = true;
}

void TSpeedButton::MouseMove(TShiftState Shift, int X, int Y)
{
    if (OnMouseMove)
        OnMouseMove(this, Shift, X, Y);
    if (!FDragging)
        return;
    TButtonState state = FDown ? bsExclusive : bsUp;
    if (ClientRect().Contains(X, Y))
        state = FDown ? bsExclusive : bsDown;
    SetState(state);
}

void TSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (OnMouseUp)
        OnMouseUp(this, Button, Shift, X, Y);
    if (!FDragging || Button != mbLeft)
        return;
    FDragging = false;
    const bool doClick = ClientRect().Contains(X, Y);
    if (FGroupIndex == 0) {
        SetState(bsUp);
    } else if (doClick) {
        SetDown(!FDown);
        if (FDown)
            SetState(bsExclusive);
    } else {
        SetState(FDown ? bsExclusive : bsUp);
    }
    if (doClick)
        Click();
}

// ---------------------------------------------------------------- TEditButtonControlMv

TEditButtonControlMv::TEditButtonControlMv(QWidget* Parent) : TSpeedButton(Parent)
{
}

TEditButtonControlMv::~TEditButtonControlMv() = default;

void TEditButtonControlMv::SetActive(bool Value)
{
    if (FActive == Value)
        return;
    FActive = Value;
    Invalidate();
}

void TEditButtonControlMv::SetStyle(TEditButtonStyleMv Value)
{
    if (FStyle == Value)
        return;
    FStyle = Value;
    Invalidate();
}

void TEditButtonControlMv::SetAlwaysDown(bool Value)
{
    FAlwaysDown = Value;
    if (Value) {
        SetGroupIndex(1);
        SetDown(true);
        SetAllowAllUp(false);
        FDownButton = 1;
    } else {
        SetAllowAllUp(true);
        SetDown(false);
        SetGroupIndex(0);
        FDownButton = 0;
    }
    Invalidate();
}

void TEditButtonControlMv::EditButtonDown(bool TopButton, bool& AutoRepeat)
{
    bool handled = false;
    if (OnDown)
        OnDown(this, TopButton, AutoRepeat, handled);
}

void TEditButtonControlMv::PopupMenu(QMenu* Menu)
{
    QPoint at = mapToGlobal(QPoint(0, height()));
    if (Menu->layoutDirection() == Qt::RightToLeft)
        at = mapToGlobal(QPoint(width(), height())) - QPoint(Menu->sizeHint().width(), 0);
    Menu->popup(at);
    const QPointF outside(-1, -1);
    QMouseEvent release(QEvent::MouseButtonRelease, outside, outside, mapToGlobal(outside), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(this, &release);
}

void TEditButtonControlMv::Click()
{
    if (!FNoClick)
        TSpeedButton::Click();
}

void TEditButtonControlMv::UpdateDownButton(int Y)
{
    const TButtonState state = RawState();
    int down = 0;
    if (state == bsDown || state == bsExclusive) {
        const int h = height();
        if (FStyle == ebsUpDownMv)
            down = Y < h / 2 ? 1 : Y > h - h / 2 ? 2 : 0;
        else
            down = 1;
    }
    if (down != FDownButton) {
        FDownButton = down;
        Invalidate();
    }
}

void TEditButtonControlMv::ResetTimer(int Interval)
{
    if (!FButtonTimer) {
        FButtonTimer = new QTimer(this);
        QObject::connect(FButtonTimer, &QTimer::timeout, this, [this] { ButtonTimerExpired(); });
    }
    if (FButtonTimer->isActive() && FButtonTimer->interval() == Interval)
        return;
    FButtonTimer->stop();
    FButtonTimer->setInterval(Interval);
    FButtonTimer->start();
}

void TEditButtonControlMv::StopTimer()
{
    if (FButtonTimer)
        FButtonTimer->stop();
}

void TEditButtonControlMv::ButtonTimerExpired()
{
    if (RawState() != bsDown)
        return;
    if (FButtonTimer && FButtonTimer->interval() == InitRepeatPause)
        ResetTimer(RepeatPause);
    bool autoRepeat = FStyle == ebsUpDownMv;
    EditButtonDown(FDownButton == 1, autoRepeat);
    if (!autoRepeat)
        StopTimer();
}

void TEditButtonControlMv::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    bool autoRepeat = FStyle == ebsUpDownMv;
    TSpeedButton::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft)
        return;
    UpdateDownButton(Y);
    if (FDownButton > 0) {
        EditButtonDown(FDownButton == 1, autoRepeat);
        if (autoRepeat)
            ResetTimer(InitRepeatPause);
    }
}

void TEditButtonControlMv::MouseMove(TShiftState Shift, int X, int Y)
{
    TSpeedButton::MouseMove(Shift, X, Y);
    if (FStyle != ebsUpDownMv || RawState() != bsDown || !Dragging())
        return;
    // Leaving the pressed half releases the button.
    const int h = height();
    if ((Y < h / 2 && FDownButton == 2) || (Y > h - h / 2 && FDownButton == 1))
        SetState(bsUp);
}

void TEditButtonControlMv::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    FNoClick = FStyle == ebsUpDownMv && RawState() != bsDown;
    TSpeedButton::MouseUp(Button, Shift, X, Y);
    FNoClick = false;
    UpdateDownButton(Y);
    StopTimer();
}

void TEditButtonControlMv::Paint(TCanvas& Canvas)
{
    const TButtonState state = State();
    const bool down = state == bsDown || state == bsExclusive;
    if (FStyle != ebsGlyphMv) {
        // Themed flat faces may leave their background to what lies below.
        Canvas.FillRect(ClientRect(), ParentColor());
        PaintEditButton(Canvas, ClientRect(), ParentColor(), 0, isEnabled(), FActive, Flat(), down ? FDownButton : 0,
                        EditButtonDrawKind(FStyle));
        return;
    }
    if (ThemesEnabled() || !Flat()) {
        PaintButton(Canvas);
        return;
    }
    {
        TClipSaver clip(Canvas);
        Canvas.IntersectClipRect(ClientRect().Inflate(-1, -1));
        PaintButton(Canvas);
    }
    TRect edge = ClientRect();
    if (FActive) {
        Canvas.DrawEdge(edge, down ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
    } else {
        Canvas.Brush = TBrush{ParentColor(), bsSolid};
        Canvas.FrameRect(edge);
    }
}
