#pragma once
// The JSON document model: a reply of the platform or a line of its
// notification stream, parsed into a tree of typed values that callers read by
// member name or element index. Parsing only: nothing writes JSON back.
//
// Every container owns its elements; the caller of TqvJSON::ParseText owns the
// root, and dropping the root frees the whole tree.

#include "platform/Variant.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// Kind numbers of the values. An object's member pair and the list base report jsBase.
enum TqvJSONkind { jsBase = 0, jsNumber = 1, jsString = 2, jsBoolean = 3, jsNull = 4, jsList = 5, jsObject = 6 };

class TqvJSONbase {
public:
    virtual ~TqvJSONbase() = default;
    TqvJSONbase(const TqvJSONbase&) = delete;
    TqvJSONbase& operator=(const TqvJSONbase&) = delete;

    // A number as a double, a string as text, a boolean; Null for everything else.
    virtual Variant GetValue() const;
    // Stores the value converted to this value's own kind; null values, lists
    // and objects ignore it.
    virtual void SetValue(const Variant& value);
    // The element at index of a list or object (of an object: the member
    // pair); none outside 0 to count - 1 and for plain values.
    virtual const TqvJSONbase* GetChild(int index) const;
    // In range: frees the element there and stores value in its place.
    // Out of range, or no value given: nothing.
    virtual void SetChild(int index, std::unique_ptr<TqvJSONbase> value);
    virtual int GetCount() const;

    // An integer key gives GetChild of a list or an object (so the member
    // pair of an object, not its value); a text key gives the member of that
    // name of an object (none when missing); any other key, and any key on a
    // plain value, gives the value itself.
    const TqvJSONbase* GetField(const Variant& key) const { return FieldOf(key); }
    // GetField("name") would turn the character pointer into a boolean key
    // and quietly return the value itself: write GetField(u"name"_qs).
    template <std::size_t N>
    const TqvJSONbase* GetField(const char (&)[N]) const = delete;

    virtual TqvJSONkind ValueKind() const { return jsBase; }
    // "jsBase", "jsNumber", "jsString", "jsBoolean", "jsNull", "jsList" or "jsObject".
    QString ValueKindName() const;

protected:
    TqvJSONbase() = default;
    virtual const TqvJSONbase* FieldOf(const Variant& key) const;
};

// The value as the class T when it is of T's kind; else none.
// Example: if (auto* code = qvJSONcast<TqvJSONnumber>(packet->GetField(u"code"_qs))) ...
template <class T>
const T* qvJSONcast(const TqvJSONbase* value)
{
    return value && value->ValueKind() == T::Kind ? static_cast<const T*>(value) : nullptr;
}

class TqvJSONnumber final : public TqvJSONbase {
public:
    static constexpr TqvJSONkind Kind = jsNumber;

    TqvJSONnumber() = default;
    explicit TqvJSONnumber(double value);
    // A number read from text: its value and the characters that spelt it.
    TqvJSONnumber(double value, std::string literal);

    double Value() const { return FValue; }
    // The number exactly as the text wrote it ("1234567890123456789",
    // "-0.5E+2"). Platform ids run to 19 digits, more than a double holds:
    // whatever must reach SQL digit for digit is taken from here.
    QString LiteralText() const;
    // Truncated toward zero. An integer literal is read digit for digit (no
    // double rounding); values beyond the 64-bit range saturate.
    qint64 IntValue() const;

    Variant GetValue() const override;
    // Integers keep their exact digits as the literal text; other values get
    // the shortest text that reads back as the same double.
    void SetValue(const Variant& value) override;
    TqvJSONkind ValueKind() const override { return Kind; }

private:
    double FValue = 0;
    std::string FLiteral = "0";
};

class TqvJSONstring final : public TqvJSONbase {
public:
    static constexpr TqvJSONkind Kind = jsString;

    TqvJSONstring() = default;
    explicit TqvJSONstring(QString value) : FValue(std::move(value)) {}

    const QString& Value() const { return FValue; }

