// Footers of the dataset grid's columns with their sum items, the grid's sum
// list, the text of a footer cell, and the grid-wide column defaults.

#include "grid/DBGridMv.h"

#include "platform/Format.h"

#include <cmath>

// ---------------------------------------------------------------- footer

TColumnFooterMv::TColumnFooterMv(TColumnFootersMv* Collection) : FColumn(Collection->Column())
{
    FFont = DefaultFont();
    RepaintFooters();
}

TColumnFooterMv::TColumnFooterMv(TColumnMv* Column) : FColumn(Column)
{
    FFont = DefaultFont();
}

TColumnFooterMv::~TColumnFooterMv()
{
    RepaintFooters();
    if (FDBSum) {
        if (TCustomDBGridMv* grid = FColumn->Grid()) {
            TDBSumCollection& sums = grid->SumList().SumCollection();
            for (int i = 0; i < sums.Count(); ++i)
                if (sums.Items(i) == FDBSum) {
                    sums.Delete(i);
                    break;
                }
        }
        FDBSum = nullptr;
    }
}

void TColumnFooterMv::RepaintFooters()
{
    if (TCustomDBGridMv* grid = FColumn ? FColumn->Grid() : nullptr)
        grid->InvalidateFooter();
}

void TColumnFooterMv::Changed()
{
    FColumn->Changed(false);
}

TAlignment TColumnFooterMv::DefaultAlignment() const
{
    TField* field = FColumn->Field();
    return field ? field->Alignment() : taLeftJustify;
}

TColor TColumnFooterMv::DefaultColor() const
{
    TCustomDBGridMv* grid = FColumn->Grid();
    return grid ? grid->FooterColor() : clWindow;
}

TFont TColumnFooterMv::DefaultFont() const
{
    TCustomDBGridMv* grid = FColumn->Grid();
    return grid ? grid->FooterFont() : FColumn->Font();
}

bool TColumnFooterMv::DefaultToolTips() const
{
    TCustomDBGridMv* grid = FColumn->Grid();
    return grid && grid->ColumnDefValues().Footer().ToolTips();
}

TAlignment TColumnFooterMv::Alignment() const
{
    return (FAssigned & AssignedAlignment) ? FAlignment : DefaultAlignment();
}

void TColumnFooterMv::SetAlignment(TAlignment Value)
{
    if ((FAssigned & AssignedAlignment) && Value == FAlignment)
        return;
    FAlignment = Value;
    FAssigned |= AssignedAlignment;
    Changed();
}

TColor TColumnFooterMv::Color() const
{
    return (FAssigned & AssignedColor) ? FColor : DefaultColor();
}

void TColumnFooterMv::SetColor(TColor Value)
{
    if ((FAssigned & AssignedColor) && Value == FColor)
        return;
    FColor = Value;
    FAssigned |= AssignedColor;
    Changed();
}

TFont TColumnFooterMv::Font() const
{
    return (FAssigned & AssignedFont) ? FFont : DefaultFont();
}

void TColumnFooterMv::SetFont(const TFont& Value)
{
    FFont = Value;
    FAssigned |= AssignedFont;
    Changed();
}

bool TColumnFooterMv::ToolTips() const
{
    return (FAssigned & AssignedToolTips) ? FToolTips : DefaultToolTips();
}

void TColumnFooterMv::SetToolTips(bool Value)
{
    FToolTips = Value;
    FAssigned |= AssignedToolTips;
}

void TColumnFooterMv::SetDisplayFormat(const QString& Value)
{
    if (Value == FDisplayFormat)
        return;
    FDisplayFormat = Value;
    Changed();
}

void TColumnFooterMv::SetEndEllipsis(bool Value)
{
    FEndEllipsis = Value;
    Changed();
}

void TColumnFooterMv::SetFieldName(const QString& Value)
{
    FFieldName = Value;
    FColumn->EnsureSumValues();
    Changed();
}

void TColumnFooterMv::SetValue(const QString& Value)
{
    FValue = Value;
    Changed();
}

void TColumnFooterMv::SetValueType(TFooterValueType Value)
{
    if (Value == FValueType)
        return;
    FValueType = Value;
    FColumn->EnsureSumValues();
    Changed();
}

void TColumnFooterMv::SetWordWrap(bool Value)
{
    FWordWrap = Value;
    Changed();
}

