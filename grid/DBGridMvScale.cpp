// Scaling the dataset grid for another screen resolution: the fonts the grid
// and its columns hold themselves, and the column widths.

#include "grid/DBGridMv.h"
#include "platform/MulDiv.h"

namespace {

TFont Scaled(TFont Font, int M, int D)
{
    if (Font.pointSize() > 0)
        Font.setPointSize(std::max(1, MulDiv(Font.pointSize(), M, D)));
    else if (Font.pixelSize() > 0)
        Font.setPixelSize(std::max(1, MulDiv(Font.pixelSize(), M, D)));
    return Font;
}

} // namespace

void TCustomDBGridMv::ChangeScale(int M, int D)
{
    if (M == D || D == 0)
        return;
    if (!FParentFont) {
        // The title font follows the grid's font at the new scale.
        TFont title = FTitleFont;
        const TFont scaledFont = Scaled(Font(), M, D);
        if (scaledFont.pointSize() > 0)
            title.setPointSize(scaledFont.pointSize());
        else if (scaledFont.pixelSize() > 0)
            title.setPixelSize(scaledFont.pixelSize());
        SetTitleFont(title);
        SetFooterFont(Scaled(FFooterFont, M, D));
    }
    FColumns->BeginUpdate();
    // Widths scale on the running total, so rounding does not add up
    // across the columns.
    int sum = 0;
    int previous = 0;
    for (int i = 0; i < FColumns->Count(); ++i) {
        TColumnMv* column = FColumns->Items(i);
        if (column->AssignedValues().testFlag(cvFont))
            column->SetFont(Scaled(column->Font(), M, D));
        if (column->AssignedValues().testFlag(cvTitleFont))
            column->Title().SetFont(Scaled(column->Title().Font(), M, D));
        if (column->Footer().FontAssigned())
            column->Footer().SetFont(Scaled(column->Footer().Font(), M, D));
        for (int f = 0; f < column->Footers().Count(); ++f) {
            TColumnFooterMv* footer = column->Footers().Items(f);
            if (footer->FontAssigned())
                footer->SetFont(Scaled(footer->Font(), M, D));
        }
        sum += column->Width();
        const int scaled = MulDiv(sum, M, D);
        column->SetWidth(scaled - previous);
        previous = scaled;
    }
    FColumns->EndUpdate();
    setFont(Scaled(Font(), M, D));
}
