// dialog_rcgen - turns the DIALOG blocks of a Windows resource script into
// the platform layer's template table (dialog_templates.h), so that builds
// without Windows resources show the same dialogs as the Windows module.
//
//     dialog_rcgen quelm.rc dialog_templates.cpp
//
// Understands what the library's script uses: preprocessor lines and
// comments (skipped), LANGUAGE, and "name DIALOG x, y, cx, cy" with STYLE,
// CAPTION and FONT, holding LTEXT, PUSHBUTTON, DEFPUSHBUTTON, CHECKBOX and
// SCROLLBAR controls.  Anything else stops it with a one-line message and no
// output.  Style words come out as the resource compiler makes them: a
// control's defaults, WS_CHILD and WS_VISIBLE ORed into what is written;
// WS_CAPTION added by CAPTION and DS_SETFONT by FONT.
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "quelm_dialoghost.h"

namespace {

struct Token {
    enum Kind { End, Ident, Number, String, Comma, Bar } kind;
    std::string text;
    long value;
    int line;
};

struct Item {
    int32_t kind;
    uint32_t style;
    uint16_t id;
    int16_t x, y, cx, cy;
    std::string text;
};

struct Dialog {
    std::string name;  // empty for an integer resource
    uint16_t ordinal;
    uint32_t style;
    int16_t x, y, cx, cy;
    std::string caption;
    int16_t pointsize;
    std::string face;
    std::vector<Item> items;
};

struct ParseError : std::runtime_error {
    int line;
    ParseError(int at, const std::string &what) : std::runtime_error(what), line(at) {}
};

constexpr struct {
    std::string_view name;
    uint32_t value;
} kStyleNames[] = {
    {"WS_POPUP", WS_POPUP},       {"WS_CHILD", WS_CHILD},
    {"WS_VISIBLE", WS_VISIBLE},   {"WS_CAPTION", WS_CAPTION},
    {"WS_BORDER", WS_BORDER},     {"WS_SYSMENU", WS_SYSMENU},
    {"WS_GROUP", WS_GROUP},       {"WS_TABSTOP", WS_TABSTOP},
    {"DS_SETFONT", DS_SETFONT},   {"DS_MODALFRAME", DS_MODALFRAME},
    {"SBS_HORZ", SBS_HORZ},       {"SBS_VERT", SBS_VERT},
    {"BS_PUSHBUTTON", BS_PUSHBUTTON}, {"BS_DEFPUSHBUTTON", BS_DEFPUSHBUTTON},
    {"BS_CHECKBOX", BS_CHECKBOX}, {"BS_AUTOCHECKBOX", BS_AUTOCHECKBOX},
    {"SS_LEFT", SS_LEFT},
};

// Control statements: kind and the styles the resource compiler gives them.
constexpr struct {
    std::string_view keyword;
    int32_t kind;
    uint32_t style;
    bool hasText;
} kControls[] = {
    {"LTEXT", QUELM_ITEM_STATIC, SS_LEFT | WS_GROUP, true},
    {"PUSHBUTTON", QUELM_ITEM_BUTTON, BS_PUSHBUTTON | WS_TABSTOP, true},
    {"DEFPUSHBUTTON", QUELM_ITEM_BUTTON, BS_DEFPUSHBUTTON | WS_TABSTOP, true},
    {"CHECKBOX", QUELM_ITEM_CHECKBOX, BS_CHECKBOX | WS_TABSTOP, true},
    {"SCROLLBAR", QUELM_ITEM_SCROLLBAR, SBS_HORZ, false},
};

// A DIALOG without STYLE gets these.
constexpr uint32_t kDefaultDialogStyle = WS_POPUP | WS_BORDER | WS_SYSMENU;

bool SameWord(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

class Lexer {
public:
    explicit Lexer(std::string text) : src_(std::move(text)) {}

    Token Next() {
        SkipBlanks();
        Token t{Token::End, "", 0, line_};
        if (pos_ >= src_.size()) return t;
        const char c = src_[pos_];
        if (c == ',') {
            ++pos_;
            t.kind = Token::Comma;
        } else if (c == '|') {
            ++pos_;
            t.kind = Token::Bar;
        } else if (c == '"') {
            t.kind = Token::String;
            t.text = ReadString();
        } else if (std::isdigit(static_cast<unsigned char>(c)) || c == '-') {
            t.kind = Token::Number;
            t.value = ReadNumber();
        } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '{' ||
                   c == '}') {
            t.kind = Token::Ident;
            t.text = ReadWord();
        } else {
            throw ParseError(line_, std::string("unexpected character '") + c + "'");
        }
        return t;
    }

private:
    void SkipBlanks() {
        bool lineStart = pos_ == 0 || src_[pos_ - 1] == '\n';
        while (pos_ < src_.size()) {
            const char c = src_[pos_];
            if (c == '\n') {
                ++line_;
                ++pos_;
                lineStart = true;
            } else if (std::isspace(static_cast<unsigned char>(c))) {
                ++pos_;
            } else if (c == '#' && lineStart) {
                while (pos_ < src_.size() && src_[pos_] != '\n') ++pos_;
            } else if (src_.compare(pos_, 2, "//") == 0) {
                while (pos_ < src_.size() && src_[pos_] != '\n') ++pos_;
            } else if (src_.compare(pos_, 2, "/*") == 0) {
                const size_t close = src_.find("*/", pos_ + 2);
                if (close == std::string::npos) throw ParseError(line_, "unterminated comment");
                for (size_t i = pos_; i < close; ++i) line_ += src_[i] == '\n';
                pos_ = close + 2;
                lineStart = false;
            } else {
                return;
            }
        }
    }

    // "..." with "" standing for one quote, as resource scripts write it.
    std::string ReadString() {
        std::string out;
        ++pos_;
        for (;;) {
            if (pos_ >= src_.size() || src_[pos_] == '\n')
                throw ParseError(line_, "unterminated string");
            const char c = src_[pos_++];
            if (c != '"') {
                out += c;
            } else if (pos_ < src_.size() && src_[pos_] == '"') {
                out += '"';
                ++pos_;
            } else {
                return out;
            }
        }
    }

    long ReadNumber() {
        const char *start = src_.c_str() + pos_;
        char *end = nullptr;
        errno = 0;
        const long v = std::strtol(start, &end, 0);
        if (end == start || errno == ERANGE) throw ParseError(line_, "bad number");
        pos_ += static_cast<size_t>(end - start);
        if (pos_ < src_.size() && (src_[pos_] == 'L' || src_[pos_] == 'l')) ++pos_;
        if (pos_ < src_.size() && (std::isalnum(static_cast<unsigned char>(src_[pos_])) ||
                                   src_[pos_] == '_'))
            throw ParseError(line_, "bad number");
        return v;
    }

    std::string ReadWord() {
        if (src_[pos_] == '{' || src_[pos_] == '}') return std::string(1, src_[pos_++]);
        const size_t start = pos_;
        while (pos_ < src_.size() &&
               (std::isalnum(static_cast<unsigned char>(src_[pos_])) || src_[pos_] == '_'))
            ++pos_;
        return src_.substr(start, pos_ - start);
    }

    std::string src_;
    size_t pos_ = 0;
    int line_ = 1;
};

class Parser {
public:
    explicit Parser(std::string text) : lex_(std::move(text)) { Advance(); }

