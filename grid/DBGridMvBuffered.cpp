// Buffered painting of the dataset grid: in the themed three-dimensional
// look (and for tree rows with row lines) the grid draws a paint whole into
// its own bitmap and copies it to the window at once, so the raised fixed
// cells and the lines never show half drawn.

#include "grid/DBGridMv.h"
#include "platform/FrameControls.h"

namespace {

bool& Forbidden()
{
    static bool forbidden = false;
    return forbidden;
}

} // namespace

bool TCustomDBGridMv::BufferedPaintForbidden()
{
    return Forbidden();
}

void TCustomDBGridMv::SetBufferedPaintForbidden(bool Value)
{
    Forbidden() = Value;
}

bool TCustomDBGridMv::IsBufferedLook() const
{
    if (ThemedHeaders())
        return true;
    return TreeRows() && FOptions.testFlag(dgRowLines);
}

bool TCustomDBGridMv::PaintsBuffered()
{
    // A locked paint draws nothing; the area stays invalid until unlocked.
    if (PaintLocked())
        return false;
    // Once seen, the look keeps the grid buffering for its life.
    if (!FPaintBuffered && IsBufferedLook() && !Forbidden())
        FPaintBuffered = true;
    return FPaintBuffered;
}
