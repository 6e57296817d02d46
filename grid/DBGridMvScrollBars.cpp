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
    info.Min = 0;
    info.Page = std::max(0, VisibleCols);
    info.Max = VisibleCols + FixedCols >= ColCount ? 0 : HorzExtRange;
    // No scrollable span (LeftCol already the last one) is position 0.
    const int span = LastLeftCol - FixedCols;
    info.Pos = span > 0 ? std::clamp(MulDiv(LeftCol - FixedCols, HorzExtRange, span), 0, HorzExtRange) : 0;
    info.Min = std::min(info.Min, info.Max);
    return info;
}

void ApplyExtScrollInfo(QScrollBar& Bar, const TScrollInfo& Info)
{
    const int page = std::max(1, Info.Page);
    const int last = std::max(Info.Min, Info.Max - page + 1);
    const QSignalBlocker quiet(&Bar);
    Bar.setPageStep(page);
    Bar.setRange(std::min(Info.Min, last), last);
    Bar.setValue(Info.Pos);
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

void TDBGridMvScrollBar::AttachExtScrollBar(QScrollBar* Bar)
{
    FExtScrollBar = Bar;
    Bar->setProperty(AttachedGridProperty, QVariant::fromValue<QObject*>(FGrid));
    Bar->setVisible(Visible());
    TCustomDBGridMv* grid = FGrid;
    const TScrollBarKind kind = FKind;
    // The bar's requests go to the grid as its own bar's would; the bar then
    // shows what the grid made of them.
    FExtConnection = QObject::connect(Bar, &QAbstractSlider::actionTriggered, grid, [grid, kind, Bar](int action) {
        const int code = ScrollCode(action);
        if (code < 0)
            return;
        if (kind == sbHorizontal)
            grid->WMHScroll(code, Bar->sliderPosition());
        else
            grid->WMVScroll(code, Bar->sliderPosition());
        if (code != SB_THUMBTRACK) {
            if (kind == sbHorizontal)
                grid->UpdateHorzScrollBarParams();
            else
                grid->UpdateScrollBar();
        }
    });
    FExtDestroyed = QObject::connect(Bar, &QObject::destroyed, grid, [this] { FExtScrollBar = nullptr; });
}

void TDBGridMvScrollBar::DetachExtScrollBar()
{
    QObject::disconnect(FExtConnection);
    QObject::disconnect(FExtDestroyed);
    if (FExtScrollBar)
        FExtScrollBar->setProperty(AttachedGridProperty, QVariant());
    FExtScrollBar = nullptr;
}

void TCustomDBGridMv::UpdateHorzScrollBarParams()
{
    QScrollBar* bar = FHorzScrollBar->ExtScrollBar();
    if (!bar)
        return;
    TGridDrawInfoMv drawInfo;
    CalcDrawInfo(drawInfo);
    const int lastLeft = CalcMaxTopLeft({ColCount() - 1, RowCount() - 1}, drawInfo).X;
    const TScrollInfo info = HorzExtScrollInfo(LeftCol(), FixedCols(), lastLeft, VisibleColCount(), ColCount());
    ApplyExtScrollInfo(*bar, info);
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
