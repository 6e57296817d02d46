// Locate and Lookup, field values by name, walks over the records, the
// filter and the sort order.

#include "platform/db/DataSet.h"

#include "platform/Exceptions.h"

#include <algorithm>

namespace {

// Restores the row the fields read (and the state) when a walk ends.
class TReadRowScope {
public:
    TReadRowScope(int& readRow, TDataSetState& state, TDataSetState temporary)
        : FReadRow(readRow), FSavedRow(readRow), FState(state), FSavedState(state)
    {
        if (temporary != dsInactive)
            FState = temporary;
    }
    ~TReadRowScope()
    {
        FReadRow = FSavedRow;
        FState = FSavedState;
    }
    TReadRowScope(const TReadRowScope&) = delete;
    TReadRowScope& operator=(const TReadRowScope&) = delete;

private:
    int& FReadRow;
    int FSavedRow;
    TDataSetState& FState;
    TDataSetState FSavedState;
};

bool IsTextType(TFieldType type)
{
    return type == ftString || type == ftWideString || type == ftFixedChar || type == ftMemo || type == ftFmtMemo;
}

int CompareValues(const Variant& a, const Variant& b, bool caseInsensitive)
{
    using Kind = Variant::Kind;
    const bool aClear = a.IsClear();
    const bool bClear = b.IsClear();
    if (aClear || bClear)
        return aClear == bClear ? 0 : (aClear ? -1 : 1);
    const Kind ka = a.GetKind();
    const Kind kb = b.GetKind();
    if (ka == Kind::Integer && kb == Kind::Integer) {
        const qint64 x = a.AsInteger();
        const qint64 y = b.AsInteger();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (a.IsNumeric() && b.IsNumeric()) {
        const double x = a.AsFloat();
        const double y = b.AsFloat();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (ka != kb)
        return ka < kb ? -1 : 1;
    switch (ka) {
    case Kind::String:
        return a.AsString().compare(b.AsString(), caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive);
    case Kind::DateTime: {
        const QDateTime x = a.AsDateTime();
        const QDateTime y = b.AsDateTime();
        return x < y ? -1 : (y < x ? 1 : 0);
    }
    case Kind::Boolean:
        return int(a.AsBoolean()) - int(b.AsBoolean());
    case Kind::Bytes: {
        const int c = a.AsBytes().compare(b.AsBytes());
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    default:
        return 0;
    }
}

} // namespace

struct TDataSet::TKeyMatcher {
    int Column = 0;
    bool MatchNull = false;
    bool Text = false;
    bool Never = false;
    Qt::CaseSensitivity Case = Qt::CaseSensitive;
    bool Partial = false;
    QString Key;
    Variant Value;

    bool Matches(const Variant& v) const
    {
        if (MatchNull)
            return v.IsClear();
        if (Never || v.IsClear())
            return false;
        if (Text) {
            const QString s = v.GetKind() == Variant::Kind::Bytes ? QString::fromUtf8(v.AsBytes()) : v.AsString();
            return Partial ? s.startsWith(Key, Case) : s.compare(Key, Case) == 0;
        }
        return v.GetKind() == Value.GetKind() && v == Value;
    }
};

std::vector<TDataSet::TKeyMatcher> TDataSet::MakeMatchers(const QString& keyFields, const Variant& keyValues,
                                                           TLocateOptions options) const
{
    const std::vector<TField*> fields = GetFieldList(keyFields);
    if (fields.empty())
        DatabaseError(QStringLiteral("No key fields given"), this);
    std::vector<Variant> values;
    if (fields.size() == 1)
        values.push_back(keyValues.IsArray() && keyValues.Elements().size() == 1 ? keyValues.Elements()[0] : keyValues);
    else if (keyValues.IsArray() && keyValues.Elements().size() == fields.size())
        values = keyValues.Elements();
    else
        DatabaseError(QStringLiteral("The key values do not match the key fields %1").arg(keyFields), this);
    std::vector<TKeyMatcher> matchers;
    for (size_t i = 0; i < fields.size(); ++i) {
        const TField* field = fields[i];
        if (field->FieldKind() != fkData)
            DatabaseError(QStringLiteral("Field '%1' cannot be searched").arg(field->FieldName()), this);
        TKeyMatcher m;
        m.Column = field->FieldNo() - 1;
        const Variant& value = values[i];
        if (value.IsClear()) {
            m.MatchNull = true;
        } else if (IsTextType(field->DataType())) {
            m.Text = true;
            m.Case = options.testFlag(loCaseInsensitive) ? Qt::CaseInsensitive : Qt::CaseSensitive;
            m.Partial = options.testFlag(loPartialKey);
            try {
                m.Key = value.GetKind() == Variant::Kind::Bytes ? QString::fromUtf8(value.AsBytes()) : value.AsString();
            } catch (const Exception&) {
                m.Never = true;
            }
        } else {
            try {
                m.Value = field->Normalize(value);
            } catch (const Exception&) {
                // A key that is no value of the field's kind matches no record.
                m.Never = true;
            }
        }
        matchers.push_back(std::move(m));
    }
    return matchers;
}

int TDataSet::FindRow(const std::vector<TKeyMatcher>& matchers) const
{
    for (size_t pos = 0; pos < FView.size(); ++pos) {
        const int row = FView[pos];
        const Variant* data = row == FEditRow ? FEditBuffer.data() : FStore.RowData(row);
        bool all = true;
        for (const TKeyMatcher& m : matchers) {
            if (!m.Matches(data[m.Column])) {
                all = false;
                break;
            }
        }
        if (all)
            return int(pos);
    }
    return -1;
}

bool TDataSet::Locate(const QString& keyFields, const Variant& keyValues, TLocateOptions options)
{
    CheckBrowseMode();
    const int position = FindRow(MakeMatchers(keyFields, keyValues, options));
    if (position < 0)
        return false;
    MoveTo(position, true, true);
    return true;
}

Variant TDataSet::Lookup(const QString& keyFields, const Variant& keyValues, const QString& resultFields)
{
    CheckActive();
    const int position = FindRow(MakeMatchers(keyFields, keyValues, {}));
    if (position < 0)
        return Variant::Null();
    TReadRowScope scope(FReadRow, FState, dsInactive);
    FReadRow = FView[size_t(position)];
    return GetFieldValue(resultFields);
}

Variant TDataSet::GetFieldValue(const QString& fieldNames) const
{
    const std::vector<TField*> fields = GetFieldList(fieldNames);
    if (fields.size() == 1)
        return fields[0]->Value();
    std::vector<Variant> values;
    for (const TField* field : fields)
        values.push_back(field->Value());
    return Variant(std::move(values));
}

void TDataSet::SetFieldValue(const QString& fieldNames, const Variant& value)
{
    const std::vector<TField*> fields = GetFieldList(fieldNames);
    if (fields.size() == 1) {
        fields[0]->SetValue(value);
        return;
    }
    if (!value.IsArray() || value.Elements().size() != fields.size())
        DatabaseError(QStringLiteral("The values do not match the fields %1").arg(fieldNames), this);
    for (size_t i = 0; i < fields.size(); ++i)
        fields[i]->SetValue(value.Elements()[i]);
}

void TDataSet::SetReadPosition(int position)
{
    FReadRow = position >= 0 && position < int(FView.size()) ? FView[size_t(position)] : -1;
}

void TDataSet::ForEachRecord(const std::function<void()>& visit)
{
    if (!Active())
        return;
    TReadRowScope scope(FReadRow, FState, dsInactive);
    const std::vector<int> rows = FView;
    for (const int row : rows) {
        FReadRow = row;
        visit();
    }
}

// ---- filter -------------------------------------------------------------

bool TDataSet::AcceptRow(int row)
{
    TReadRowScope scope(FReadRow, FState, dsFilter);
    FReadRow = row;
    bool accept = true;
    FOnFilterRecord(*this, accept);
    return accept;
}

void TDataSet::BuildView()
{
    std::vector<int> view;
    view.reserve(FNatural.size());
    const bool filter = FFiltered && FOnFilterRecord;
    for (const int row : FNatural) {
        const TRowInfo& info = FStore.Info(row);
        if (info.Removed || info.Status == usDeleted)
            continue;
        if (filter && !AcceptRow(row))
            continue;
        view.push_back(row);
    }
    if (!FSort.empty()) {
        std::sort(view.begin(), view.end(), [this](int a, int b) {
            const int c = CompareRows(a, b);
            return c < 0 || (c == 0 && a < b);
        });
    }
    FView = std::move(view);
}

void TDataSet::SetFiltered(bool filtered)
{
    if (filtered == FFiltered)
        return;
    if (filtered && !FFilter.trimmed().isEmpty())
        DatabaseError(QStringLiteral("Filter expressions are not supported; use OnFilterRecord"), this);
    if (!Active()) {
        FFiltered = filtered;
        ++FFilterChangeCount;
        return;
    }
    CheckBrowseMode();
    FFiltered = filtered;
    ++FFilterChangeCount;
    BuildView();
    First();
}

void TDataSet::SetFilter(const QString& filter)
{
    if (FFiltered && !filter.trimmed().isEmpty())
        DatabaseError(QStringLiteral("Filter expressions are not supported; use OnFilterRecord"), this);
    FFilter = filter;
}

void TDataSet::SetOnFilterRecord(TFilterRecordEvent handler)
{
    if (Active() && FFiltered)
        CheckBrowseMode();
    FOnFilterRecord = std::move(handler);
    ++FFilterChangeCount;
    if (Active() && FFiltered) {
        BuildView();
        First();
    }
}

// ---- sort order ---------------------------------------------------------

int TDataSet::CompareRows(int a, int b) const
{
    const Variant* da = FStore.RowData(a);
    const Variant* db = FStore.RowData(b);
    for (const TSortField& s : FSort) {
        int c = CompareValues(da[s.Column], db[s.Column], s.CaseInsensitive);
        if (s.Descending)
            c = -c;
        if (c != 0)
            return c;
    }
    return 0;
}

void TDataSet::SetSortOrder(std::vector<TSortField> order)
{
    if (Active())
        CheckBrowseMode();
    FSort = std::move(order);
    ++FOrderChangeCount;
    if (!Active())
        return;
    const int row = CurrentRow();
    BuildView();
    const int position = row >= 0 ? ViewPosOf(row) : 0;
    SetWindow(position, FActiveRecord);
    Resync(false);
}

void TDataSet::RowsChanged()
{
    const int row = CurrentRow();
    const int oldPosition = FWinTop + FActiveRecord;
    BuildView();
    ++FOrderChangeCount;
    int position = row >= 0 ? ViewPosOf(row) : -1;
    if (position < 0)
        position = std::min(oldPosition, int(FView.size()) - 1);
    SetWindow(position, FActiveRecord);
    FBof = FEof = FView.empty();
    Resync(false);
}
