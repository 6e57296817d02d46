// The filter-row settings of the grid and of its columns.

#include "grid/DBGridMv.h"
#include "grid/DBGridMvFilterRow.h"

#include "platform/Exceptions.h"

// ---------------------------------------------------------------- grid

void TSTDBGridMvFilter::SetVisible(bool Value)
{
    if (Value == FVisible)
        return;
    FVisible = Value;
    if (!FGrid)
        return;
    if (!Value)
        FGrid->StopFilterEdit();
    FGrid->LayoutChanged();
    if (FGrid->EditorMode())
        FGrid->InvalidateEditor();
}

void TSTDBGridMvFilter::Assign(const TSTDBGridMvFilter& Source)
{
    SetVisible(Source.Visible());
    FLocal = Source.Local();
}

// ---------------------------------------------------------------- column

TSTColumnFilterMv::TSTColumnFilterMv(TColumnMv* Column) : FColumn(Column)
{
    FListLink.OnDataEvent = [this](TDataEvent Event, std::intptr_t) {
        if (Event == deDataSetChange)
            ReloadLists();
    };
}

TSTColumnFilterMv::~TSTColumnFilterMv()
{
    FListLink.OnDataEvent = nullptr;
}

TDataSource* TSTColumnFilterMv::ListSource() const
{
    return FListLink.DataSource();
}

void TSTColumnFilterMv::SetListSource(TDataSource* Value)
{
    if (Value == FListLink.DataSource())
        return;
    FListLink.SetDataSource(Value);
    ReloadLists();
}

void TSTColumnFilterMv::SetVisible(bool Value)
{
    if (Value == FVisible)
        return;
    FVisible = Value;
    if (TCustomDBGridMv* grid = FColumn ? FColumn->Grid() : nullptr)
        grid->Invalidate();
}

void TSTColumnFilterMv::Clear()
{
    FValue = Variant();
    SetFilterText(QString());
}

TField* TSTColumnFilterMv::LookupField() const
{
    TField* field = FColumn ? FColumn->Field() : nullptr;
    return field && field->Lookup() ? field : nullptr;
}

QString TSTColumnFilterMv::GetDataField() const
{
    if (!DataField.isEmpty())
        return DataField;
    if (const TField* lookup = LookupField())
        return lookup->KeyFields;
    return FColumn ? FColumn->FieldName() : QString();
}

QString TSTColumnFilterMv::GetKeyField() const
{
    if (!KeyField.isEmpty())
        return KeyField;
    const TField* lookup = LookupField();
    return lookup ? lookup->LookupKeyFields : QString();
}

QString TSTColumnFilterMv::GetListField() const
{
    if (!ListField.isEmpty())
        return ListField;
    const TField* lookup = LookupField();
    return lookup ? lookup->LookupResultField : QString();
}

TDataSet* TSTColumnFilterMv::GetListDataSet() const
{
    if (TDataSource* source = ListSource())
        return source->DataSet();
    const TField* lookup = LookupField();
    return lookup ? lookup->LookupDataSet.data() : nullptr;
}

bool TSTColumnFilterMv::HasList() const
{
    // An in-memory table lists a column's distinct values itself.
    const TCustomDBGridMv* grid = FColumn ? FColumn->Grid() : nullptr;
    return ListSource() != nullptr || (grid && grid->MemTableSupport());
}

Variant TSTColumnFilterMv::FilterValue() const
{
    return GetKeyField().isEmpty() ? FExpression.Operand1 : FValue;
}

TSTFilterValueKindMv TSTColumnFilterMv::ValueKind() const
{
    if (!FColumn)
        return svkNone;
    const TStringList* keys = FColumn->KeyListIfAny();
    const TStringList* picks = FColumn->PickListIfAny();
    if (keys && picks && !keys->IsEmpty() && !picks->IsEmpty())
        return svkString;
    const TField* field = FColumn->Field();
    return field ? STFilterValueKind(field->DataType()) : svkNone;
}

namespace {

bool IsValueOperator(TSTFilterOperatorMv Operator)
{
    return Operator >= sfoEqual && Operator <= sfoNotIn;
}

// Each text found in From becomes the entry of To at the same place; the
// lists are read only as far as both reach.
Variant MapThroughLists(const Variant& Value, const TStringList& From, const TStringList& To)
{
    if (Value.IsArray()) {
        std::vector<Variant> mapped;
        for (const Variant& element : Value.Elements())
            mapped.push_back(MapThroughLists(element, From, To));
        return Variant(std::move(mapped));
    }
    if (Value.IsClear())
        return Value;
    const int i = From.IndexOf(Value.AsString());
    return i >= 0 && i < To.Count() ? Variant(To[i]) : Value;
}

void MapExpression(TSTFilterExpressionMv& Expr, const TStringList& From, const TStringList& To)
{
    if (IsValueOperator(Expr.Operator1))
        Expr.Operand1 = MapThroughLists(Expr.Operand1, From, To);
    if (IsValueOperator(Expr.Operator2))
        Expr.Operand2 = MapThroughLists(Expr.Operand2, From, To);
}

} // namespace

void TSTColumnFilterMv::TranslatePickList(TSTFilterExpressionMv& Expr) const
{
    const TStringList* keys = FColumn ? FColumn->KeyListIfAny() : nullptr;
    const TStringList* picks = FColumn ? FColumn->PickListIfAny() : nullptr;
    if (keys && picks && !keys->IsEmpty() && !picks->IsEmpty())
        MapExpression(Expr, *picks, *keys);
}