void TColumnFooterMv::EnsureSumValue()
{
    TCustomDBGridMv* grid = FColumn->Grid();
    if (!grid)
        return;
    TDBSumCollection& sums = grid->SumList().SumCollection();
    const bool aggregate = FValueType == fvtSum || FValueType == fvtAvg || FValueType == fvtCount;
    if (!FDBSum) {
        if (!aggregate)
            return;
        FDBSum = sums.Add();
    } else if (!aggregate) {
        for (int i = 0; i < sums.Count(); ++i)
            if (sums.Items(i) == FDBSum) {
                sums.Delete(i);
                break;
            }
        FDBSum = nullptr;
        return;
    }
    if (FValueType == fvtCount) {
        FDBSum->SetGroupOperation(goCount);
        FDBSum->SetFieldName(QString());
    } else {
        FDBSum->SetGroupOperation(FValueType == fvtSum ? goSum : goAvg);
        FDBSum->SetFieldName(FFieldName.isEmpty() ? FColumn->FieldName() : FFieldName);
    }
}

void TColumnFooterMv::Assign(const TColumnFooterMv& Source)
{
    if (Source.FAssigned & AssignedAlignment)
        SetAlignment(Source.Alignment());
    if (Source.FAssigned & AssignedColor)
        SetColor(Source.Color());
    if (Source.FAssigned & AssignedFont)
        SetFont(Source.Font());
    SetEndEllipsis(Source.EndEllipsis());
    SetValueType(Source.ValueType());
    SetFieldName(Source.FieldName());
    SetValue(Source.Value());
    SetWordWrap(Source.WordWrap());
    SetDisplayFormat(Source.DisplayFormat());
    // Tool tips are copied as the source shows them, assigned or not.
    SetToolTips(Source.ToolTips());
}

void TColumnFooterMv::RestoreDefaults()
{
    const bool fontAssigned = FAssigned & AssignedFont;
    FAssigned = 0;
    FFont = DefaultFont();
    FColumn->Changed(fontAssigned);
}

QVariantMap TColumnFooterMv::StoredProperties() const
{
    QVariantMap map;
    if (FAssigned & AssignedAlignment)
        map.insert(QStringLiteral("Alignment"), int(FAlignment));
    if (FAssigned & AssignedColor)
        map.insert(QStringLiteral("Color"), FColor);
    if (FAssigned & AssignedFont)
        map.insert(QStringLiteral("Font"), FontToStoredText(FFont));
    if (FAssigned & AssignedToolTips)
        map.insert(QStringLiteral("ToolTips"), FToolTips);
    if (!FDisplayFormat.isEmpty())
        map.insert(QStringLiteral("DisplayFormat"), FDisplayFormat);
    if (FEndEllipsis)
        map.insert(QStringLiteral("EndEllipsis"), true);
    if (!FFieldName.isEmpty())
        map.insert(QStringLiteral("FieldName"), FFieldName);
    if (!FValue.isEmpty())
        map.insert(QStringLiteral("Value"), FValue);
    if (FValueType != fvtNon)
        map.insert(QStringLiteral("ValueType"), int(FValueType));
    if (FWordWrap)
        map.insert(QStringLiteral("WordWrap"), true);
    return map;
}

void TColumnFooterMv::LoadProperties(const QVariantMap& Values)
{
    for (auto it = Values.begin(); it != Values.end(); ++it) {
        const QString& name = it.key();
        const QVariant& v = it.value();
        if (name == u"Alignment")
            SetAlignment(TAlignment(v.toInt()));
        else if (name == u"Color")
            SetColor(TColor(v.toInt()));
        else if (name == u"Font")
            SetFont(FontFromStoredText(v.toString()));
        else if (name == u"ToolTips")
            SetToolTips(v.toBool());
        else if (name == u"DisplayFormat")
            SetDisplayFormat(v.toString());
        else if (name == u"EndEllipsis")
            SetEndEllipsis(v.toBool());
        else if (name == u"FieldName")
            SetFieldName(v.toString());
        else if (name == u"Value")
            SetValue(v.toString());
        else if (name == u"ValueType")
            SetValueType(TFooterValueType(v.toInt()));
        else if (name == u"WordWrap")
            SetWordWrap(v.toBool());
    }
}

