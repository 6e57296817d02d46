#include "platform/Colors.h"

#include <QGuiApplication>

namespace {

struct SystemRole {
    QPalette::ColorGroup Group;
    QPalette::ColorRole Role;
};

// Where each system colour lives in a QPalette. The 3-D colours follow Qt's
// light-to-dark ladder: Light (highlight), Midlight (3-D light), Button
// (face), Dark (shadow), Shadow (dark shadow).
SystemRole RoleOf(int index)
{
    using P = QPalette;
    switch (index) {
    case 0: return {P::Active, P::Button};
    case 1: return {P::Active, P::Window};
    case 2: return {P::Active, P::Highlight};
    case 3: return {P::Active, P::Mid};
    case 4: return {P::Active, P::Window};
    case 5: return {P::Active, P::Base};
    case 6: return {P::Active, P::WindowText};
    case 7: return {P::Active, P::WindowText};
    case 8: return {P::Active, P::Text};
    case 9: return {P::Active, P::HighlightedText};
    case 10: return {P::Active, P::Button};
    case 11: return {P::Active, P::Button};
    case 12: return {P::Active, P::Mid};
    case 13: return {P::Active, P::Highlight};
    case 14: return {P::Active, P::HighlightedText};
    case 15: return {P::Active, P::Button};
    case 16: return {P::Active, P::Dark};
    case 17: return {P::Disabled, P::Text};
    case 18: return {P::Active, P::ButtonText};
    case 19: return {P::Disabled, P::WindowText};
    case 20: return {P::Active, P::Light};
    case 21: return {P::Active, P::Shadow};
    case 22: return {P::Active, P::Midlight};
    case 23: return {P::Active, P::ToolTipText};
    case 24: return {P::Active, P::ToolTipBase};
    case 26: return {P::Active, P::Link};
    case 27: return {P::Active, P::Highlight};
    case 28: return {P::Active, P::Mid};
    case 29: return {P::Active, P::Highlight};
    case 30: return {P::Active, P::Window};
    default: return {P::Active, P::Window};
    }
}

} // namespace

TColor FromQColor(const QColor& color)
{
    return RGBColor(color.red(), color.green(), color.blue());
}

TColor ColorToRGB(TColor color, const QPalette& palette)
{
    if (!IsSystemColor(color))
        return color;
    const SystemRole r = RoleOf(color & 0xFF);
    return FromQColor(palette.color(r.Group, r.Role));
}

TColor ColorToRGB(TColor color)
{
    return ColorToRGB(color, QGuiApplication::palette());
}

QColor ToQColor(TColor color, const QPalette& palette)
{
    if (color == clNone || color == clDefault)
        return QColor(Qt::transparent);
    const TColor rgb = ColorToRGB(color, palette);
    return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

QColor ToQColor(TColor color)
{
    return ToQColor(color, QGuiApplication::palette());
}