    Variant GetValue() const override;
    void SetValue(const Variant& value) override;
    TqvJSONkind ValueKind() const override { return Kind; }

private:
    QString FValue;
};

class TqvJSONboolean final : public TqvJSONbase {
public:
    static constexpr TqvJSONkind Kind = jsBoolean;

    TqvJSONboolean() = default;
    explicit TqvJSONboolean(bool value) : FValue(value) {}

    bool Value() const { return FValue; }

    Variant GetValue() const override;
    void SetValue(const Variant& value) override;
    TqvJSONkind ValueKind() const override { return Kind; }

private:
    bool FValue = false;
};

class TqvJSONnull final : public TqvJSONbase {
public:
    static constexpr TqvJSONkind Kind = jsNull;

    TqvJSONnull() = default;
    TqvJSONkind ValueKind() const override { return Kind; }
};

// What lists and objects share: an ordered list of owned elements, read by
// index. A list owns its values; an object owns its member pairs.
class TqvJSONcustomlist : public TqvJSONbase {
public:
    // The value at index and its name: a list names its elements by their
    // index in decimal, an object by the member name (see FieldByIndex).
    virtual const TqvJSONbase* GetNamedChild(int index, QString& name) const = 0;
    // Appends the value and returns its index; -1, adding nothing, when no
    // value is given (or, for an object, when it is not a member pair).
    virtual int AddChild(std::unique_ptr<TqvJSONbase> value) = 0;
    // Frees the element at index; when it was not the last, the last element
    // moves into its slot. Out of range: nothing.
    virtual void DeleteChild(int index) = 0;
    // The element's index, -1 when it is not an element of this container.
    int IndexOfChild(const TqvJSONbase* value) const;

    // Typed readers of the element at index (of an object: the member's value
    // as FieldByIndex finds it). They look at the value's kind only: a number
    // written as a string ("12") gives 0 from GetInt and "12" from GetString.
    qint64 GetInt(int index) const;         // a number, truncated toward zero; else 0
    QString GetString(int index) const;     // a string's text; else empty
    QString GetWideString(int index) const; // the same as GetString: text is Unicode here
    double GetDouble(int index) const;      // a number; else 0
    bool GetBoolean(int index) const;       // a boolean; else false

protected:
    TqvJSONcustomlist() = default;

    const TqvJSONbase* FieldOf(const Variant& key) const override;
    // The value the typed readers look at for index.
    virtual const TqvJSONbase* ReaderValue(int index) const = 0;
    bool InRange(int index) const { return index >= 0 && index < GetCount(); }
};

class TqvJSONlist final : public TqvJSONcustomlist {
public:
    static constexpr TqvJSONkind Kind = jsList;

    TqvJSONlist() = default;
    explicit TqvJSONlist(std::vector<std::unique_ptr<TqvJSONbase>> elements);
    ~TqvJSONlist() override;

    const TqvJSONbase* GetChild(int index) const override;
    void SetChild(int index, std::unique_ptr<TqvJSONbase> value) override;
    int GetCount() const override { return int(FElements.size()); }
    const TqvJSONbase* GetNamedChild(int index, QString& name) const override;
    int AddChild(std::unique_ptr<TqvJSONbase> value) override;
    void DeleteChild(int index) override;
    TqvJSONkind ValueKind() const override { return Kind; }

protected:
    const TqvJSONbase* ReaderValue(int index) const override { return GetChild(index); }

private:
    std::vector<std::unique_ptr<TqvJSONbase>> FElements;
};

// One member of an object: its name and its owned value.
class TqvJSONobjectmethod final : public TqvJSONbase {
public:
    TqvJSONobjectmethod(QString name, std::unique_ptr<TqvJSONbase> value);
    // An object keeps its pairs in place: they move, never copy.
    TqvJSONobjectmethod(TqvJSONobjectmethod&& other) noexcept;
    TqvJSONobjectmethod& operator=(TqvJSONobjectmethod&& other) noexcept;

    const QString& Name() const { return FName; }
    const TqvJSONbase* Value() const { return FValue.get(); }

private:
    QString FName;
    std::unique_ptr<TqvJSONbase> FValue;
};