    std::vector<Dialog> Script() {
        std::vector<Dialog> dialogs;
        while (tok_.kind != Token::End) {
            if (tok_.kind == Token::Ident && SameWord(tok_.text, "LANGUAGE")) {
                Advance();
                Integer(0, 0xFFFF);
                Expect(Token::Comma, "','");
                Integer(0, 0xFFFF);
                continue;
            }
            Dialog d = DialogBlock();
            for (const Dialog &other : dialogs)
                if (SameWord(other.name, d.name) && other.ordinal == d.ordinal)
                    throw ParseError(tok_.line, "dialog defined twice");
            dialogs.push_back(std::move(d));
        }
        return dialogs;
    }

private:
    void Advance() { tok_ = lex_.Next(); }

    void Expect(Token::Kind kind, const char *what) {
        if (tok_.kind != kind) throw ParseError(tok_.line, std::string("expected ") + what);
        Advance();
    }

    bool AtWord(std::string_view word) const {
        return tok_.kind == Token::Ident && SameWord(tok_.text, word);
    }

    long Integer(long lo, long hi) {
        if (tok_.kind != Token::Number) throw ParseError(tok_.line, "expected a number");
        const long v = tok_.value;
        if (v < lo || v > hi) throw ParseError(tok_.line, "number out of range");
        Advance();
        return v;
    }

    int16_t Coordinate() { return static_cast<int16_t>(Integer(-32768, 32767)); }

    std::string Text() {
        if (tok_.kind != Token::String) throw ParseError(tok_.line, "expected a string");
        std::string s = tok_.text;
        Advance();
        return s;
    }

    // A | B | 0x10: names from kStyleNames and numbers.
    uint32_t StyleExpression() {
        uint32_t style = 0;
        for (;;) {
            if (tok_.kind == Token::Number) {
                style |= static_cast<uint32_t>(Integer(0, 0xFFFFFFFFL));
            } else if (tok_.kind == Token::Ident) {
                bool known = false;
                for (const auto &s : kStyleNames)
                    if (s.name == tok_.text) {
                        style |= s.value;
                        known = true;
                    }
                if (!known) throw ParseError(tok_.line, "unknown style '" + tok_.text + "'");
                Advance();
            } else {
                throw ParseError(tok_.line, "expected a style");
            }
            if (tok_.kind != Token::Bar) return style;
            Advance();
        }
    }

    void Rect(int16_t &x, int16_t &y, int16_t &cx, int16_t &cy) {
        x = Coordinate();
        Expect(Token::Comma, "','");
        y = Coordinate();
        Expect(Token::Comma, "','");
        cx = Coordinate();
        Expect(Token::Comma, "','");
        cy = Coordinate();
    }