// ---------------------------------------------------------------- footer collection

TColumnFooterMv* TColumnFootersMv::Add()
{
    FItems.push_back(std::make_unique<TColumnFooterMv>(this));
    FColumn->Changed(false);
    return FItems.back().get();
}

void TColumnFootersMv::Delete(int Index)
{
    FItems.erase(FItems.begin() + Index);
    FColumn->Changed(false);
}

void TColumnFootersMv::Clear()
{
    if (FItems.empty())
        return;
    FItems.clear();
    FColumn->Changed(false);
}

void TColumnFootersMv::Assign(const TColumnFootersMv& Source)
{
    FItems.clear();
    for (int i = 0; i < Source.Count(); ++i)
        Add()->Assign(*Source.Items(i));
}

// ---------------------------------------------------------------- sum list

TDBGridMvSumList::TDBGridMvSumList(TCustomDBGridMv* Grid) : FGrid(Grid)
{
    SetActive(false);
}

// ---------------------------------------------------------------- footer text

namespace {

bool IsIntegerType(TFieldType type)
{
    return type == ftSmallint || type == ftInteger || type == ftWord || type == ftAutoInc || type == ftLargeint;
}

} // namespace

QString FormatFieldSum(const QString& Format, const TField& Field, double Value)
{
    const TFieldType type = Field.DataType();
    if (IsIntegerType(type))
        return Format.isEmpty() ? QString::number(qint64(std::trunc(Value))) : FormatFloat(Format, Value);
    if (type != ftFloat && type != ftCurrency && type != ftBCD && type != ftFMTBcd)
        return QString();
    if (!Format.isEmpty())
        return FormatFloat(Format, Value);
    // Money in the system's currency format; other numbers in the general
    // format, floats to the field's precision.
    if (Field.Currency())
        return FloatToStrCurrency(Value, FormatSettings.CurrencyDecimals);
    return FloatToStrGeneral(Value, type == ftFloat ? Field.Precision() : 15);
}

QString FormatFooterSum(const TColumnFooterMv& Footer, const TField& Field, double Value)
{
    return FormatFieldSum(!Footer.DisplayFormat().isEmpty() ? Footer.DisplayFormat() : Field.DisplayFormat(), Field,
                          Value);
}

QString FormatFooterCount(const TColumnFooterMv& Footer, double Count)
{
    return Footer.DisplayFormat().isEmpty() ? FloatToStr(Count) : FormatFloat(Footer.DisplayFormat(), Count);
}

QString TCustomDBGridMv::GetFooterValue(int Row, TColumnMv* Column)
{
    if (!Column)
        return QString();
    const TColumnFooterMv& footer = Column->GetFooterForRow(Row);
    TDataSet* dataSet = DataSet();
    switch (footer.ValueType()) {
    case fvtSum:
    case fvtAvg: {
        if (!dataSet)
            return QString();
        const QString name = footer.FieldName().isEmpty() ? Column->FieldName() : footer.FieldName();
        TField* field = dataSet->FindField(name);
        if (!field)
            return QString();
        const TDBSum* sum =
            FSumList->SumCollection().FindSumByOperation(footer.ValueType() == fvtSum ? goSum : goAvg, name);
        if (!sum)
            return QString();
        return FormatFooterSum(footer, *field, sum->SumValue());
    }
    case fvtCount: {
        const TDBSum* sum = FSumList->SumCollection().FindSumByOperation(goCount, QString());
        return FormatFooterCount(footer, sum ? sum->SumValue() : 0.0);
    }
    case fvtFieldValue: {
        if (!dataSet || !dataSet->Active() || footer.FieldName().isEmpty())
            return QString();
        TField* field = dataSet->FindField(footer.FieldName());
        return field ? field->DisplayText() : QString();
    }
    case fvtStaticText: return footer.Value();
    case fvtNon: break;
    }
    return QString();
}

// ---------------------------------------------------------------- column defaults

TColumnDefValuesMv::TColumnDefValuesMv(TCustomDBGridMv* Grid)
    : FGrid(Grid), FTitle(std::make_unique<TColumnTitleDefValuesMv>(this)),
      FFooter(std::make_unique<TColumnFooterDefValuesMv>(this))
{
}

TColumnDefValuesMv::~TColumnDefValuesMv() = default;

