#include "platform/FrameControls.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>

namespace {

bool GThemesEnabled = true;

// A solid triangle pointing in 'direction' (0 up, 1 down, 2 left, 3 right),
// centred in rect, built from pixel runs so that it looks the same everywhere.
void DrawArrow(TCanvas& canvas, const TRect& rect, unsigned direction, TColor color)
{
    const int size = std::max(2, std::min(rect.Width(), rect.Height()) / 4);
    const int cx = rect.Left + rect.Width() / 2;
    const int cy = rect.Top + rect.Height() / 2;
    const int top = cy - size / 2;
    const int left = cx - size / 2;
    for (int i = 0; i < size; ++i) {
        const int widening = i;               // the run grows away from the tip
        const int narrowing = size - 1 - i;   // the run shrinks toward the tip
        switch (direction) {
        case DFCS_SCROLLUP: canvas.FillRect(TRect(cx - widening, top + i, cx + widening + 1, top + i + 1), color); break;
        case DFCS_SCROLLDOWN: canvas.FillRect(TRect(cx - narrowing, top + i, cx + narrowing + 1, top + i + 1), color); break;
        case DFCS_SCROLLLEFT: canvas.FillRect(TRect(left + i, cy - widening, left + i + 1, cy + widening + 1), color); break;
        default: canvas.FillRect(TRect(left + i, cy - narrowing, left + i + 1, cy + narrowing + 1), color); break;
        }
    }
}

void DrawButtonFace(TCanvas& canvas, TRect& rect, unsigned state)
{
    canvas.FillRect(rect, clBtnFace);
    if (state & (DFCS_PUSHED | DFCS_FLAT)) {
        TRect frame = rect;
        canvas.DrawEdge(frame, BDR_SUNKENOUTER | BDR_RAISEDINNER, BF_RECT | BF_FLAT | BF_ADJUST);
        rect = frame;
    } else {
        canvas.DrawEdge(rect, EDGE_RAISED, BF_RECT | BF_ADJUST);
    }
}

void DrawCheck(TCanvas& canvas, const TRect& rect, unsigned state)
{
    const bool grayed = (state & DFCS_BUTTON3STATE) && (state & DFCS_CHECKED);
    const bool inactive = state & DFCS_INACTIVE;
    TRect box = rect;
    if (state & DFCS_FLAT) {
        canvas.FillRect(TRect(box.Left, box.Top, box.Right, box.Top + 1), clBtnShadow);
        canvas.FillRect(TRect(box.Left, box.Bottom - 1, box.Right, box.Bottom), clBtnShadow);
        canvas.FillRect(TRect(box.Left, box.Top, box.Left + 1, box.Bottom), clBtnShadow);
        canvas.FillRect(TRect(box.Right - 1, box.Top, box.Right, box.Bottom), clBtnShadow);
        box = box.Inflate(-1, -1);
    } else {
        canvas.DrawEdge(box, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    }
    canvas.FillRect(box, (inactive || grayed || (state & DFCS_PUSHED)) ? clBtnFace : clWindow);
    if (!(state & DFCS_CHECKED))
        return;
    const TColor mark = (inactive || grayed) ? clBtnShadow : clWindowText;
    // A tick: three pixels high, down two steps from the left, then up.
    const int w = box.Width();
    const int h = box.Height();
    const int unit = std::max(1, std::min(w, h) / 9);
    const int x0 = box.Left + (w - 7 * unit) / 2;
    const int y0 = box.Top + (h - 7 * unit) / 2;
    const int offsets[7] = {2, 3, 4, 3, 2, 1, 0};
    for (int i = 0; i < 7; ++i) {
        const int x = x0 + i * unit;
        const int y = y0 + offsets[i] * unit;
        canvas.FillRect(TRect(x, y, x + unit, y + 3 * unit), mark);
    }
}

} // namespace

bool ThemesEnabled()
{
    return GThemesEnabled;
}

void SetThemesEnabled(bool enabled)
{
    GThemesEnabled = enabled;
}

void DrawFrameControl(TCanvas& canvas, const TRect& rect, unsigned kind, unsigned state)
{
    if (rect.IsEmpty())
        return;
    if (kind == DFC_BUTTON) {
        if (state & DFCS_BUTTONPUSH) {
            TRect face = rect;
            DrawButtonFace(canvas, face, state);
            return;
        }
        DrawCheck(canvas, rect, state);
        return;
    }
    if (kind == DFC_SCROLL) {
        TRect face = rect;
        DrawButtonFace(canvas, face, state);
        unsigned direction = state & 0xF;
        if (direction == DFCS_SCROLLCOMBOBOX)
            direction = DFCS_SCROLLDOWN;
        TRect glyph = face;
        if (state & DFCS_PUSHED)
            glyph = glyph.Offset(1, 1);
        if (state & DFCS_INACTIVE) {
            DrawArrow(canvas, glyph.Offset(1, 1), direction, clBtnHighlight);
            DrawArrow(canvas, glyph, direction, clBtnShadow);
        } else {
            DrawArrow(canvas, glyph, direction, clBtnText);
        }
    }
}

void DrawThemeElement(TCanvas& canvas, TThemedElement element, TThemedState state, const TRect& rect,
                      int checkState)
{
    QPainter* painter = canvas.Painter();
    if (!painter || rect.IsEmpty())
        return;
    QStyle* style = QApplication::style();
    QStyle::State flags = QStyle::State_None;
    if (state != tsDisabled)
        flags |= QStyle::State_Enabled;
    if (state == tsHot)
        flags |= QStyle::State_MouseOver;
    flags |= state == tsPressed ? QStyle::State_Sunken : QStyle::State_Raised;
    // Styles take a disabled part's colours from the palette's group.
    QPalette palette = canvas.Palette();
    if (state == tsDisabled)
        palette.setCurrentColorGroup(QPalette::Disabled);

    switch (element) {
    case teHeaderItem: {
        QStyleOptionHeader option;
        option.rect = rect.ToQRect();
        option.palette = palette;
        option.state = flags | QStyle::State_Horizontal;
        style->drawControl(QStyle::CE_HeaderSection, &option, painter);
        break;
    }
    case teToolButton: {
        // A flat button: only its hot or pressed states show a panel.
        QStyleOptionToolButton option;
        option.rect = rect.ToQRect();
        option.palette = palette;
        option.state = flags | QStyle::State_AutoRaise;
        style->drawPrimitive(QStyle::PE_PanelButtonTool, &option, painter);
        break;
    }
    case tePushButton:
    case teComboDropDown:
    case teSpinUp:
    case teSpinDown: {
        QStyleOptionButton option;
        option.rect = rect.ToQRect();
        option.palette = palette;
        option.state = flags;
        style->drawPrimitive(QStyle::PE_PanelButtonCommand, &option, painter);
        if (element == tePushButton)
            break;
        QStyleOption arrow;
        const int inset = std::max(2, std::min(rect.Width(), rect.Height()) / 4);
        arrow.rect = rect.Inflate(-inset, -inset).ToQRect();
        arrow.palette = palette;
        arrow.state = flags;
        style->drawPrimitive(element == teSpinUp ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown, &arrow,
                             painter);
        break;
    }
    case teCheckBox: {
        QStyleOptionButton option;
        option.rect = rect.ToQRect();
        option.palette = palette;
        option.state = flags | (checkState == 1 ? QStyle::State_On : checkState == 2 ? QStyle::State_NoChange
                                                                                      : QStyle::State_Off);
        style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, painter);
        break;
    }
    }
}
