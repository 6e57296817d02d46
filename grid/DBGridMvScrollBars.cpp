#include "grid/DBGridMvScrollBars.h"

#include "grid/DBGridMv.h"
#include "platform/Exceptions.h"
#include "platform/MulDiv.h"
#include "platform/StringList.h"

#include <algorithm>

namespace {

// The highest position of the outside horizontal bar.
constexpr int HorzExtRange = 127;

// The grid a bar is attached to, kept on the bar so that a second grid
// cannot take it over.
constexpr char AttachedGridProperty[] = "DBGridMvAttachedGrid";

// Stored layouts find the column interceptors from the start.
const bool ColumnInterceptorsRegistered = [] {
    RegisterClassPropertyInterceptor(&TColumnMv::staticMetaObject, &TColumnMvPropertyInterceptor::staticMetaObject);
    RegisterClassPropertyInterceptor(&TDBGridColumnsMv::staticMetaObject,
                                     &TColumnsMvPropertyInterceptor::staticMetaObject);
    return true;
}();

int ScrollCode(int Action)
{
    switch (Action) {
    case QAbstractSlider::SliderSingleStepAdd: return SB_LINEDOWN;
    case QAbstractSlider::SliderSingleStepSub: return SB_LINEUP;
    case QAbstractSlider::SliderPageStepAdd: return SB_PAGEDOWN;
    case QAbstractSlider::SliderPageStepSub: return SB_PAGEUP;
    case QAbstractSlider::SliderToMinimum: return SB_TOP;
    case QAbstractSlider::SliderToMaximum: return SB_BOTTOM;
    case QAbstractSlider::SliderMove: return SB_THUMBTRACK;
    default: return -1;
    }
}

} // namespace

// ================================================================ outside bars

TScrollInfo HorzExtScrollInfo(int LeftCol, int FixedCols, int LastLeftCol, int VisibleCols, int ColCount)
{
    TScrollInfo info;
    info.Page = std::max(0, VisibleCols);
    info.Max = VisibleCols + FixedCols >= ColCount ? 0 : HorzExtRange + std::max(0, info.Page - 1);
    // No scrollable span (LeftCol already the last one) is position 0.
    const int span = LastLeftCol - FixedCols;
    info.Pos = span > 0 ? std::clamp(MulDivCeil(LeftCol - FixedCols, HorzExtRange, span), 0, HorzExtRange) : 0;
    return info;
}

void ApplyExtScrollInfo(QScrollBar& Bar, const TScrollInfo& Info, bool Mirrored)
{
    const int page = std::max(1, Info.Page);
    const int last = std::max(Info.Min, Info.Max - page + 1);
    const QSignalBlocker quiet(&Bar);
    Bar.setPageStep(page);
    Bar.setRange(Info.Min, last);
    // The thumb stays under the mouse; the drag's release places it.
    if (Bar.isSliderDown())
        return;
    const int pos = std::clamp(Info.Pos, Info.Min, last);
    Bar.setValue(Mirrored ? Info.Min + last - pos : pos);
}

TDBGridMvScrollBar::~TDBGridMvScrollBar()
{
    DetachExtScrollBar();
}

void TDBGridMvScrollBar::SetExtScrollBar(QScrollBar* Value)
{
    if (Value == FExtScrollBar)
        return;
    if (Value) {
        const QVariant holder = Value->property(AttachedGridProperty);
        if (holder.isValid() && holder.value<QObject*>() && holder.value<QObject*>() != FGrid)
            throw EInvalidOperation(QStringLiteral("Possible ") + Value->objectName() +
                                    QStringLiteral(" already attached to the other control."));
    }
    DetachExtScrollBar();
    if (Value)
        AttachExtScrollBar(Value);
    if (!FGrid)
        return;
    if (FKind == sbVertical)
        FGrid->UpdateScrollBar();
    FGrid->LayoutChanged();
}

bool TDBGridMvScrollBar::ExtScrollBarMirrored() const
{
    return FKind == sbHorizontal && FExtScrollBar && FGrid &&
           FGrid->UseRightToLeftAlignment() != FExtScrollBar->isRightToLeft();
}

void TDBGridMvScrollBar::AttachExtScrollBar(QScrollBar* Bar)
{
    FExtScrollBar = Bar;
    Bar->setProperty(AttachedGridProperty, QVariant::fromValue<QObject*>(FGrid));
    Bar->setVisible(Visible());
    // The bar's requests go to the grid as its own bar's would: each step,
    // the thumb while it is dragged, and where the drag left it.
    FExtConnection = QObject::connect(Bar, &QAbstractSlider::actionTriggered, FGrid,
                                      [this](int action) { ExtScroll(ScrollCode(action)); });
    FExtReleased =
        QObject::connect(Bar, &QAbstractSlider::sliderReleased, FGrid, [this] { ExtScroll(SB_THUMBPOSITION); });
    FExtDestroyed = QObject::connect(Bar, &QObject::destroyed, FGrid, [this] { FExtScrollBar = nullptr; });
}

