#include "json/uQvJSON.h"

#include <QLocale>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

// ---- TqvJSONbase ------------------------------------------------------------

Variant TqvJSONbase::GetValue() const
{
    return Variant::Null();
}

void TqvJSONbase::SetValue(const Variant&) {}

const TqvJSONbase* TqvJSONbase::GetChild(int) const
{
    return nullptr;
}

void TqvJSONbase::SetChild(int, std::unique_ptr<TqvJSONbase>) {}

int TqvJSONbase::GetCount() const
{
    return 0;
}

const TqvJSONbase* TqvJSONbase::FieldOf(const Variant&) const
{
    return this;
}

QString TqvJSONbase::ValueKindName() const
{
    switch (ValueKind()) {
    case jsNumber:
        return QStringLiteral("jsNumber");
    case jsString:
        return QStringLiteral("jsString");
    case jsBoolean:
        return QStringLiteral("jsBoolean");
    case jsNull:
        return QStringLiteral("jsNull");
    case jsList:
        return QStringLiteral("jsList");
    case jsObject:
        return QStringLiteral("jsObject");
    case jsBase:
        break;
    }
    return QStringLiteral("jsBase");
}

// ---- plain values -----------------------------------------------------------

namespace {

// A double truncated toward zero into the 64-bit range, saturating at its ends.
qint64 TruncateToInt(double value)
{
    constexpr double limit = 9223372036854775808.0; // 2^63
    if (std::isnan(value))
        return 0;
    if (value >= limit)
        return std::numeric_limits<qint64>::max();
    if (value < -limit)
        return std::numeric_limits<qint64>::min();
    return static_cast<qint64>(value);
}

std::string ShortestText(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest).toStdString();
}

} // namespace

TqvJSONnumber::TqvJSONnumber(double value) : FValue(value), FLiteral(ShortestText(value)) {}

TqvJSONnumber::TqvJSONnumber(double value, std::string literal) : FValue(value), FLiteral(std::move(literal)) {}

QString TqvJSONnumber::LiteralText() const
{
    return QString::fromLatin1(FLiteral.data(), qsizetype(FLiteral.size()));
}

qint64 TqvJSONnumber::IntValue() const
{
    const char* first = FLiteral.data();
    const char* last = first + FLiteral.size();
    if (first != last && *first == '+')
        ++first;
    if (FLiteral.find_first_of(".eE") == std::string::npos) {
        qint64 exact = 0;
        const auto [end, error] = std::from_chars(first, last, exact);
        if (error == std::errc() && end == last)
            return exact;
    }
    return TruncateToInt(FValue);
}

Variant TqvJSONnumber::GetValue() const
{
    return Variant(FValue);
}

void TqvJSONnumber::SetValue(const Variant& value)
{
    if (value.GetKind() == Variant::Kind::Integer) {
        const qint64 exact = value.AsInteger();
        FValue = double(exact);
        FLiteral = std::to_string(exact);
        return;
    }
    FValue = value.AsFloat();
    FLiteral = ShortestText(FValue);
}

Variant TqvJSONstring::GetValue() const
{
    return Variant(FValue);
}

void TqvJSONstring::SetValue(const Variant& value)
{
    FValue = value.AsString();
}

Variant TqvJSONboolean::GetValue() const
{
    return Variant(FValue);
}

void TqvJSONboolean::SetValue(const Variant& value)
{
    FValue = value.AsBoolean();
}

// ---- TqvJSONcustomlist ------------------------------------------------------

int TqvJSONcustomlist::IndexOfChild(const TqvJSONbase* value) const
{
    for (int i = 0; i < GetCount(); ++i)
        if (GetChild(i) == value)
            return i;
    return -1;
}

const TqvJSONbase* TqvJSONcustomlist::FieldOf(const Variant& key) const
{
    if (key.GetKind() != Variant::Kind::Integer)
        return this;
    const qint64 index = key.AsInteger();
    return index >= 0 && index < GetCount() ? GetChild(int(index)) : nullptr;
}

qint64 TqvJSONcustomlist::GetInt(int index) const
{
    const auto* number = qvJSONcast<TqvJSONnumber>(ReaderValue(index));
    return number ? number->IntValue() : 0;
}

QString TqvJSONcustomlist::GetString(int index) const
{
    const auto* string = qvJSONcast<TqvJSONstring>(ReaderValue(index));
    return string ? string->Value() : QString();
}