void TColumnDefValuesMv::Repaint()
{
    if (FGrid)
        FGrid->Invalidate();
}

void TColumnDefValuesMv::SetBool(bool& Field, bool Value)
{
    if (Field == Value)
        return;
    Field = Value;
    Repaint();
}

void TColumnDefValuesMv::SetLayout(TTextLayout Value)
{
    if (Value == FLayout)
        return;
    FLayout = Value;
    Repaint();
}

void TColumnDefValuesMv::Assign(const TColumnDefValuesMv& Source)
{
    FTitle->Assign(Source.Title());
    SetAlwaysShowEditButton(Source.AlwaysShowEditButton());
    SetEndEllipsis(Source.EndEllipsis());
    SetAutoDropDown(Source.AutoDropDown());
    SetDblClickNextVal(Source.DblClickNextVal());
    SetToolTips(Source.ToolTips());
    SetDropDownSizing(Source.DropDownSizing());
    SetDropDownShowTitles(Source.DropDownShowTitles());
}

TAlignment TColumnTitleDefValuesMv::DefaultAlignment() const
{
    TCustomDBGridMv* grid = FOwner->Grid();
    return grid && grid->UseMultiTitle() ? taCenter : taLeftJustify;
}

TColor TColumnTitleDefValuesMv::DefaultColor() const
{
    TCustomDBGridMv* grid = FOwner->Grid();
    return grid ? grid->FixedColor() : clBtnFace;
}

TAlignment TColumnTitleDefValuesMv::Alignment() const
{
    return (FAssigned & AssignedAlignment) ? FAlignment : DefaultAlignment();
}

void TColumnTitleDefValuesMv::SetAlignment(TAlignment Value)
{
    if ((FAssigned & AssignedAlignment) && Value == FAlignment)
        return;
    FAlignment = Value;
    FAssigned |= AssignedAlignment;
    Relayout();
}

TColor TColumnTitleDefValuesMv::Color() const
{
    return (FAssigned & AssignedColor) ? FColor : DefaultColor();
}

void TColumnTitleDefValuesMv::SetColor(TColor Value)
{
    if ((FAssigned & AssignedColor) && Value == FColor)
        return;
    FColor = Value;
    FAssigned |= AssignedColor;
    Repaint();
}

bool TColumnTitleDefValuesMv::IsAlignmentStored() const
{
    return (FAssigned & AssignedAlignment) && FAlignment != DefaultAlignment();
}

bool TColumnTitleDefValuesMv::IsColorStored() const
{
    return (FAssigned & AssignedColor) && FColor != DefaultColor();
}

void TColumnTitleDefValuesMv::SetEndEllipsis(bool Value)
{
    if (Value == FEndEllipsis)
        return;
    FEndEllipsis = Value;
    Repaint();
}

void TColumnTitleDefValuesMv::SetOrientation(TTextOrientationMv Value)
{
    if (Value == FOrientation)
        return;
    FOrientation = Value;
    Relayout();
}

void TColumnTitleDefValuesMv::SetTitleButton(bool Value)
{
    if (Value == FTitleButton)
        return;
    FTitleButton = Value;
    Repaint();
}

void TColumnTitleDefValuesMv::SetToolTips(bool Value)
{
    if (Value == FToolTips)
        return;
    FToolTips = Value;
    Repaint();
}

void TColumnTitleDefValuesMv::Assign(const TColumnTitleDefValuesMv& Source)
{
    if (Source.FAssigned & AssignedAlignment)
        SetAlignment(Source.FAlignment);
    if (Source.FAssigned & AssignedColor)
        SetColor(Source.FColor);
    SetEndEllipsis(Source.EndEllipsis());
    SetOrientation(Source.Orientation());
    SetTitleButton(Source.TitleButton());
    SetToolTips(Source.ToolTips());
}

void TColumnTitleDefValuesMv::Repaint()
{
    FOwner->Repaint();
}

void TColumnTitleDefValuesMv::Relayout()
{
    if (TCustomDBGridMv* grid = FOwner->Grid())
        grid->LayoutChanged();
}

void TColumnFooterDefValuesMv::SetToolTips(bool Value)
{
    if (Value == FToolTips)
        return;
    FToolTips = Value;
    FOwner->Repaint();
}
