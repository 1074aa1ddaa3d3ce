#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "platform/foundation/PropertyList.h"

namespace platform {
namespace {
using Type = PropertyList::Type;
using Dictionary = PropertyList::Dictionary;
constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
constexpr int64_t kMin = std::numeric_limits<int64_t>::min();

// Overload choice is where a value silently gets the wrong type.
static_assert(!std::is_constructible_v<PropertyList, int*>, "pointers must not become booleans");
static_assert(!std::is_constructible_v<PropertyList, std::nullptr_t>);

TEST(PropertyListTest, ConstructorsPickTheMatchingType) {
    EXPECT_EQ(PropertyList(true).type(), Type::Boolean);
    EXPECT_EQ(PropertyList(0).type(), Type::Integer);
    EXPECT_EQ(PropertyList(int32_t{-7}).type(), Type::Integer);
    EXPECT_EQ(PropertyList(uint8_t{200}).integerValue(), 200);
    EXPECT_EQ(PropertyList(2.0f).type(), Type::Real);
    EXPECT_EQ(PropertyList(2.0).type(), Type::Real);
    EXPECT_EQ(PropertyList("text").type(), Type::String);
    EXPECT_EQ(PropertyList(std::string("text")).type(), Type::String);
    EXPECT_EQ(PropertyList().type(), Type::Dictionary);
    EXPECT_EQ(PropertyList(PropertyList::Array{1, "a"}).type(), Type::Array);
    EXPECT_EQ(PropertyList(std::numeric_limits<uint64_t>::max()).integerValue(), kMax);
}

TEST(PropertyListTest, AccessorsReturnNullOnTypeMismatch) {
    PropertyList text("abc");
    EXPECT_EQ(text.dictionary(), nullptr);
    EXPECT_EQ(text.array(), nullptr);
    ASSERT_NE(text.string(), nullptr);
    EXPECT_EQ(*text.string(), "abc");
    EXPECT_EQ(text.objectForKey("abc"), nullptr);

    PropertyList number(1);
    EXPECT_EQ(number.string(), nullptr);
    EXPECT_TRUE(number.isNumber());
    EXPECT_TRUE(PropertyList(false).isNumber());
    EXPECT_FALSE(text.isNumber());

    PropertyList dictionary(PropertyList::Dictionary{{"k", 5}});
    ASSERT_NE(dictionary.objectForKey("k"), nullptr);
    EXPECT_EQ(*dictionary.objectForKey("k"), PropertyList(5));
    EXPECT_EQ(dictionary.objectForKey("missing"), nullptr);
    dictionary.dictionary()->emplace("n", "v");
    EXPECT_EQ(*dictionary.objectForKey("n"), PropertyList("v"));
}

TEST(PropertyListTest, IntegerValueConvertsEveryType) {
    EXPECT_EQ(PropertyList(kMin).integerValue(), kMin);
    EXPECT_EQ(PropertyList(-2.7).integerValue(), -2);
    EXPECT_EQ(PropertyList(2.7).integerValue(), 2);
    EXPECT_EQ(PropertyList(1e300).integerValue(), kMax);
    EXPECT_EQ(PropertyList(-1e300).integerValue(), kMin);
    EXPECT_EQ(PropertyList(9223372036854775808.0).integerValue(), kMax);
    EXPECT_EQ(PropertyList(std::nan("")).integerValue(), 0);
    EXPECT_EQ(PropertyList(true).integerValue(), 1);
    EXPECT_EQ(PropertyList(false).integerValue(), 0);
    EXPECT_EQ(PropertyList("42").integerValue(), 42);
    EXPECT_EQ(PropertyList("  -17 apples").integerValue(), -17);
    EXPECT_EQ(PropertyList("+5").integerValue(), 5);
    EXPECT_EQ(PropertyList("3.9").integerValue(), 3);
    EXPECT_EQ(PropertyList("abc").integerValue(), 0);
    EXPECT_EQ(PropertyList("").integerValue(), 0);
    EXPECT_EQ(PropertyList("99999999999999999999").integerValue(), kMax);
    EXPECT_EQ(PropertyList("-9223372036854775808").integerValue(), kMin);
    EXPECT_EQ(PropertyList("-99999999999999999999").integerValue(), kMin);
    EXPECT_EQ(PropertyList(PropertyList::Array{7}).integerValue(), 0);
}

TEST(PropertyListTest, DoubleValueConvertsEveryType) {
    EXPECT_EQ(PropertyList(3).doubleValue(), 3.0);
    EXPECT_EQ(PropertyList(0.25).doubleValue(), 0.25);
    EXPECT_EQ(PropertyList(true).doubleValue(), 1.0);
    EXPECT_EQ(PropertyList(" 2.5").doubleValue(), 2.5);
    EXPECT_EQ(PropertyList("+3e2x").doubleValue(), 300.0);
    EXPECT_EQ(PropertyList("-0.5").doubleValue(), -0.5);
    EXPECT_EQ(PropertyList("abc").doubleValue(), 0.0);
    EXPECT_EQ(PropertyList().doubleValue(), 0.0);
}

TEST(PropertyListTest, BoolValueReadsTruthValues) {
    EXPECT_TRUE(PropertyList(1).boolValue());
    EXPECT_TRUE(PropertyList(-3).boolValue());
    EXPECT_FALSE(PropertyList(0).boolValue());
    EXPECT_TRUE(PropertyList(0.5).boolValue());
    EXPECT_FALSE(PropertyList(0.0).boolValue());
    EXPECT_FALSE(PropertyList(std::nan("")).boolValue());
    EXPECT_TRUE(PropertyList(true).boolValue());
    EXPECT_FALSE(PropertyList(false).boolValue());
    for (const char* yes : {"YES", "yes", "true", "True", " 1", "0002", "-1", "Y"})
        EXPECT_TRUE(PropertyList(yes).boolValue()) << yes;
    for (const char* no : {"NO", "false", "0", "", "  ", "0.9", "maybe"})
        EXPECT_FALSE(PropertyList(no).boolValue()) << no;
    EXPECT_FALSE(PropertyList(PropertyList::Dictionary{{"a", true}}).boolValue());
}

TEST(PropertyListTest, EqualityIncludesTypeAndNesting) {
    EXPECT_NE(PropertyList(1), PropertyList(1.0));
    EXPECT_NE(PropertyList(1), PropertyList(true));
    EXPECT_NE(PropertyList("1"), PropertyList(1));
    const PropertyList a(PropertyList::Dictionary{{"x", PropertyList::Array{1, "b", 2.5}}});
    PropertyList b = a;
    EXPECT_EQ(a, b);
    (*b.dictionary())["x"].array()->at(1) = "c";
    EXPECT_NE(a, b);
    EXPECT_EQ(*a.objectForKey("x")->array()->at(1).string(), "b") << "copies are deep";
}

PropertyList sampleValue() {
    return PropertyList::Dictionary{
        {"name", PropertyList::Array{"Door Bell", "Café \"quoted\"\n\ttab", ""}},
        {"hidden", PropertyList::Array{1, 0, false, true}},
        {"reals", PropertyList::Array{2.0, -0.5, 1e-300, 1.7976931348623157e308, 0.1}},
        {"limits", PropertyList::Array{kMax, kMin, 0}},
        {"nested", PropertyList::Dictionary{{"deeper", PropertyList::Dictionary{}},
                                            {"empty", PropertyList::Array{}}}},
        {"shakeType", 2},
    };
}

TEST(PropertyListTest, JsonRoundTripKeepsValuesAndTypes) {
    const PropertyList value = sampleValue();
    const auto parsed = PropertyList::fromJson(value.toJson());
    ASSERT_TRUE(parsed);
    EXPECT_EQ(*parsed, value);
    EXPECT_EQ(parsed->objectForKey("reals")->array()->at(0).type(), Type::Real);
    EXPECT_EQ(parsed->objectForKey("hidden")->array()->at(2).type(), Type::Boolean);
    EXPECT_EQ(PropertyList::fromJson("7"), PropertyList(7));
    EXPECT_EQ(PropertyList::fromJson(R"({"a": 1, "a": 2})"), PropertyList(Dictionary{{"a", 2}}));
    EXPECT_EQ(PropertyList::fromJson("[18446744073709551615]"),
              PropertyList(PropertyList::Array{kMax}))
        << "beyond int64_t: saturated";
}

TEST(PropertyListTest, JsonIsPlainAndReadable) {
    const PropertyList value(PropertyList::Dictionary{
        {"real", 2.0}, {"int", 2}, {"flag", true}, {"list", PropertyList::Array{"a"}}});
    const std::string json = value.toJson();
    EXPECT_NE(json.find("\"real\": 2.0"), std::string::npos) << json;
    EXPECT_NE(json.find("\"int\": 2,"), std::string::npos) << json;
    EXPECT_NE(json.find("\"flag\": true"), std::string::npos) << json;
    EXPECT_NE(json.find('\n'), std::string::npos) << "pretty-printed";
    EXPECT_EQ(PropertyList("Grüße").toJson(), "\"Grüße\"") << "UTF-8 written as is";
}

TEST(PropertyListTest, NonFiniteRealsAreWrittenAsLoadableJson) {
    const PropertyList value(PropertyList::Array{std::nan(""), INFINITY, -INFINITY});
    const auto parsed = PropertyList::fromJson(value.toJson());
    ASSERT_TRUE(parsed) << value.toJson();
    const auto& array = *parsed->array();
    EXPECT_EQ(array[0], PropertyList(0.0));
    EXPECT_EQ(array[1], PropertyList(std::numeric_limits<double>::max()));
    EXPECT_EQ(array[2], PropertyList(std::numeric_limits<double>::lowest()));
}

TEST(PropertyListTest, InvalidUtf8IsReplacedInsteadOfFailing) {
    const auto parsed = PropertyList::fromJson(PropertyList("a\xff-").toJson());
    ASSERT_TRUE(parsed);
    EXPECT_EQ(*parsed->string(), "a\xEF\xBF\xBD-");
}

TEST(PropertyListTest, FromJsonRejectsInvalidTextAndNull) {
    for (const char* text :
         {"", "{", "{\"a\": 1", "[1, 2,]", "{'a': 1}", "nul", "1 2", "{\"a\": 1} trailing", "null",
          "[1, null]", "{\"a\": {\"b\": null}}", "\"\xff\"", "1e400"}) {
        EXPECT_FALSE(PropertyList::fromJson(text)) << text;
    }
}

TEST(PropertyListTest, FromJsonRejectsDeepNestingWithoutCrashing) {
    const int limit = PropertyList::kMaxJsonDepth;
    const auto nested = [](int depth) { return std::string(depth, '[') + std::string(depth, ']'); };
    EXPECT_TRUE(PropertyList::fromJson(nested(limit)));
    EXPECT_FALSE(PropertyList::fromJson(nested(limit + 1)));
    EXPECT_FALSE(PropertyList::fromJson(nested(200000)));
}

}  // namespace
}  // namespace platform
