#pragma once
// What the window manager is told about a window's border icons beyond the
// Qt window flags. Some X11 window managers (openbox among them) take the
// minimise and maximise buttons from the window's type alone and ignore the
// Motif hints that the flags become: a dialog window, which has no
// minimise and maximise icons, is marked as a helper window of its owner
// ("_NET_WM_WINDOW_TYPE_TOOLBAR" ahead of its dialog type), which they
// neither offer to minimise nor maximise; it goes and comes back with its
// owner. Elsewhere the mark does nothing.

class QWidget;

// The Qt property of a window's native window that carries the extra type
// (a mask of the X11 platform's window types).
inline constexpr const char* WmWindowTypeProperty = "_q_xcb_wm_window_type";
// The X11 platform's bit for "_NET_WM_WINDOW_TYPE_TOOLBAR".
inline constexpr int WmWindowTypeToolbar = 0x8;

// Marks the window, from its next showing on, as one that has neither a
// minimise nor a maximise icon (see above).
void SetNoMinimizeHint(QWidget& window);