    Dialog DialogBlock() {
        Dialog d{};
        if (tok_.kind == Token::Number) {
            d.ordinal = static_cast<uint16_t>(Integer(1, 0xFFFF));
        } else if (tok_.kind == Token::Ident || tok_.kind == Token::String) {
            d.name = tok_.text;
            Advance();
        } else {
            throw ParseError(tok_.line, "expected a resource name");
        }
        if (!AtWord("DIALOG")) throw ParseError(tok_.line, "only DIALOG resources are supported");
        Advance();
        Rect(d.x, d.y, d.cx, d.cy);
        d.style = kDefaultDialogStyle;
        uint32_t added = 0;
        for (;;) {
            if (AtWord("STYLE")) {
                Advance();
                d.style = StyleExpression();
            } else if (AtWord("CAPTION")) {
                Advance();
                d.caption = Text();
                added |= WS_CAPTION;
            } else if (AtWord("FONT")) {
                Advance();
                d.pointsize = static_cast<int16_t>(Integer(1, 32767));
                Expect(Token::Comma, "','");
                d.face = Text();
                added |= DS_SETFONT;
            } else {
                break;
            }
        }
        d.style |= added;
        if (!AtWord("BEGIN") && !AtWord("{")) throw ParseError(tok_.line, "expected BEGIN");
        Advance();
        while (!AtWord("END") && !AtWord("}")) d.items.push_back(Control());
        Advance();
        return d;
    }

    Item Control() {
        if (tok_.kind != Token::Ident) throw ParseError(tok_.line, "expected a control or END");
        for (const auto &c : kControls) {
            if (!SameWord(tok_.text, c.keyword)) continue;
            Advance();
            Item item{};
            item.kind = c.kind;
            if (c.hasText) {
                item.text = Text();
                Expect(Token::Comma, "','");
            }
            // Identifiers are 16-bit words: -1 is stored as 65535.
            item.id = static_cast<uint16_t>(Integer(-32768, 65535));
            Expect(Token::Comma, "','");
            Rect(item.x, item.y, item.cx, item.cy);
            item.style = WS_CHILD | WS_VISIBLE | c.style;
            if (tok_.kind == Token::Comma) {
                Advance();
                item.style |= StyleExpression();
            }
            return item;
        }
        throw ParseError(tok_.line, "unsupported control '" + tok_.text + "'");
    }

    Lexer lex_;
    Token tok_{};
};

std::string CString(const std::string &s) {
    std::string out = "\"";
    for (const unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\%03o", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string Emit(const std::vector<Dialog> &dialogs, const std::string &source) {
    std::ostringstream out;
    out << "// Generated by dialog_rcgen from " << source.substr(source.find_last_of("/\\") + 1)
        << "; do not edit.\n"
        << "#include \"dialog_templates.h\"\n\nnamespace {\n";
    for (size_t i = 0; i < dialogs.size(); ++i) {
        if (dialogs[i].items.empty()) continue;
        out << "const QUELM_DLGITEMTEMPLATE kItems" << i << "[] = {\n";
        for (const Item &it : dialogs[i].items)
            out << "    {" << it.kind << ", 0x" << std::hex << it.style << std::dec << "u, "
                << it.id << ", " << it.x << ", " << it.y << ", " << it.cx << ", " << it.cy
                << ", " << CString(it.text) << "},\n";
        out << "};\n";
    }
    out << "}  // namespace\n\nextern \"C\" const QUELM_DLGTEMPLATE QuelmModuleDialogs[] = {\n";
    for (size_t i = 0; i < dialogs.size(); ++i) {
        const Dialog &d = dialogs[i];
        out << "    {" << (d.name.empty() ? "nullptr" : CString(d.name)) << ", " << d.ordinal
            << ", 0x" << std::hex << d.style << std::dec << "u, " << d.x << ", " << d.y << ", "
            << d.cx << ", " << d.cy << ", " << CString(d.caption) << ", " << d.pointsize << ", "
            << CString(d.face) << ", "
            << (d.items.empty() ? std::string("nullptr") : "kItems" + std::to_string(i)) << ", "
            << d.items.size() << "},\n";
    }
    if (dialogs.empty()) out << "    {nullptr, 0, 0, 0, 0, 0, 0, \"\", 0, \"\", nullptr, 0},\n";
    out << "};\nextern \"C\" const int32_t QuelmModuleDialogCount = " << dialogs.size() << ";\n";
    return out.str();
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: dialog_rcgen SCRIPT.rc OUTPUT.cpp\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "dialog_rcgen: cannot read %s\n", argv[1]);
        return 1;
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string generated;
    try {
        generated = Emit(Parser(std::move(text)).Script(), argv[1]);
    } catch (const ParseError &e) {
        std::fprintf(stderr, "dialog_rcgen: %s:%d: %s\n", argv[1], e.line, e.what());
        return 1;
    }
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out << generated;
    out.close();
    if (!out) {
        std::fprintf(stderr, "dialog_rcgen: cannot write %s\n", argv[2]);
        std::remove(argv[2]);
        return 1;
    }
    return 0;
}
