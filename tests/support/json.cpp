#include "tests/support/json.h"

#include <charconv>
#include <cstring>

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

    [[noreturn]] void Fail(const char *what) const {
        throw Error(std::string("JSON: ") + what + " at offset " + std::to_string(pos_));
    }

    void SkipSpace() {
        while (pos_ < s_.size() && std::strchr(" \t\r\n", s_[pos_]) && s_[pos_] != '\0') ++pos_;
    }

    bool Eat(char c) {
        SkipSpace();
        if (pos_ < s_.size() && s_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    void Expect(char c) {
        if (!Eat(c)) Fail((std::string("expected '") + c + "'").c_str());
    }

    void Word(std::string_view word) {
        if (s_.substr(pos_, word.size()) != word) Fail("unknown literal");
        pos_ += word.size();
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
                if (pos_ >= s_.size() || s_[pos_] != '"') Fail("expected a member name");
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
            Word("true");
            v.type = Value::Type::Bool;
            v.boolean = true;
            return v;
        case 'f':
            Word("false");
            v.type = Value::Type::Bool;
            return v;
        case 'n':
            Word("null");
            return v;
        default:
            return Number();
        }
    }

    // Every escape is decoded; \u only within ASCII, which is all that
    // the files' names and ops use.
    std::string String() {
        ++pos_;  // opening quote
        std::string out;
        while (true) {
            if (pos_ >= s_.size()) Fail("unterminated string");
            const char c = s_[pos_++];
            if (c == '"') return out;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (pos_ >= s_.size()) Fail("unterminated escape");
            const char e = s_[pos_++];
            switch (e) {
            case '"': case '\\': case '/': out += e; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                unsigned code = 0;
                if (pos_ + 4 > s_.size() ||
                    std::from_chars(s_.data() + pos_, s_.data() + pos_ + 4, code, 16).ptr !=
                        s_.data() + pos_ + 4)
                    Fail("bad \\u escape");
                if (code > 0x7F) Fail("non-ASCII \\u escape");
                pos_ += 4;
                out += static_cast<char>(code);
                break;
            }
            default: Fail("bad escape");
            }
        }
    }

    Value Number() {
        const size_t start = pos_;
        if (pos_ < s_.size() && s_[pos_] == '-') ++pos_;
        bool integral = true;
        while (pos_ < s_.size() && std::strchr("0123456789.eE+-", s_[pos_]) && s_[pos_] != '\0') {
            if (std::strchr(".eE", s_[pos_])) integral = false;
            ++pos_;
        }
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
    if (!IsArray() || index >= items.size())
        throw Error("JSON: no element " + std::to_string(index));
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
