#pragma once
// The string list with the class library's splitting rules, which many
// operations depend on exactly:
//
// Delimited text (SetDelimitedText, and SetCommaText with ',' and '"'):
//  - characters up to and including the blank (control characters too) are
//    skipped before an item and after it;
//  - an item that starts with the quote character runs to the closing quote,
//    a doubled quote inside standing for one; an unclosed quote takes the rest;
//  - any other item ends at the delimiter or at a character up to the blank;
//  - a delimiter that is the very last character adds one empty item.
// Writing (DelimitedText, CommaText): items joined by the delimiter; an item
// holding a character up to the blank, the quote or the delimiter is quoted
// with its quotes doubled; a single empty item is written as two quotes.
//
// Names and values: an item "name=value"; names compare without regard to case.

#include <QString>
#include <QStringList>

class TStringList {
public:
    enum class TDuplicates { dupIgnore, dupAccept, dupError };

    TStringList() = default;
    explicit TStringList(QStringList items) : FItems(std::move(items)) {}

    QChar Delimiter = u',';
    QChar QuoteChar = u'"';
    bool CaseSensitive = false;
    TDuplicates Duplicates = TDuplicates::dupIgnore;

    int Count() const { return int(FItems.size()); }
    bool IsEmpty() const { return FItems.isEmpty(); }
    const QString& operator[](int index) const;
    const QString& Strings(int index) const { return (*this)[index]; }
    void Put(int index, const QString& value);
    const QStringList& Items() const { return FItems; }

    // Appends (or, when sorted, inserts in order) and returns the index.
    int Add(const QString& s);
    void Insert(int index, const QString& s);
    void Delete(int index);
    void Clear() { FItems.clear(); }
    int IndexOf(const QString& s) const;

    bool Sorted() const { return FSorted; }
    void SetSorted(bool value);
    // Binary search of a sorted list: true when found; index is the place
    // of the item or where it would be inserted.
    bool Find(const QString& s, int& index) const;

    QString CommaText() const;
    void SetCommaText(const QString& text);
    QString DelimitedText() const;
    void SetDelimitedText(const QString& text);
    // Lines joined with CR LF; reading splits at CR LF, CR or LF.
    QString Text() const;
    void SetText(const QString& text);

    int IndexOfName(const QString& name) const;
    QString Names(int index) const;
    QString ValueFromIndex(int index) const;
    QString Values(const QString& name) const;
    // Sets the value of a name; an empty value removes the item.
    void SetValue(const QString& name, const QString& value);

private:
    int CompareStrings(const QString& a, const QString& b) const;
    void CheckIndex(int index) const;

    QStringList FItems;
    bool FSorted = false;
};

// The items of a delimited text by the rules above.
QStringList SplitDelimitedText(const QString& text, QChar delimiter, QChar quote = u'"');
// The items of a comma text: SplitDelimitedText with ',' and '"'.
QStringList SplitCommaText(const QString& text);
// Items joined by the writing rules above.
QString JoinDelimitedText(const QStringList& items, QChar delimiter, QChar quote = u'"');
QString JoinCommaText(const QStringList& items);

// A text in quotes with every quote inside doubled ("AnsiQuotedStr").
QString QuotedText(const QString& text, QChar quote);
