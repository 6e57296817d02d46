#include "json/uQvJSON.h"

#include "platform/Exceptions.h"
#include "support/TestSupport.h"

#include <QRandomGenerator>
#include <set>

namespace {

std::unique_ptr<TqvJSONlist> ListOf(std::initializer_list<double> values)
{
    auto list = std::make_unique<TqvJSONlist>();
    for (double value : values)
        list->AddChild(std::make_unique<TqvJSONnumber>(value));
    return list;
}

std::unique_ptr<TqvJSONobjectmethod> Pair(const QString& name, std::unique_ptr<TqvJSONbase> value)
{
    return std::make_unique<TqvJSONobjectmethod>(name, std::move(value));
}

std::unique_ptr<TqvJSONobject> ObjectOf(std::initializer_list<std::pair<const char16_t*, double>> members,
                                        bool useHash = true)
{
    auto object = std::make_unique<TqvJSONobject>(useHash);
    for (const auto& [name, value] : members)
        object->AddChild(Pair(QString::fromUtf16(name), std::make_unique<TqvJSONnumber>(value)));
    return object;
}

// A character literal would become a boolean key and return the value itself.
template <class T>
concept FieldByCharLiteral = requires(const T& value) { value.GetField("name"); };
static_assert(!FieldByCharLiteral<TqvJSONbase> && !FieldByCharLiteral<TqvJSONobject>);

} // namespace

TEST(JsonValue, ChildrenOutOfRangeAreNoneAndKeysPickMembersOrElements)
{
    const auto list = ListOf({1, 2});
    EXPECT_EQ(list->GetChild(-1), nullptr);
    EXPECT_EQ(list->GetChild(2), nullptr);
    EXPECT_EQ(list->GetField(Variant(2)), nullptr);
    EXPECT_EQ(list->GetInt(7), 0);
    const TqvJSONnumber number(3);
    EXPECT_EQ(number.GetCount(), 0);
    EXPECT_EQ(number.GetChild(0), nullptr);
    EXPECT_EQ(number.GetField(u"x"_qs), &number);
    EXPECT_EQ(number.GetField(Variant(0)), &number);

    const auto object = ObjectOf({{u"a", 1}, {u"b", 2}});
    const TqvJSONbase* first = object->GetField(Variant(0));
    ASSERT_NE(first, nullptr);
    // An integer key gives the member pair, not its value.
    EXPECT_EQ(first->ValueKind(), jsBase);
    EXPECT_EQ(dynamic_cast<const TqvJSONobjectmethod*>(first)->Name(), u"a"_qs);
    EXPECT_EQ(object->GetField(u"b"_qs)->GetValue().AsFloat(), 2.0);
    EXPECT_EQ(object->GetField(u"c"_qs), nullptr);
    EXPECT_EQ(object->GetField(Variant(1.0)), object.get());
    EXPECT_EQ(object->GetField(Variant::Null()), object.get());

    EXPECT_EQ(list->GetField(Variant(qint64(1)))->GetValue().AsFloat(), 2.0);
    EXPECT_EQ(list->GetField(u"a"_qs), list.get());
}

TEST(JsonValue, DeleteChildMovesTheLastElement)
{
    auto list = ListOf({10, 20, 30});
    list->DeleteChild(0);
    ASSERT_EQ(list->GetCount(), 2);
    EXPECT_EQ(list->GetDouble(0), 30.0);
    EXPECT_EQ(list->GetDouble(1), 20.0);
    list->DeleteChild(2);
    list->DeleteChild(-1);
    EXPECT_EQ(list->GetCount(), 2);
    list->DeleteChild(1);
    EXPECT_EQ(list->GetDouble(0), 30.0);

    // The name index follows the move: every name still finds its own member.
    auto object = ObjectOf({{u"a", 1}, {u"b", 2}, {u"c", 3}});
    object->DeleteChild(0);
    EXPECT_EQ(object->IndexOfName(u"c"), 0);
    EXPECT_EQ(object->IndexOfName(u"b"), 1);
    EXPECT_EQ(object->IndexOfName(u"a"), -1);
    EXPECT_EQ(object->GetDouble(0), 3.0);
}

TEST(JsonValue, AddAndSetChild)
{
    auto list = ListOf({1});
    EXPECT_EQ(list->AddChild(nullptr), -1);
    EXPECT_EQ(list->GetCount(), 1);
    auto extra = std::make_unique<TqvJSONstring>(u"x"_qs);
    const TqvJSONbase* added = extra.get();
    EXPECT_EQ(list->AddChild(std::move(extra)), 1);
    EXPECT_EQ(list->IndexOfChild(added), 1);
    list->SetChild(0, std::make_unique<TqvJSONboolean>(true));
    EXPECT_TRUE(list->GetBoolean(0));
    list->SetChild(5, std::make_unique<TqvJSONnull>());
    list->SetChild(0, nullptr);
    EXPECT_EQ(list->GetCount(), 2);
    EXPECT_TRUE(list->GetBoolean(0));
    const TqvJSONnull stranger;
    EXPECT_EQ(list->IndexOfChild(&stranger), -1);

    auto object = ObjectOf({{u"a", 1}});
    EXPECT_EQ(object->AddChild(std::make_unique<TqvJSONnull>()), -1); // only member pairs
    EXPECT_EQ(object->AddChild(Pair(u"b"_qs, std::make_unique<TqvJSONnumber>(2))), 1);
    EXPECT_EQ(object->GetDouble(object->IndexOfName(u"b")), 2.0);
    object->SetChild(0, Pair(u"z"_qs, std::make_unique<TqvJSONnumber>(9)));
    EXPECT_EQ(object->IndexOfName(u"a"), -1);
    EXPECT_EQ(object->GetDouble(object->IndexOfName(u"z")), 9.0);
    object->SetChild(0, std::make_unique<TqvJSONnull>());
    EXPECT_EQ(object->NameOf(0), u"z"_qs);
}

