// json.h - a small JSON reader for the tests' scenario and expected-state
// files.  Numbers keep their exact value: integers as 64-bit integers, every
// number also as the double that its text denotes (shortest round-trip output
// reads back bit for bit, signed zeros included).
#ifndef QUELM_TESTS_SUPPORT_JSON_H
#define QUELM_TESTS_SUPPORT_JSON_H

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace json {

struct Error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Value {
    enum class Type { Null, Bool, Number, String, Array, Object };
    Type type = Type::Null;
    bool boolean = false;
    bool integral = false;  // a number written without fraction or exponent
    int64_t integer = 0;
    double number = 0.0;
    std::string text;  // strings
    std::vector<Value> items;
    std::vector<std::pair<std::string, Value>> members;

    bool IsArray() const { return type == Type::Array; }
    bool IsObject() const { return type == Type::Object; }
    // Null when the object has no such member (or this is not an object).
    const Value *Find(std::string_view key) const;
    // The member, or Error naming the key.
    const Value &At(std::string_view key) const;
    const Value &At(size_t index) const;
    size_t Size() const { return items.size(); }
    // Typed reads; Error when the value has another type or does not fit.
    int64_t AsInt() const;
    double AsDouble() const;
    const std::string &AsString() const;
};

// Parses one JSON text; Error (with the byte offset) on anything malformed.
Value Parse(std::string_view text);

}  // namespace json

#endif