void TDBGridMvScrollBar::DetachExtScrollBar()
{
    QObject::disconnect(FExtConnection);
    QObject::disconnect(FExtReleased);
    QObject::disconnect(FExtDestroyed);
    if (FExtScrollBar)
        FExtScrollBar->setProperty(AttachedGridProperty, QVariant());
    FExtScrollBar = nullptr;
}

void TDBGridMvScrollBar::ExtScroll(int Code)
{
    const QScrollBar* bar = FExtScrollBar;
    if (!bar || Code < 0)
        return;
    int pos = bar->sliderPosition();
    // The bar then speaks the grid's own way; the grid mirrors nothing more.
    if (ExtScrollBarMirrored()) {
        Code = MirroredScrollCode(Code);
        pos = bar->minimum() + bar->maximum() - pos;
    }
    if (FKind == sbHorizontal) {
        FGrid->HorzScroll(Code, pos, false);
        return;
    }
    FGrid->WMVScroll(Code, pos);
    if (Code != SB_THUMBTRACK)
        FGrid->UpdateScrollBar();
}

void TCustomDBGridMv::WMHScroll(int code, int pos)
{
    HorzScroll(code, pos, true);
}

void TCustomDBGridMv::HorzScroll(int code, int pos, bool UseRightToLeft)
{
    const bool tracked = code == SB_THUMBTRACK && FHorzScrollBar->Tracking;
    ModifyScrollBar(sbHorizontal, tracked ? SB_THUMBPOSITION : code, pos, UseRightToLeft);
    UpdateHorzScrollBarParams();
}

void TCustomDBGridMv::UpdateHorzScrollBarParams()
{
    QScrollBar* bar = FHorzScrollBar->ExtScrollBar();
    if (!bar)
        return;
    TGridDrawInfoMv drawInfo;
    CalcDrawInfo(drawInfo);
    TScrollInfo info;
    if (ColCount() == 1) {
        // A single column scrolls by pixels: the bar runs over its offsets,
        // a page the width it has.
        const int space = ColOffsetRoom(drawInfo);
        if (const int last = MaxColOffset(drawInfo); last > 0)
            info = {0, last + space - 1, space, ColOffset()};
    } else {
        const int lastLeft = CalcMaxTopLeft({ColCount() - 1, RowCount() - 1}, drawInfo).X;
        info = HorzExtScrollInfo(LeftCol(), FixedCols(), lastLeft, VisibleColCount(), ColCount());
    }
    ApplyExtScrollInfo(*bar, info, FHorzScrollBar->ExtScrollBarMirrored());
}

// ================================================================ layout interceptors

QString ColumnsIndexText(const TDBGridColumnsMv& Columns)
{
    QStringList names;
    for (int i = 0; i < Columns.Count(); ++i) {
        QString name = Columns.Items(i)->FieldName();
        names.append(u'"' + name.replace(u'"', QStringLiteral("\"\"")) + u'"');
    }
    return names.join(u',');
}

void ApplyColumnsIndex(TDBGridColumnsMv& Columns, const QString& Text)
{
    const QStringList names = SplitCommaText(Text);
    Columns.BeginUpdate();
    // Position takes the next named column; it only grows by columns
    // actually placed, so it never passes the column count.
    int position = 0;
    for (const QString& name : names) {
        for (int i = position; i < Columns.Count(); ++i) {
            if (Columns.Items(i)->FieldName() == name) {
                if (i != position)
                    Columns.Move(i, position);
                ++position;
                break;
            }
        }
    }
    Columns.EndUpdate();
}

TColumnMvPropertyInterceptor::TColumnMvPropertyInterceptor(QObject* Target) : TStoragePropertyInterceptor(Target)
{
}

TColumnMv* TColumnMvPropertyInterceptor::Column() const
{
    return qobject_cast<TColumnMv*>(Target());
}

int TColumnMvPropertyInterceptor::Width() const
{
    const TColumnMv* column = Column();
    return column ? column->Width() : 0;
}

void TColumnMvPropertyInterceptor::SetWidth(int Value)
{
    TColumnMv* column = Column();
    if (!column)
        return;
    const TCustomDBGridMv* grid = column->Grid();
    if (grid && grid->AutoFitColWidths())
        column->SetAutoFitBaseWidth(Value);
    else
        column->SetWidth(Value);
}

TColumnsMvPropertyInterceptor::TColumnsMvPropertyInterceptor(QObject* Target) : TStoragePropertyInterceptor(Target)
{
}

TDBGridColumnsMv* TColumnsMvPropertyInterceptor::Columns() const
{
    return qobject_cast<TDBGridColumnsMv*>(Target());
}

QString TColumnsMvPropertyInterceptor::ColumnsIndex() const
{
    const TDBGridColumnsMv* columns = Columns();
    return columns ? ColumnsIndexText(*columns) : QString();
}

void TColumnsMvPropertyInterceptor::SetColumnsIndex(const QString& Value)
{
    FColumnsIndex = Value;
    if (TDBGridColumnsMv* columns = Columns())
        ApplyColumnsIndex(*columns, Value);
}
