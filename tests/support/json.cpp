#include "tests/support/json.h"

#include <charconv>

namespace json {

namespace {

class Parser {
public:
    explicit Parser(std::string_view text) : s_(text) {}

    Value Document() {
        Value v = Any(0);
        SkipSpace();
        if (pos_ != s_.size()) Fail("trailing characters");
        return v;
    }

private:
    // Nesting deeper than any file of ours means a broken or hostile file.
    static constexpr int kMaxDepth = 64;

    std::string_view s_;
    size_t pos_ = 0;

    [[noreturn]] void Fail(const std::string &what) const {
        throw Error("JSON: " + what + " at offset " + std::to_string(pos_));
    }

    bool At(std::string_view chars) const {
        return pos_ < s_.size() && chars.find(s_[pos_]) != std::string_view::npos;
    }

    void SkipSpace() {
        while (At(" \t\r\n")) ++pos_;
    }

    bool Eat(char c) {
        SkipSpace();
        if (pos_ >= s_.size() || s_[pos_] != c) return false;
        ++pos_;
        return true;
    }

    void Expect(char c) {
        if (!Eat(c)) Fail(std::string("expected '") + c + "'");
    }

    Value Literal(std::string_view word, Value v) {
        if (s_.substr(pos_, word.size()) != word) Fail("unknown literal");
        pos_ += word.size();
        return v;
    }

    Value Any(int depth) {
        if (depth > kMaxDepth) Fail("nesting too deep");
        SkipSpace();
        if (pos_ >= s_.size()) Fail("unexpected end");
        Value v;
        switch (s_[pos_]) {
        case '{':
            ++pos_;
            v.type = Value::Type::Object;
            if (Eat('}')) return v;
            do {
                SkipSpace();
                if (!At("\"")) Fail("expected a member name");
                std::string key = String();
                Expect(':');
                v.members.emplace_back(std::move(key), Any(depth + 1));
            } while (Eat(','));
            Expect('}');
            return v;
        case '[':
            ++pos_;
            v.type = Value::Type::Array;
            if (Eat(']')) return v;
            do v.items.push_back(Any(depth + 1));
            while (Eat(','));
            Expect(']');
            return v;
        case '"':
            v.type = Value::Type::String;
            v.text = String();
            return v;
        case 't':
            v.type = Value::Type::Bool;
            v.boolean = true;
            return Literal("true", v);
        case 'f':
            v.type = Value::Type::Bool;
            return Literal("false", v);
        case 'n':
            return Literal("null", v);
        default:
            return Number();
        }
    }

    // Every escape is decoded; \u only within ASCII, which is all that
    // the files' names and ops use.
    std::string String() {
        static constexpr std::string_view kEscaped = "\"\\/bfnrt", kMeant = "\"\\/\b\f\n\r\t";
        ++pos_;  // opening quote
        std::string out;
        while (true) {
            if (pos_ >= s_.size()) Fail("unterminated string");
            const char c = s_[pos_++];
            if (c == '"') return out;
            if (c != '\\') {
                out += c;
            } else if (At(kEscaped)) {
                out += kMeant[kEscaped.find(s_[pos_++])];
            } else if (At("u")) {
                unsigned code = 0;
                const char *first = s_.data() + pos_ + 1;
                if (pos_ + 5 > s_.size() || std::from_chars(first, first + 4, code, 16).ptr != first + 4)
                    Fail("bad \\u escape");
                if (code > 0x7F) Fail("non-ASCII \\u escape");
                pos_ += 5;
                out += static_cast<char>(code);
            } else {
                Fail("bad escape");
            }
        }
    }

    Value Number() {
        const size_t start = pos_;
        bool integral = true;
        for (; At("0123456789.eE+-"); ++pos_) integral = integral && !At(".eE");
        const char *first = s_.data() + start;
        const char *last = s_.data() + pos_;
        if (first == last) Fail("unexpected character");
        Value v;
        v.type = Value::Type::Number;
        const auto d = std::from_chars(first, last, v.number);
        if (d.ec != std::errc() || d.ptr != last) Fail("bad number");
        if (integral) {
            const auto i = std::from_chars(first, last, v.integer);
            v.integral = i.ec == std::errc() && i.ptr == last;
        }
        return v;
    }
};

}  // namespace

const Value *Value::Find(std::string_view key) const {
    for (const auto &[name, value] : members)
        if (name == key) return &value;
    return nullptr;
}

const Value &Value::At(std::string_view key) const {
    const Value *v = Find(key);
    if (!v) throw Error("JSON: missing member \"" + std::string(key) + "\"");
    return *v;
}

const Value &Value::At(size_t index) const {
    if (!IsArray() || index >= items.size()) throw Error("JSON: no element " + std::to_string(index));
    return items[index];
}

int64_t Value::AsInt() const {
    if (type != Type::Number || !integral) throw Error("JSON: expected an integer");
    return integer;
}

double Value::AsDouble() const {
    if (type != Type::Number) throw Error("JSON: expected a number");
    return number;
}

const std::string &Value::AsString() const {
    if (type != Type::String) throw Error("JSON: expected a string");
    return text;
}

Value Parse(std::string_view text) { return Parser(text).Document(); }

}  // namespace json
