#include "platform/foundation/PropertyList.h"

#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>

namespace platform {
namespace {
using Json = nlohmann::json;

constexpr int64_t kInt64Max = std::numeric_limits<int64_t>::max();
constexpr int64_t kInt64Min = std::numeric_limits<int64_t>::min();

// ASCII white space, independent of the C locale.
std::string_view skipSpace(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || (text.front() >= '\t' && text.front() <= '\r')))
        text.remove_prefix(1);
    return text;
}

int64_t leadingInteger(std::string_view text) {
    text = skipSpace(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // Accumulate towards the sign so that INT64_MIN is reachable; saturate on overflow.
    int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') break;
        const int digit = c - '0';
        if (negative) {
            if (value < (kInt64Min + digit) / 10) return kInt64Min;
            value = value * 10 - digit;
        } else {
            if (value > (kInt64Max - digit) / 10) return kInt64Max;
            value = value * 10 + digit;
        }
    }
    return value;
}

double leadingReal(std::string_view text) {
    text = skipSpace(text);
    // from_chars takes no '+', but a leading '+' is an ordinary way to write a number.
    if (text.size() > 1 && text.front() == '+' && text[1] != '-') text.remove_prefix(1);
    double value = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() ? value : 0.0;
}

int64_t truncateReal(double real) {
    // 2^63 is exactly representable; every double below it (and at or above -2^63) fits.
    constexpr double kLimit = 9223372036854775808.0;
    if (std::isnan(real)) return 0;
    if (real >= kLimit) return kInt64Max;
    if (real < -kLimit) return kInt64Min;
    return static_cast<int64_t>(real);
}

double finiteReal(double real) {
    if (std::isnan(real)) return 0.0;
    if (std::isinf(real))
        return real > 0 ? std::numeric_limits<double>::max()
                        : std::numeric_limits<double>::lowest();
    return real;
}

Json toJsonValue(const PropertyList& value) {
    switch (value.type()) {
        case PropertyList::Type::Dictionary: {
            Json object = Json::object();
            for (const auto& [key, element] : *value.dictionary())
                object[key] = toJsonValue(element);
            return object;
        }
        case PropertyList::Type::Array: {
            Json array = Json::array();
            array.get_ref<Json::array_t&>().reserve(value.array()->size());
            for (const auto& element : *value.array()) array.push_back(toJsonValue(element));
            return array;
        }
        case PropertyList::Type::String:
            return *value.string();
        case PropertyList::Type::Integer:
            return value.integerValue();
        case PropertyList::Type::Real:
            return finiteReal(value.doubleValue());
        case PropertyList::Type::Boolean:
            return value.boolValue();
    }
    return {};
}

// Builds a value straight from the parser's events, without an intermediate document, and
// stops at the first null or at too deep a nesting.
class Builder final : public nlohmann::json_sax<Json> {
public:
    std::optional<PropertyList> take() { return std::move(root_); }

    bool null() override { return false; }
    bool boolean(bool value) override { return add(value); }
    bool number_integer(number_integer_t value) override { return add(value); }
    bool number_unsigned(number_unsigned_t value) override { return add(value); }
    bool number_float(number_float_t value, const string_t&) override { return add(value); }
    bool string(string_t& value) override { return add(std::move(value)); }
    bool binary(binary_t&) override { return false; }
    bool start_object(std::size_t) override { return enter(PropertyList::Dictionary()); }
    bool key(string_t& key) override {
        open_.back().key = std::move(key);
        return true;
    }
    bool end_object() override { return leave(); }
    bool start_array(std::size_t) override { return enter(PropertyList::Array()); }
    bool end_array() override { return leave(); }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        return false;
    }

private:
    struct Container {
        PropertyList value;
        std::string key;  // of the next member, in a dictionary
    };

    bool enter(PropertyList container) {
        if (open_.size() >= PropertyList::kMaxJsonDepth) return false;
        open_.push_back({std::move(container), {}});
        return true;
    }
    bool leave() {
        PropertyList value = std::move(open_.back().value);
        open_.pop_back();
        return add(std::move(value));
    }
    bool add(PropertyList value) {
        if (open_.empty()) {
            root_ = std::move(value);
        } else if (auto* array = open_.back().value.array()) {
            array->push_back(std::move(value));
        } else {
            // A repeated key keeps its last value.
            open_.back().value.dictionary()->insert_or_assign(std::move(open_.back().key),
                                                              std::move(value));
        }
        return true;
    }

    std::vector<Container> open_;
    std::optional<PropertyList> root_;
};
}  // namespace

bool PropertyList::isNumber() const {
    const Type t = type();
    return t == Type::Integer || t == Type::Real || t == Type::Boolean;
}

int64_t PropertyList::integerValue() const {
    switch (type()) {
        case Type::Integer:
            return std::get<int64_t>(value_);
        case Type::Real:
            return truncateReal(std::get<double>(value_));
        case Type::Boolean:
            return std::get<bool>(value_) ? 1 : 0;
        case Type::String:
            return leadingInteger(std::get<std::string>(value_));
        case Type::Dictionary:
        case Type::Array:
            break;
    }
    return 0;
}

double PropertyList::doubleValue() const {
    switch (type()) {
        case Type::Integer:
            return static_cast<double>(std::get<int64_t>(value_));
        case Type::Real:
            return std::get<double>(value_);
        case Type::Boolean:
            return std::get<bool>(value_) ? 1.0 : 0.0;
        case Type::String:
            return leadingReal(std::get<std::string>(value_));
        case Type::Dictionary:
        case Type::Array:
            break;
    }
    return 0.0;
}

bool PropertyList::boolValue() const {
    switch (type()) {
        case Type::Integer:
            return std::get<int64_t>(value_) != 0;
        case Type::Real: {
            const double real = std::get<double>(value_);
            return real != 0.0 && !std::isnan(real);
        }
        case Type::Boolean:
            return std::get<bool>(value_);
        case Type::String: {
            const std::string_view text = skipSpace(std::get<std::string>(value_));
            if (!text.empty() && std::string_view("yYtT").find(text.front()) != text.npos)
                return true;
            return leadingInteger(text) != 0;
        }
        case Type::Dictionary:
        case Type::Array:
            break;
    }
    return false;
}

const PropertyList* PropertyList::objectForKey(const std::string& key) const {
    const Dictionary* entries = dictionary();
    if (!entries) return nullptr;
    const auto found = entries->find(key);
    return found == entries->end() ? nullptr : &found->second;
}

std::string PropertyList::toJson() const {
    return toJsonValue(*this).dump(2, ' ', false, Json::error_handler_t::replace);
}

std::optional<PropertyList> PropertyList::fromJson(std::string_view json) {
    Builder builder;
    if (!Json::sax_parse(json, &builder)) return std::nullopt;
    return builder.take();
}

}  // namespace platform
