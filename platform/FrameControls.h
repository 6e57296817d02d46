#pragma once
// Buttons, arrows and check boxes in two looks behind one switch:
// - the classic look, drawn by our own code from the palette's 3-D colours
//   (DrawFrameControl), pixel for pixel the same on every machine;
// - the themed look of the running Qt style (DrawThemeElement).
// Callers ask ThemesEnabled() and draw one or the other, as a program asks
// whether visual styles are active. Tests switch themes off for stable pixels.

#include "platform/Canvas.h"

// The one switch: true in the program, until something turns it off.
bool ThemesEnabled();
void SetThemesEnabled(bool enabled);

// Frame-control kinds and states.
constexpr unsigned DFC_SCROLL = 3;
constexpr unsigned DFC_BUTTON = 4;
constexpr unsigned DFCS_BUTTONCHECK = 0x0000;
constexpr unsigned DFCS_BUTTONRADIO = 0x0004;
constexpr unsigned DFCS_BUTTON3STATE = 0x0008;
constexpr unsigned DFCS_BUTTONPUSH = 0x0010;
constexpr unsigned DFCS_SCROLLUP = 0x0000;
constexpr unsigned DFCS_SCROLLDOWN = 0x0001;
constexpr unsigned DFCS_SCROLLLEFT = 0x0002;
constexpr unsigned DFCS_SCROLLRIGHT = 0x0003;
constexpr unsigned DFCS_SCROLLCOMBOBOX = 0x0005;
constexpr unsigned DFCS_INACTIVE = 0x0100;
constexpr unsigned DFCS_PUSHED = 0x0200;
constexpr unsigned DFCS_CHECKED = 0x0400;
constexpr unsigned DFCS_HOT = 0x1000;
constexpr unsigned DFCS_FLAT = 0x4000;
constexpr unsigned DFCS_MONO = 0x8000;

// Classic look: a push button, a scroll or combo arrow button, a check box
// (DFCS_CHECKED ticks it; with DFCS_BUTTON3STATE too it is grayed).
void DrawFrameControl(TCanvas& canvas, const TRect& rect, unsigned kind, unsigned state);

// Themed look.
enum TThemedElement { teHeaderItem, tePushButton, teToolButton, teComboDropDown, teSpinUp, teSpinDown, teCheckBox };
enum TThemedState { tsNormal, tsHot, tsPressed, tsDisabled };
// checkState: 0 unchecked, 1 checked, 2 grayed (check boxes only).
void DrawThemeElement(TCanvas& canvas, TThemedElement element, TThemedState state, const TRect& rect,
                      int checkState = 0);
