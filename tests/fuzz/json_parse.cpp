// Fuzz target: any bytes through TqvJSON::ParseText. Besides never crashing
// or leaking, a text that parses must give the same tree again when the tree's
// own members are written out as JSON and parsed once more, every object's
// name index must agree with a scan of its members, and every reader must
// cope with every element.

#include "json/uQvJSON.h"

#include <QByteArray>
#include <bit>
#include <cstdint>
#include <cstdlib>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

void WriteString(const QString& text, QByteArray& out)
{
    QString escaped;
    escaped.reserve(text.size() + 2);
    escaped += u'"';
    for (const QChar c : text) {
        if (c == u'"' || c == u'\\')
            escaped += u'\\';
        if (c.unicode() < 0x20)
            escaped += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            escaped += c;
    }
    escaped += u'"';
    out += escaped.toUtf8();
}

void Write(const TqvJSONbase& value, QByteArray& out)
{
    switch (value.ValueKind()) {
    case jsNumber:
        out += qvJSONcast<TqvJSONnumber>(&value)->LiteralText().toLatin1();
        return;
    case jsString:
        WriteString(qvJSONcast<TqvJSONstring>(&value)->Value(), out);
        return;
    case jsBoolean:
        out += qvJSONcast<TqvJSONboolean>(&value)->Value() ? "true" : "false";
        return;
    case jsNull:
        out += "null";
        return;
    case jsList:
        out += '[';
        for (int i = 0; i < value.GetCount(); ++i) {
            if (i)
                out += ',';
            Write(*value.GetChild(i), out);
        }
        out += ']';
        return;
    case jsObject:
        out += '{';
        for (int i = 0; i < value.GetCount(); ++i) {
            const auto* member = dynamic_cast<const TqvJSONobjectmethod*>(value.GetChild(i));
            Require(member && member->Value());
            if (i)
                out += ',';
            WriteString(member->Name(), out);
            out += ':';
            Write(*member->Value(), out);
        }
        out += '}';
        return;
    case jsBase:
        break;
    }
    Require(false);
}

bool Same(const TqvJSONbase& a, const TqvJSONbase& b)
{
    if (a.ValueKind() != b.ValueKind() || a.GetCount() != b.GetCount())
        return false;
    switch (a.ValueKind()) {
    case jsNumber: {
        const auto* x = qvJSONcast<TqvJSONnumber>(&a);
        const auto* y = qvJSONcast<TqvJSONnumber>(&b);
        return x->LiteralText() == y->LiteralText()
               && std::bit_cast<std::uint64_t>(x->Value()) == std::bit_cast<std::uint64_t>(y->Value());
    }
    case jsString:
        return qvJSONcast<TqvJSONstring>(&a)->Value() == qvJSONcast<TqvJSONstring>(&b)->Value();
    case jsBoolean:
        return qvJSONcast<TqvJSONboolean>(&a)->Value() == qvJSONcast<TqvJSONboolean>(&b)->Value();
    case jsNull:
        return true;
    case jsList:
        for (int i = 0; i < a.GetCount(); ++i)
            if (!Same(*a.GetChild(i), *b.GetChild(i)))
                return false;
        return true;
    case jsObject:
        for (int i = 0; i < a.GetCount(); ++i) {
            const auto* x = dynamic_cast<const TqvJSONobjectmethod*>(a.GetChild(i));
            const auto* y = dynamic_cast<const TqvJSONobjectmethod*>(b.GetChild(i));
            if (x->Name() != y->Name() || !Same(*x->Value(), *y->Value()))
                return false;
        }
        return true;
    case jsBase:
        break;
    }
    return false;
}

// The name index finds each member's name at its first occurrence, and the
// typed readers take any element.
void CheckContainers(const TqvJSONbase& value)
{
    const auto* list = dynamic_cast<const TqvJSONcustomlist*>(&value);
    if (!list)
        return;
    const auto* object = qvJSONcast<TqvJSONobject>(&value);
    for (int i = 0; i < list->GetCount(); ++i) {
        QString name;
        const TqvJSONbase* named = list->GetNamedChild(i, name);
        if (object) {
            int first = 0;
            while (object->NameOf(first) != name)
                ++first;
            Require(object->IndexOfName(name) == first);
            Require(named == (name.isEmpty() ? nullptr : object->Field(name)));
        }
        (void)list->GetInt(i);
        (void)list->GetDouble(i);
        (void)list->GetString(i);
        (void)list->GetBoolean(i);
        const TqvJSONbase* child = list->GetChild(i);
        Require(child != nullptr);
        if (object)
            child = dynamic_cast<const TqvJSONobjectmethod*>(child)->Value();
        CheckContainers(*child);
    }
    Require(list->GetChild(list->GetCount()) == nullptr);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto tree = TqvJSON::ParseText(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!tree)
        return 0;
    CheckContainers(*tree);
    QByteArray text;
    Write(*tree, text);
    const auto again = TqvJSON::ParseText(text);
    Require(again && Same(*tree, *again));
    return 0;
}
