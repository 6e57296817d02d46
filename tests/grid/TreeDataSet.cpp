#include "TreeDataSet.h"

#include <algorithm>

TTreeDataSet::TTreeDataSet(const std::vector<std::pair<int, QString>>& Nodes, int HeldBack) : FHeldBack(HeldBack)
{
    for (const auto& [parent, name] : Nodes)
        FNodes.push_back({parent, name});
    FieldDefs().Add(QStringLiteral("Name"), ftString, 20);
    FieldDefs().Add(QStringLiteral("Id"), ftInteger);
    CreateDataSet();
    Rebuild(0);
}

int TTreeDataSet::Current() const
{
    // The record being read, as the fields read it.
    return IsEmpty() ? -1 : FieldByName(QStringLiteral("Id"))->AsInteger();
}

int TTreeDataSet::Level(int Node) const
{
    int level = 0;
    for (; Node >= 0; Node = FNodes[size_t(Node)].Parent)
        ++level;
    return level;
}

bool TTreeDataSet::Shown(int Node) const
{
    if (Node >= int(FNodes.size()) - FHeldBack)
        return false;
    for (int p = FNodes[size_t(Node)].Parent; p >= 0; p = FNodes[size_t(p)].Parent)
        if (!FNodes[size_t(p)].Expanded)
            return false;
    return true;
}

void TTreeDataSet::Rebuild(int KeepNode)
{
    const TDisableControlsGuard guard(*this);
    EmptyDataSet();
    FVisible.clear();
    for (int i = 0; i < int(FNodes.size()); ++i) {
        if (!Shown(i))
            continue;
        FVisible.push_back(i);
        Append();
        FieldByName(QStringLiteral("Id"))->SetAsInteger(i);
        FieldByName(QStringLiteral("Name"))->SetAsString(FNodes[size_t(i)].Name);
        Post();
    }
    const auto at = std::find(FVisible.begin(), FVisible.end(), KeepNode);
    SetRecNo(at == FVisible.end() ? 1 : int(at - FVisible.begin()) + 1);
}

QStringList TTreeDataSet::VisibleNames() const
{
    QStringList names;
    for (int node : FVisible)
        names << FNodes[size_t(node)].Name;
    return names;
}

int TTreeDataSet::NodeLevel() const
{
    const int node = Current();
    return node < 0 ? 0 : Level(node);
}

int TTreeDataSet::PrevNodeLevel() const
{
    const auto at = std::find(FVisible.begin(), FVisible.end(), Current());
    return at == FVisible.begin() || at == FVisible.end() ? 0 : Level(*(at - 1));
}

int TTreeDataSet::NextNodeLevel() const
{
    const auto at = std::find(FVisible.begin(), FVisible.end(), Current());
    return at == FVisible.end() || at + 1 == FVisible.end() ? -1 : Level(*(at + 1));
}

bool TTreeDataSet::NodeHasChildren() const
{
    const int node = Current();
    return std::any_of(FNodes.begin(), FNodes.end(), [node](const TNode& n) { return n.Parent == node; });
}

bool TTreeDataSet::NodeExpanded() const
{
    const int node = Current();
    return node >= 0 && FNodes[size_t(node)].Expanded;
}

bool TTreeDataSet::LineContinues(int Level) const
{
    int node = Current();
    while (node >= 0 && this->Level(node) > Level)
        node = FNodes[size_t(node)].Parent;
    if (node < 0)
        return false;
    for (int i = node + 1; i < int(FNodes.size()); ++i)
        if (FNodes[size_t(i)].Parent == FNodes[size_t(node)].Parent)
            return true;
    return false;
}

int TTreeDataSet::PositionToken() const
{
    return Current();
}

void TTreeDataSet::GoToPosition(int Token)
{
    const auto at = std::find(FVisible.begin(), FVisible.end(), Token);
    if (at != FVisible.end())
        SetRecNo(int(at - FVisible.begin()) + 1);
}

int TTreeDataSet::SetNodeExpanded(int RecIndex, bool Expanded)
{
    if (RecIndex < 0 || RecIndex >= int(FVisible.size()))
        return 0;
    const int node = FVisible[size_t(RecIndex)];
    FNodes[size_t(node)].Expanded = Expanded;
    Rebuild(node);
    return RecNo();
}

void TTreeDataSet::MoveToRecord(int RecIndex)
{
    FReading.push_back(RecIndex);
    SetReadPosition(RecIndex);
}

void TTreeDataSet::MoveBack()
{
    if (!FReading.empty())
        FReading.pop_back();
    SetReadPosition(FReading.empty() ? -1 : FReading.back());
}

void TTreeDataSet::FetchRecords(int Count)
{
    ++FetchCalls;
    if (FHeldBack == 0 || Count <= 0)
        return;
    FHeldBack -= std::min(Count, FHeldBack);
    Rebuild(Current());
}

IMemTableDataFieldValueListMv* TTreeDataSet::FieldValueList(const QString& FieldName)
{
    FValues.SetDataSet(this);
    FValues.SetFieldName(FieldName);
    return &FValues;
}

void TTreeDataSet::MoveRecords(const QStringList& Bookmarks, int Target, int)
{
    ++MoveCalls;
    // Leaves only, among their siblings: enough for a flat list's order.
    for (const QString& bookmark : Bookmarks) {
        GotoBookmark(bookmark);
        const int node = Current();
        const int before = Target < int(FVisible.size()) ? FVisible[size_t(Target)] : int(FNodes.size());
        TNode moved = FNodes[size_t(node)];
        FNodes.erase(FNodes.begin() + node);
        const int at = before > node ? before - 1 : before;
        FNodes.insert(FNodes.begin() + at, moved);
        Rebuild(at);
    }
}