// The name index of an object: an AA tree (a balanced binary search tree
// whose nodes carry a level) from member names to element indexes. The first
// index entered under a name stays. The tree refers to the names it is given
// without copying them: each must stay alive and unchanged while it is in the
// tree (an object's pairs own the names of its index).
class TqvBalTree {
public:
    // True when the name was added; false when it was present already.
    bool Insert(QStringView name, int index);
    // The index entered under the name; -1 when missing.
    int Search(QStringView name) const;
    // Empties the tree.
    void Clear();
    // Room for count names without reallocation.
    void Reserve(int count);

private:
    // Nodes live in one vector and link by position. Position -1 is the
    // sentinel: its children are itself and its level is 0, and every empty
    // subtree is the sentinel.
    struct TNode {
        int Left;
        int Right;
        unsigned char Level;
        int Index;
        QStringView Name;
    };
    static constexpr int Sentinel = -1;

    int LevelOf(int node) const { return node == Sentinel ? 0 : FNodes[size_t(node)].Level; }
    int InsertAt(int node, QStringView name, int index, bool& added);
    int Skew(int node);
    int Split(int node);

    std::vector<TNode> FNodes;
    int FRoot = Sentinel;
};

class TqvJSONobject final : public TqvJSONcustomlist {
public:
    static constexpr TqvJSONkind Kind = jsObject;

    explicit TqvJSONobject(bool useHash = true);
    // An object of the given members in this order; a name that repeats an
    // earlier one gives a second member that name lookups never find.
    explicit TqvJSONobject(std::vector<TqvJSONobjectmethod> members, bool useHash = true);
    TqvJSONobject(const TqvJSONobject&) = delete;
    TqvJSONobject& operator=(const TqvJSONobject&) = delete;
    ~TqvJSONobject() override;

    // Whether lookups by name go through the name index or scan the members.
    bool UseHash() const { return FUseHash; }
    // The index of the first member of that name; -1 when missing.
    int IndexOfName(QStringView name) const;
    // The value of the first member of that name; none when missing.
    const TqvJSONbase* Field(QStringView name) const;
    // The name of the member at index; empty when out of range.
    QString NameOf(int index) const;
    // Field of the name of the member at index: none when that name is empty,
    // and the first member's value when the name repeats an earlier one.
    const TqvJSONbase* FieldByIndex(int index) const;

    // The member pair at index.
    const TqvJSONbase* GetChild(int index) const override;
    int GetCount() const override { return int(FMembers.size()); }
    const TqvJSONbase* GetNamedChild(int index, QString& name) const override;
    // These take member pairs only and refuse any other value (-1 or
    // nothing). The pair handed over is moved into the object's own storage.
    int AddChild(std::unique_ptr<TqvJSONbase> value) override;
    void SetChild(int index, std::unique_ptr<TqvJSONbase> value) override;
    void DeleteChild(int index) override;
    TqvJSONkind ValueKind() const override { return Kind; }

protected:
    const TqvJSONbase* FieldOf(const Variant& key) const override;
    const TqvJSONbase* ReaderValue(int index) const override { return FieldByIndex(index); }

private:
    const TqvJSONobjectmethod* Member(int index) const;
    // Adding, moving or replacing members changes what the names point to.
    void RebuildIndex();

    std::vector<TqvJSONobjectmethod> FMembers;
    TqvBalTree FIndex;
    bool FUseHash = true;
};

class TqvJSON {
public:
    // Lists and objects nested deeper than this fail the parse: outside input
    // must not be able to exhaust the stack.
    static constexpr int MaxDepth = 512;

    // The tree of one JSON text given as UTF-8 bytes (a byte-order mark is
    // skipped), or none when it does not parse. Lenient on purpose: elements
    // and members need no comma between them, a trailing comma is accepted,
    // and whatever follows the first complete value is ignored. Never raises,
    // and never hands back part of a tree.
    static std::unique_ptr<TqvJSONbase> ParseText(QByteArrayView text) noexcept;
};
