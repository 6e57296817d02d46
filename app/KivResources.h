#pragma once
// The program's pictures and glyphs (resources/morvane.qrc) live in a static
// library: whoever needs them at run time (the program, the window tests)
// registers them once before the data module is created.

void InitKivResources();

// The application icon from the resources.
class QIcon;
QIcon KivAppIcon();