TEST(JsonValue, TypedReadersLookAtTheKindOnly)
{
    auto list = std::make_unique<TqvJSONlist>();
    list->AddChild(std::make_unique<TqvJSONstring>(u"12"_qs));
    list->AddChild(std::make_unique<TqvJSONnumber>(2.9));
    list->AddChild(std::make_unique<TqvJSONnumber>(-2.9));
    list->AddChild(std::make_unique<TqvJSONboolean>(true));
    EXPECT_EQ(list->GetInt(0), 0);
    EXPECT_EQ(list->GetString(0), u"12"_qs);
    EXPECT_EQ(list->GetString(1), QString());
    EXPECT_EQ(list->GetInt(1), 2);
    EXPECT_EQ(list->GetInt(2), -2);
    EXPECT_EQ(list->GetDouble(3), 0.0);
    EXPECT_TRUE(list->GetBoolean(3));
    EXPECT_FALSE(list->GetBoolean(1));
    EXPECT_EQ(TqvJSONnumber(1e300).IntValue(), std::numeric_limits<qint64>::max());

    // An object reads through the member's name, so an empty name reads as nothing.
    auto object = std::make_unique<TqvJSONobject>();
    object->AddChild(Pair(QString(), std::make_unique<TqvJSONnumber>(5)));
    object->AddChild(Pair(u"n"_qs, std::make_unique<TqvJSONnumber>(6)));
    EXPECT_EQ(object->GetInt(0), 0);
    EXPECT_EQ(object->GetInt(1), 6);
    QString name;
    EXPECT_EQ(object->GetNamedChild(1, name)->GetValue().AsFloat(), 6.0);
    EXPECT_EQ(name, u"n"_qs);
    EXPECT_EQ(list->GetNamedChild(3, name), list->GetChild(3));
    EXPECT_EQ(name, u"3"_qs);
}

TEST(JsonValue, ValuesAndKinds)
{
    TqvJSONnumber number;
    EXPECT_EQ(number.LiteralText(), u"0"_qs);
    number.SetValue(Variant(Q_INT64_C(1234567890123456789)));
    EXPECT_EQ(number.LiteralText(), u"1234567890123456789"_qs);
    EXPECT_EQ(number.IntValue(), Q_INT64_C(1234567890123456789));
    number.SetValue(Variant(u"0.1"_qs));
    EXPECT_EQ(number.GetValue().GetKind(), Variant::Kind::Float);
    EXPECT_EQ(number.LiteralText(), u"0.1"_qs);
    EXPECT_THROW(number.SetValue(Variant(u"abc"_qs)), EConvertError);

    TqvJSONstring string;
    string.SetValue(Variant(42));
    EXPECT_EQ(string.GetValue().AsString(), u"42"_qs);
    auto list = ListOf({1});
    list->SetValue(Variant(1));
    EXPECT_TRUE(list->GetValue().IsNull());}

TEST(JsonValue, NameIndexAgreesWithAScan)
{
    // Names in random order, some repeated, some that differ only in case or by a surrogate pair.
    std::vector<TqvJSONobjectmethod> hashed;
    std::vector<TqvJSONobjectmethod> scanned;
    std::set<QString> names;
    QRandomGenerator random(7);
    for (int i = 0; i < 2000; ++i) {
        QString name = QString::number(random.bounded(1500), 36);
        if (i % 5 == 0)
            name = name.toUpper();
        if (i % 7 == 0)
            name += u"😀"_qs;
        names.insert(name);
        hashed.emplace_back(name, std::make_unique<TqvJSONnumber>(i));
        scanned.emplace_back(name, std::make_unique<TqvJSONnumber>(i));
    }
    const TqvJSONobject byIndex(std::move(hashed), true);
    const TqvJSONobject byScan(std::move(scanned), false);
    for (const QString& name : names) {
        const int index = byScan.IndexOfName(name);
        ASSERT_GE(index, 0);
        EXPECT_EQ(byIndex.IndexOfName(name), index) << name.toStdString();
        EXPECT_EQ(byIndex.NameOf(index), name);
    }
    EXPECT_EQ(byIndex.IndexOfName(u"not there"), -1);
    EXPECT_EQ(byIndex.Field(u""), nullptr);
}