QString TqvJSONcustomlist::GetWideString(int index) const
{
    return GetString(index);
}

double TqvJSONcustomlist::GetDouble(int index) const
{
    const auto* number = qvJSONcast<TqvJSONnumber>(ReaderValue(index));
    return number ? number->Value() : 0;
}

bool TqvJSONcustomlist::GetBoolean(int index) const
{
    const auto* boolean = qvJSONcast<TqvJSONboolean>(ReaderValue(index));
    return boolean && boolean->Value();
}

// ---- TqvJSONlist ------------------------------------------------------------

TqvJSONlist::TqvJSONlist(std::vector<std::unique_ptr<TqvJSONbase>> elements) : FElements(std::move(elements)) {}

TqvJSONlist::~TqvJSONlist()
{
    // Last to first, the reverse of attaching.
    while (!FElements.empty())
        FElements.pop_back();
}

const TqvJSONbase* TqvJSONlist::GetChild(int index) const
{
    return InRange(index) ? FElements[size_t(index)].get() : nullptr;
}

void TqvJSONlist::SetChild(int index, std::unique_ptr<TqvJSONbase> value)
{
    if (value && InRange(index))
        FElements[size_t(index)] = std::move(value);
}

const TqvJSONbase* TqvJSONlist::GetNamedChild(int index, QString& name) const
{
    name = QString::number(index);
    return GetChild(index);
}

int TqvJSONlist::AddChild(std::unique_ptr<TqvJSONbase> value)
{
    if (!value)
        return -1;
    FElements.push_back(std::move(value));
    return GetCount() - 1;
}

void TqvJSONlist::DeleteChild(int index)
{
    if (!InRange(index))
        return;
    if (index != GetCount() - 1)
        FElements[size_t(index)] = std::move(FElements.back());
    FElements.pop_back();
}

// ---- TqvJSONobjectmethod ----------------------------------------------------

TqvJSONobjectmethod::TqvJSONobjectmethod(QString name, std::unique_ptr<TqvJSONbase> value)
    : FName(std::move(name)), FValue(std::move(value))
{
}

TqvJSONobjectmethod::TqvJSONobjectmethod(TqvJSONobjectmethod&& other) noexcept
    : TqvJSONbase(), FName(std::move(other.FName)), FValue(std::move(other.FValue))
{
}

TqvJSONobjectmethod& TqvJSONobjectmethod::operator=(TqvJSONobjectmethod&& other) noexcept
{
    FName = std::move(other.FName);
    FValue = std::move(other.FValue);
    return *this;
}

// ---- TqvBalTree -------------------------------------------------------------

namespace {

// Ordinal order of the UTF-16 code units, a shorter name before a longer one
// that it begins.
int CompareNames(QStringView a, QStringView b)
{
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i)
        if (a[i] != b[i])
            return a[i].unicode() < b[i].unicode() ? -1 : 1;
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

} // namespace

void TqvBalTree::Reserve(int count)
{
    FNodes.reserve(size_t(count));
}

void TqvBalTree::Clear()
{
    FNodes.clear();
    FRoot = Sentinel;
}

bool TqvBalTree::Insert(QStringView name, int index)
{
    bool added = false;
    FRoot = InsertAt(FRoot, name, index, added);
    return added;
}

int TqvBalTree::InsertAt(int node, QStringView name, int index, bool& added)
{
    if (node == Sentinel) {
        FNodes.push_back(TNode{Sentinel, Sentinel, 1, index, name});
        added = true;
        return int(FNodes.size()) - 1;
    }
    // Positions, not references: a new node may move the vector.
    const int order = CompareNames(name, FNodes[size_t(node)].Name);
    if (order < 0) {
        const int left = InsertAt(FNodes[size_t(node)].Left, name, index, added);
        FNodes[size_t(node)].Left = left;
    } else if (order > 0) {
        const int right = InsertAt(FNodes[size_t(node)].Right, name, index, added);
        FNodes[size_t(node)].Right = right;
    }
    return Split(Skew(node));
}

int TqvBalTree::Skew(int node)
{
    TNode& top = FNodes[size_t(node)];
    const int left = top.Left;
    if (LevelOf(left) != top.Level)
        return node;
    top.Left = FNodes[size_t(left)].Right;
    FNodes[size_t(left)].Right = node;
    return left;
}