void TSTColumnFilterMv::SetKeyedFilterText(const QString& Text, TSTFilterExpressionMv& Expr)
{
    // The text is a display text of the list; only the null tests are read
    // as an expression.
    TSTFilterExpressionMv parsed = Expr;
    try {
        ParseSTFilterText(Text, parsed);
    } catch (const Exception&) {
        InitSTFilterExpression(parsed);
    }
    InitSTFilterExpression(Expr);
    if (parsed.Operator1 == sfoNull || parsed.Operator1 == sfoNotNull) {
        Expr.Operator1 = parsed.Operator1;
        FValue = Variant::Null();
        return;
    }
    const QString text = Text.trimmed();
    if (text.isEmpty()) {
        FValue = Variant();
        return;
    }
    if (TDataSet* list = GetListDataSet(); list && list->Active())
        FValue = list->Lookup(GetListField(), Variant(text), GetKeyField());
    Expr.ExpressionType = svkString;
    if (FValue.IsNull()) {
        Expr.Operator1 = sfoNull;
    } else {
        Expr.Operator1 = sfoIn;
        Expr.Operand1 = Variant(text);
    }
}

void TSTColumnFilterMv::SetFilterText(const QString& Text)
{
    TSTFilterExpressionMv expr;
    expr.ExpressionType = ValueKind();
    if (GetKeyField().isEmpty()) {
        ParseSTFilterText(Text, expr);
        TranslatePickList(expr);
    } else {
        SetKeyedFilterText(Text, expr);
    }
    FExpression = expr;
    FFilterText = Text;
    TCustomDBGridMv* grid = FColumn ? FColumn->Grid() : nullptr;
    if (!grid)
        return;
    grid->Invalidate();
    // The editor on this column's cell shows the condition as it now reads,
    // unless the text comes from the user typing into it.
    TDBGridMvFilterRow& row = grid->FilterRow();
    if (row.EditColumn() == FColumn && row.Editor() && !row.Typing())
        row.Editor()->setText(GetFilterText());
}

QString TSTColumnFilterMv::GetFilterText() const
{
    if (FExpression.Operator1 == sfoNone)
        return QString();
    if (!GetKeyField().isEmpty() && ListSource()) {
        if (!IsValueOperator(FExpression.Operator1))
            return STFilterConditionText(FExpression.Operator1, Variant::Null());
        if (!FExpression.Operand1.IsArray())
            return FExpression.Operand1.AsString();
        QStringList values;
        for (const Variant& element : FExpression.Operand1.Elements())
            values << STFilterValueText(Variant(element.AsString()));
        return values.join(u',');
    }
    // Keys are shown as the texts the user picks them by.
    TSTFilterExpressionMv shown = FExpression;
    const TStringList* keys = FColumn ? FColumn->KeyListIfAny() : nullptr;
    const TStringList* picks = FColumn ? FColumn->PickListIfAny() : nullptr;
    if (keys && picks && !keys->IsEmpty() && !picks->IsEmpty())
        MapExpression(shown, *keys, *picks);
    return STFilterExpressionText(shown);
}

QStringList TSTColumnFilterMv::ListFieldValues()
{
    TCustomDBGridMv* grid = FColumn ? FColumn->Grid() : nullptr;
    if (!grid || !grid->DataLink()->Active())
        return {};
    IMemTableMv* table = grid->MemTableSupport();
    if (table && !ListSource()) {
        IMemTableDataFieldValueListMv* values = table->FieldValueList(FColumn->FieldName());
        return values ? values->GetValues().Items() : QStringList();
    }
    TDataSet* list = GetListDataSet();
    if (!list || !list->Active())
        return {};
    FValueList.SetDataSet(list);
    FValueList.SetFieldName(ListField.isEmpty() ? FColumn->FieldName() : ListField);
    return FValueList.GetValues().Items();
}

void TSTColumnFilterMv::ReloadLists()
{
    // The walk's own change notice (when controls come back) is not a reload.
    if (FReloading)
        return;
    // A record being inserted or edited in the list is not walked over:
    // moving would post or drop it. Its post brings the next reload.
    TDataSet* list = FListLink.DataSet();
    if (list && list->Active() && list->State() != dsBrowse)
        return;
    FKeyValues.Clear();
    FListValues.Clear();
    if (!FListLink.Active() || !list || ListField.isEmpty() || KeyField.isEmpty())
        return;
    TField* listField = list->FindField(ListField);
    TField* keyField = list->FindField(KeyField);
    if (!listField || !keyField)
        return;
    struct TReloadingScope {
        bool& Flag;
        explicit TReloadingScope(bool& F) : Flag(F) { Flag = true; }
        ~TReloadingScope() { Flag = false; }
    } reloading(FReloading);
    // The list keeps its place: it may be shown or worked on elsewhere.
    TDisableControlsGuard guard(*list);
    const TBookmark place = list->Bookmark();
    for (list->First(); !list->Eof(); list->Next()) {
        FListValues.Add(listField->AsString());
        FKeyValues.Add(keyField->AsString());
    }
    if (list->BookmarkValid(place))
        list->GotoBookmark(place);
    else
        list->First();
}

void TSTColumnFilterMv::Assign(const TSTColumnFilterMv& Source)
{
    DataField = Source.DataField;
    SetVisible(Source.Visible());
    KeyField = Source.KeyField;
    ListField = Source.ListField;
    SetListSource(Source.ListSource());
}
