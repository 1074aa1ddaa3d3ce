#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

namespace platform {

// A property-list value: a dictionary, array, string, integer, real or boolean. Values are
// plain C++ values (copies are deep); there is no null.
//
// Equality is structural and includes the type: the integer 1, the real 1.0 and the boolean
// true are three different values.
class PropertyList {
public:
    using Dictionary = std::map<std::string, PropertyList>;
    using Array = std::vector<PropertyList>;

    enum class Type { Dictionary, Array, String, Integer, Real, Boolean };

    // An empty dictionary.
    PropertyList() = default;
    PropertyList(Dictionary dictionary) : value_(std::move(dictionary)) {}
    PropertyList(Array array) : value_(std::move(array)) {}
    PropertyList(std::string string) : value_(std::move(string)) {}
    // A null pointer gives the empty string.
    PropertyList(const char* string) : value_(std::string(string ? string : "")) {}
    PropertyList(std::nullptr_t) = delete;
    // Booleans only: a template, so that pointers do not silently become booleans.
    template <std::same_as<bool> Bool>
    PropertyList(Bool boolean) : value_(boolean) {}
    // Every integer type but bool; unsigned values beyond the int64_t range saturate.
    template <std::integral Integer>
    requires(!std::same_as<Integer, bool>) PropertyList(Integer integer)
        : value_(toInt64(integer)) {}
    template <std::floating_point Real>
    PropertyList(Real real) : value_(static_cast<double>(real)) {}

    Type type() const { return static_cast<Type>(value_.index()); }
    bool isDictionary() const { return type() == Type::Dictionary; }
    bool isArray() const { return type() == Type::Array; }
    bool isString() const { return type() == Type::String; }
    // Integers, reals and booleans: everything that has a numeric value of its own.
    bool isNumber() const;

    // nullptr when the value is of another type.
    const Dictionary* dictionary() const { return std::get_if<Dictionary>(&value_); }
    Dictionary* dictionary() { return std::get_if<Dictionary>(&value_); }
    const Array* array() const { return std::get_if<Array>(&value_); }
    Array* array() { return std::get_if<Array>(&value_); }
    const std::string* string() const { return std::get_if<std::string>(&value_); }
    std::string* string() { return std::get_if<std::string>(&value_); }

    // Integers as they are; reals truncated towards zero and saturated (NaN: 0); booleans 0 or
    // 1; strings by their leading integer ("  -12 apples": -12, saturated); anything else 0.
    int64_t integerValue() const;
    // Numbers converted; strings by their leading decimal number; anything else 0.
    double doubleValue() const;
    // True for a non-zero number (not NaN), the boolean true, and a string that starts (after
    // white space) with 'y' or 't' in either case ("YES", "true") or with a non-zero integer.
    bool boolValue() const;

    // The value under `key` of a dictionary; nullptr when absent or when this is no dictionary.
    const PropertyList* objectForKey(const std::string& key) const;

    // Pretty-printed JSON: dictionaries as objects, arrays, strings, integers, booleans as
    // themselves, and reals always with a fraction or exponent ("2.0"), so that the type
    // survives a round trip. JSON has no infinities or NaN: they are written as the largest
    // finite value of their sign, and NaN as 0.0. Invalid UTF-8 in strings becomes U+FFFD.
    std::string toJson() const;
    // nullopt for text that is not one JSON value, or that holds null anywhere, or that nests
    // more than kMaxJsonDepth arrays and objects. Integers beyond the int64_t range saturate.
    static std::optional<PropertyList> fromJson(std::string_view json);

    static constexpr int kMaxJsonDepth = 256;

    friend bool operator==(const PropertyList&, const PropertyList&) = default;

private:
    template <std::integral Integer>
    static int64_t toInt64(Integer integer) {
        constexpr auto kMax = std::numeric_limits<int64_t>::max();
        if constexpr (std::is_unsigned_v<Integer> && sizeof(Integer) >= sizeof(int64_t))
            return integer > static_cast<Integer>(kMax) ? kMax : static_cast<int64_t>(integer);
        else
            return static_cast<int64_t>(integer);
    }

    // Alternatives in the order of Type.
    std::variant<Dictionary, Array, std::string, int64_t, double, bool> value_;
};

}  // namespace platform