int TqvBalTree::Split(int node)
{
    TNode& top = FNodes[size_t(node)];
    const int right = top.Right;
    if (right == Sentinel || LevelOf(FNodes[size_t(right)].Right) != top.Level)
        return node;
    top.Right = FNodes[size_t(right)].Left;
    FNodes[size_t(right)].Left = node;
    ++FNodes[size_t(right)].Level;
    return right;
}

int TqvBalTree::Search(QStringView name) const
{
    int node = FRoot;
    while (node != Sentinel) {
        const TNode& current = FNodes[size_t(node)];
        const int order = CompareNames(name, current.Name);
        if (order == 0)
            return current.Index;
        node = order < 0 ? current.Left : current.Right;
    }
    return -1;
}

// ---- TqvJSONobject ----------------------------------------------------------

TqvJSONobject::TqvJSONobject(bool useHash) : FUseHash(useHash) {}

TqvJSONobject::TqvJSONobject(std::vector<TqvJSONobjectmethod> members, bool useHash)
    : FMembers(std::move(members)), FUseHash(useHash)
{
    RebuildIndex();
}

TqvJSONobject::~TqvJSONobject()
{
    // The index refers to the members' names: it goes first.
    FIndex.Clear();
    while (!FMembers.empty())
        FMembers.pop_back();
}

const TqvJSONobjectmethod* TqvJSONobject::Member(int index) const
{
    return InRange(index) ? &FMembers[size_t(index)] : nullptr;
}

const TqvJSONbase* TqvJSONobject::GetChild(int index) const
{
    return Member(index);
}

void TqvJSONobject::RebuildIndex()
{
    FIndex.Clear();
    if (!FUseHash)
        return;
    FIndex.Reserve(GetCount());
    for (int i = 0; i < GetCount(); ++i)
        FIndex.Insert(FMembers[size_t(i)].Name(), i);
}

int TqvJSONobject::IndexOfName(QStringView name) const
{
    if (FUseHash)
        return FIndex.Search(name);
    for (int i = 0; i < GetCount(); ++i)
        if (FMembers[size_t(i)].Name() == name)
            return i;
    return -1;
}

const TqvJSONbase* TqvJSONobject::Field(QStringView name) const
{
    const TqvJSONobjectmethod* member = Member(IndexOfName(name));
    return member ? member->Value() : nullptr;
}

QString TqvJSONobject::NameOf(int index) const
{
    const TqvJSONobjectmethod* member = Member(index);
    return member ? member->Name() : QString();
}

const TqvJSONbase* TqvJSONobject::FieldByIndex(int index) const
{
    const TqvJSONobjectmethod* member = Member(index);
    return member && !member->Name().isEmpty() ? Field(member->Name()) : nullptr;
}

const TqvJSONbase* TqvJSONobject::GetNamedChild(int index, QString& name) const
{
    name = NameOf(index);
    return FieldByIndex(index);
}

int TqvJSONobject::AddChild(std::unique_ptr<TqvJSONbase> value)
{
    auto* pair = dynamic_cast<TqvJSONobjectmethod*>(value.get());
    if (!pair)
        return -1;
    // The names keep their text when the vector grows: the index stays valid.
    FMembers.push_back(std::move(*pair));
    const int index = GetCount() - 1;
    if (FUseHash)
        FIndex.Insert(FMembers.back().Name(), index);
    return index;
}

void TqvJSONobject::SetChild(int index, std::unique_ptr<TqvJSONbase> value)
{
    auto* pair = dynamic_cast<TqvJSONobjectmethod*>(value.get());
    if (!InRange(index) || !pair)
        return;
    FIndex.Clear();
    FMembers[size_t(index)] = std::move(*pair);
    RebuildIndex();
}

void TqvJSONobject::DeleteChild(int index)
{
    if (!InRange(index))
        return;
    FIndex.Clear();
    if (index != GetCount() - 1)
        FMembers[size_t(index)] = std::move(FMembers.back());
    FMembers.pop_back();
    RebuildIndex();
}

const TqvJSONbase* TqvJSONobject::FieldOf(const Variant& key) const
{
    if (key.GetKind() == Variant::Kind::String)
        return Field(key.AsString());
    return TqvJSONcustomlist::FieldOf(key);
}
