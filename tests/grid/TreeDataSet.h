#pragma once
// A small in-memory table for the grid's rows of records and tree rows: a
// client dataset of the visible nodes (Name, Id) that answers IMemTableMv
// from its node list. The last nodes may be held back until fetched.

#include "platform/db/ClientDataSet.h"
#include "gridbase/ToolCtrlsMv.h"

#include <vector>

class TTreeDataSet : public TClientDataSet, public IMemTableMv {
public:
    // Nodes in depth-first order: (parent index or -1, name); all expanded.
    // The last HeldBack nodes come only as the grid fetches them.
    explicit TTreeDataSet(const std::vector<std::pair<int, QString>>& Nodes, int HeldBack = 0);

    bool TreeOn = true;
    int MoveCalls = 0;
    int FetchCalls = 0;
    // The names of the rows shown, top to bottom.
    QStringList VisibleNames() const;

    int MemRecordCount() const override { return RecordCount(); }
    int CurrentRowIndex() const override { return CurrentPosition(); }
    void FetchRecords(int Count) override;
    IMemTableDataFieldValueListMv* FieldValueList(const QString& FieldName) override;

    bool TreeView() const override { return TreeOn; }
    int NodeLevel() const override;
    int PrevNodeLevel() const override;
    int NextNodeLevel() const override;
    bool NodeHasChildren() const override;
    bool NodeExpanded() const override;
    bool LineContinues(int Level) const override;
    int PositionToken() const override;
    void GoToPosition(int Token) override;
    int SetNodeExpanded(int RecIndex, bool Expanded) override;
    void MoveToRecord(int RecIndex) override;
    void MoveBack() override;
    void MoveRecords(const QStringList& Bookmarks, int Target, int Level) override;

private:
    struct TNode {
        int Parent;
        QString Name;
        bool Expanded = true;
    };
    int Current() const;
    int Level(int Node) const;
    bool Shown(int Node) const;
    void Rebuild(int KeepNode);

    std::vector<TNode> FNodes;
    std::vector<int> FVisible;
    std::vector<int> FReading;
    int FHeldBack = 0;
    TDatasetFieldValueListMv FValues;
};
