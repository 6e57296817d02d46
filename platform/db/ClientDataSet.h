#pragma once
// The in-memory dataset that every grid shows. Its records come from a
// provider (a query read through TDataSetProvider) or from its own field
// definitions (CreateDataSet). Edits stay in memory in a change log until
// ApplyUpdates writes them back through the provider, in one transaction.
//
// Indexes: IndexName chooses one of IndexDefs (AddIndex adds one),
// IndexFieldNames orders by a ';'-separated field list; the order holds
// after every post (a live index). Optional parameters are named values
// kept with the dataset for the windows' own use.

#include "platform/db/DataSet.h"
#include "platform/db/IndexDefs.h"

#include <QStringList>
#include <map>

class TDataSetProvider;

class TClientDataSet : public TDataSet {
    Q_OBJECT
public:
    explicit TClientDataSet(QObject* parent = nullptr);
    ~TClientDataSet() override;

    TDataSetProvider* Provider() const { return FProvider; }
    void SetProvider(TDataSetProvider* provider);
    bool ReadOnly = false;

    // An empty dataset of the FieldDefs (no provider needed).
    void CreateDataSet();
    // Removes every record without logging the removal.
    void EmptyDataSet();

    // ---- change log ----
    // Records whose changes are pending (an inserted record deleted again
    // leaves none).
    int ChangeCount() const;
    // Throws every pending change away.
    void CancelUpdates();
    // Takes the pending changes as the records' new original state.
    void MergeChangeLog();
    // Writes the pending changes to the provider's table in one transaction.
    // Errors beyond MaxErrors (-1: no limit) roll everything back and keep
    // the whole log; otherwise what was written leaves the log and what
    // failed stays. Returns the number of errors; ApplyErrors tells them.
    int ApplyUpdates(int maxErrors);
    const QStringList& ApplyErrors() const { return FApplyErrors; }
    TUpdateStatus UpdateStatus() const;

    // ---- indexes ----
    TIndexDefs& IndexDefs() { return FIndexDefs; }
    void AddIndex(const QString& name, const QString& fields, TIndexOptions options = {},
                  const QString& descFields = QString(), const QString& caseInsFields = QString());
    void DeleteIndex(const QString& name);
    const QString& IndexName() const { return FIndexName; }
    void SetIndexName(const QString& name);
    const QString& IndexFieldNames() const { return FIndexFieldNames; }
    void SetIndexFieldNames(const QString& fieldNames);

    // ---- optional parameters ----
    // includeInDelta would send the value with the changes; the changes here
    // are written as SQL, so it is only kept.
    void SetOptionalParam(const QString& name, const Variant& value, bool includeInDelta = false);
    // Unassigned when there is no such parameter.
    Variant GetOptionalParam(const QString& name) const;

protected:
    void InternalOpen() override;
    void BeforeBuildView() override { AssignSortOrder(ResolveSortOrder()); }
    bool InternalCanModify() const override { return !ReadOnly; }

private:
    friend class TDataSetProvider;
    struct TOptionalParam {
        Variant Value;
        bool IncludeInDelta = false;
    };
    struct TNoCase {
        bool operator()(const QString& a, const QString& b) const { return a.compare(b, Qt::CaseInsensitive) < 0; }
    };

    std::vector<TSortField> ResolveSortOrder() const;
    void ApplySortOrder();

    TDataSetProvider* FProvider = nullptr;
    bool FCreating = false;
    TIndexDefs FIndexDefs;
    QString FIndexName;
    QString FIndexFieldNames;
    std::map<QString, TOptionalParam, TNoCase> FParams;
    QStringList FApplyErrors;
};
