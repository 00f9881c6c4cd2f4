// Scripted sessions: parsing a script into its timeline of input events.
#include "tools/viewer/script.h"

#include <SDL_keycode.h>
#include <SDL_mouse.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tools/quelm/cli.h"
#include "tools/viewer/compose.h"

namespace quelm_viewer {

const char *const SCRIPT_HELP =
    "Script (--script FILE): one command a line, '#' starts a comment.  Commands\n"
    "run in order; each starts at the frame where the one before it ended.\n"
    "  wait N                      let N frames be drawn\n"
    "  key KEY                     press KEY, release it a frame later\n"
    "  hold KEY N                  hold KEY down for N frames\n"
    "  mouse X Y                   move the pointer to window pixel X, Y\n"
    "  click X Y [right]           click there (one frame)\n"
    "  drag X0 Y0 X1 Y1 N [right]  drag from one pixel to the other over N frames\n"
    "  wheel N                     turn the wheel N notches (+ zooms in; one frame)\n"
    "  slider S PART               click a part of a dialog slider: line-up,\n"
    "                              line-down (its arrows), page-up, page-down (the\n"
    "                              track above or below the thumb); one frame\n"
    "  slider S drag DY [N]        drag its thumb DY pixels (+ down) over N frames (4)\n"
    "  press OK|Cancel             click a dialog button (one frame)\n"
    "  resize W H                  resize the window (one frame)\n"
    "  screenshot FILE             write the window as shown to a PNG (one frame)\n"
    "  quit                        end the session\n"
    "KEY: a letter, digit or one of + - = [ ] / ? , ., or left, right, up, down,\n"
    "pageup, pagedown, home, end, space, return, escape, tab, f1 ... f12; with\n"
    "shift+, ctrl+ or alt+ in front for modifiers.  S: a slider's control id\n"
    "(101 ...), or its caption (vd, view-ref-pt, ctr-project, bank, quelm, VR ...),\n"
    "which names the first slider under it; caption/2 the second, and so on.\n";

namespace {

struct NamedKey {
    std::string_view name;
    int32_t key;
};

constexpr NamedKey kNamedKeys[] = {
    {"left", SDLK_LEFT},       {"right", SDLK_RIGHT},       {"up", SDLK_UP},
    {"down", SDLK_DOWN},       {"pageup", SDLK_PAGEUP},     {"pagedown", SDLK_PAGEDOWN},
    {"home", SDLK_HOME},       {"end", SDLK_END},           {"space", SDLK_SPACE},
    {"return", SDLK_RETURN},   {"enter", SDLK_RETURN},      {"escape", SDLK_ESCAPE},
    {"esc", SDLK_ESCAPE},      {"tab", SDLK_TAB},           {"backspace", SDLK_BACKSPACE},
    {"f1", SDLK_F1},           {"f2", SDLK_F2},             {"f3", SDLK_F3},
    {"f4", SDLK_F4},           {"f5", SDLK_F5},             {"f6", SDLK_F6},
    {"f7", SDLK_F7},           {"f8", SDLK_F8},             {"f9", SDLK_F9},
    {"f10", SDLK_F10},         {"f11", SDLK_F11},           {"f12", SDLK_F12},
};

constexpr std::string_view kPunctuation = "+-=[]/?,.";

struct Modifier {
    std::string_view prefix;
    uint16_t mods;
};
constexpr Modifier kModifiers[] = {
    {"shift+", KMOD_LSHIFT}, {"ctrl+", KMOD_LCTRL}, {"alt+", KMOD_LALT}};

std::string lower(std::string_view text) {
    std::string out(text);
    for (char &c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::vector<std::string_view> words_of(std::string_view line) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        const size_t start = i;
        while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

// One line's parse: the words, and the place to blame.
class Line {
public:
    Line(std::string_view name, int number, std::vector<std::string_view> words)
        : name_(name), number_(number), words_(std::move(words)) {}

    [[noreturn]] void fail(const std::string &what) const {
        quelm_tool::failed(std::string(name_) + ":" + std::to_string(number_) + ": " + what);
    }
    size_t size() const { return words_.size(); }
    std::string_view word(size_t i) const { return words_[i]; }
    int number() const { return number_; }

    // Exactly `least` words after the command, or up to `most`.
    void expect(size_t least, size_t most, const char *usage) const {
        if (words_.size() - 1 < least || words_.size() - 1 > most)
            fail(std::string("expected: ") + usage);
    }
    int integer(size_t i, int lo, int hi) const {
        const std::string_view text = words_[i];
        int value = 0;
        const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (ec != std::errc() || ptr != text.data() + text.size())
            fail("'" + std::string(text) + "' is not a whole number");
        if (value < lo || value > hi)
            fail(std::string(text) + " is out of range (" + std::to_string(lo) + " to " +
                 std::to_string(hi) + ")");
        return value;
    }
    KeyChord key(size_t i) const {
        const auto chord = key_from_name(words_[i]);
        if (!chord) fail("unknown key '" + std::string(words_[i]) + "'");
        return *chord;
    }
    // An optional trailing "right" picks the right mouse button.
    int button(size_t i) const {
        if (i >= words_.size()) return SDL_BUTTON_LEFT;
        if (words_[i] != "right")
            fail("expected 'right' or nothing, not '" + std::string(words_[i]) + "'");
        return SDL_BUTTON_RIGHT;
    }

private:
    std::string_view name_;
    int number_;
    std::vector<std::string_view> words_;
};

// Pixel coordinates are window pixels; leave room for windows larger than
// any screen but refuse nonsense.
constexpr int kCoordLimit = 65535;
constexpr int kFrameLimit = 1000000;
// Scripts are short: reading stops past this many bytes (an endless file
// such as /dev/zero is refused), and drags may not expand into more input
// events than this.
constexpr size_t kMaxScriptBytes = size_t{1} << 20;
constexpr size_t kMaxEvents = 100000;

class Builder {
public:
    explicit Builder(Script &script) : script_(script) {}

    void add(ScriptEvent event, const Line &line, int64_t at_offset) {
        if (script_.events.size() == kMaxEvents)
            line.fail("the script makes more than " + std::to_string(kMaxEvents) +
                      " input events");
        event.frame = now_ + at_offset;
        event.line = line.number();
        script_.events.push_back(std::move(event));
    }
    void advance(int64_t frames) { now_ += frames; }
    int64_t now() const { return now_; }

    void key(const Line &line, KeyChord chord, int64_t held) {
        ScriptEvent e;
        e.kind = ScriptEvent::KEY_DOWN;
        e.key = chord.key;
        e.mods = chord.mods;
        add(e, line, 0);
        e.kind = ScriptEvent::KEY_UP;
        add(e, line, held);
        advance(held);
    }
    void click(const Line &line, const MouseTarget &target, int button) {
        ScriptEvent e;
        e.kind = ScriptEvent::MOUSE_DOWN;
        e.button = button;
        e.target = target;
        add(e, line, 0);
        // Released where it went down.
        e.kind = ScriptEvent::MOUSE_UP;
        add(e, line, 1);
        advance(1);
    }
    // Button down on `from`, then `steps` moves to the offset, then up.
    void drag(const Line &line, const MouseTarget &from, int dx, int dy, int steps, int button) {
        ScriptEvent e;
        e.kind = ScriptEvent::MOUSE_DOWN;
        e.button = button;
        e.target = from;
        add(e, line, 0);
        for (int i = 1; i <= steps; ++i) {
            ScriptEvent move;
            move.kind = ScriptEvent::MOUSE_MOVE;
            move.button = button;
            move.target.kind = MouseTarget::FROM_PRESS;
            move.target.x = int(int64_t{dx} * i / steps);
            move.target.y = int(int64_t{dy} * i / steps);
            add(move, line, i);
        }
        e.kind = ScriptEvent::MOUSE_UP;
        e.target.kind = MouseTarget::FROM_PRESS;
        e.target.x = dx;
        e.target.y = dy;
        add(e, line, steps);
        advance(steps);
    }

private:
    Script &script_;
    int64_t now_ = 0;
};

MouseTarget point(int x, int y) {
    MouseTarget t;
    t.kind = MouseTarget::POINT;
    t.x = x;
    t.y = y;
    return t;
}

MouseTarget slider_part(const Line &line, std::string_view ref, std::string_view part) {
    struct NamedPart {
        std::string_view name;
        MouseTarget::Part part;
    };
    static constexpr NamedPart kParts[] = {{"line-up", MouseTarget::LINE_UP},
                                           {"line-down", MouseTarget::LINE_DOWN},
                                           {"page-up", MouseTarget::PAGE_UP},
                                           {"page-down", MouseTarget::PAGE_DOWN}};
    MouseTarget t;
    t.kind = MouseTarget::SLIDER;
    t.ref = std::string(ref);
    for (const NamedPart &p : kParts)
        if (part == p.name) {
            t.part = p.part;
            return t;
        }
    line.fail("unknown slider part '" + std::string(part) +
              "' (line-up, line-down, page-up, page-down or drag)");
}

void parse_line(Builder &b, const Line &line) {
    const std::string_view command = line.word(0);
    if (command == "wait") {
        line.expect(1, 1, "wait N");
        b.advance(line.integer(1, 0, kFrameLimit));
    } else if (command == "key") {
        line.expect(1, 1, "key KEY");
        b.key(line, line.key(1), 1);
    } else if (command == "hold") {
        line.expect(2, 2, "hold KEY N");
        b.key(line, line.key(1), line.integer(2, 1, kFrameLimit));
    } else if (command == "mouse") {
        line.expect(2, 2, "mouse X Y");
        ScriptEvent e;
        e.kind = ScriptEvent::MOUSE_MOVE;
        e.button = 0;
        e.target = point(line.integer(1, 0, kCoordLimit), line.integer(2, 0, kCoordLimit));
        b.add(e, line, 0);
    } else if (command == "click") {
        line.expect(2, 3, "click X Y [right]");
        b.click(line, point(line.integer(1, 0, kCoordLimit), line.integer(2, 0, kCoordLimit)),
                line.button(3));
    } else if (command == "drag") {
        line.expect(5, 6, "drag X0 Y0 X1 Y1 N [right]");
        const int x0 = line.integer(1, 0, kCoordLimit), y0 = line.integer(2, 0, kCoordLimit);
        const int x1 = line.integer(3, 0, kCoordLimit), y1 = line.integer(4, 0, kCoordLimit);
        b.drag(line, point(x0, y0), x1 - x0, y1 - y0, line.integer(5, 1, kFrameLimit),
               line.button(6));
    } else if (command == "wheel") {
        line.expect(1, 1, "wheel N");
        ScriptEvent e;
        e.kind = ScriptEvent::WHEEL;
        e.amount = line.integer(1, -100, 100);
        b.add(e, line, 0);
        b.advance(1);
    } else if (command == "slider") {
        line.expect(2, 4, "slider S PART, or slider S drag DY [N]");
        if (line.word(2) == "drag") {
            line.expect(3, 4, "slider S drag DY [N]");
            MouseTarget thumb;
            thumb.kind = MouseTarget::SLIDER;
            thumb.ref = std::string(line.word(1));
            thumb.part = MouseTarget::THUMB;
            const int steps = line.size() > 4 ? line.integer(4, 1, kFrameLimit) : 4;
            b.drag(line, thumb, 0, line.integer(3, -kCoordLimit, kCoordLimit), steps,
                   SDL_BUTTON_LEFT);
        } else {
            line.expect(2, 2, "slider S PART");
            b.click(line, slider_part(line, line.word(1), line.word(2)), SDL_BUTTON_LEFT);
        }
    } else if (command == "press") {
        line.expect(1, 1, "press OK|Cancel");
        const std::string which = lower(line.word(1));
        if (which != "ok" && which != "cancel")
            line.fail("press takes OK or Cancel, not '" + std::string(line.word(1)) + "'");
        MouseTarget t;
        t.kind = MouseTarget::BUTTON;
        t.ref = which == "ok" ? "OK" : "Cancel";
        b.click(line, t, SDL_BUTTON_LEFT);
    } else if (command == "resize") {
        line.expect(2, 2, "resize W H");
        ScriptEvent e;
        e.kind = ScriptEvent::RESIZE;
        e.width = line.integer(1, 64, 8192);
        e.height = line.integer(2, 64, 8192);
        b.add(e, line, 0);
        b.advance(1);
    } else if (command == "screenshot") {
        line.expect(1, 1, "screenshot FILE");
        ScriptEvent e;
        e.kind = ScriptEvent::SCREENSHOT;
        e.file = std::string(line.word(1));
        if (!is_png_name(e.file))
            line.fail("screenshots are PNG: '" + e.file + "' names another format");
        b.add(e, line, 0);
        b.advance(1);
    } else if (command == "quit") {
        line.expect(0, 0, "quit");
        ScriptEvent e;
        e.kind = ScriptEvent::QUIT;
        b.add(e, line, 0);
    } else {
        line.fail("unknown command '" + std::string(command) + "'");
    }
}

}  // namespace

std::optional<KeyChord> key_from_name(std::string_view name) {
    std::string rest = lower(name);
    uint16_t mods = 0;
    for (bool found = true; found;) {
        found = false;
        for (const Modifier &m : kModifiers)
            if (rest.size() > m.prefix.size() && rest.starts_with(m.prefix)) {
                mods |= m.mods;
                rest.erase(0, m.prefix.size());
                found = true;
            }
    }
    if (rest.size() == 1) {
        const char c = rest[0];
        if (std::isalnum(static_cast<unsigned char>(c)) ||
            kPunctuation.find(c) != std::string_view::npos)
            return KeyChord{int32_t(c), mods};  // printable keys are their characters
        return std::nullopt;
    }
    for (const NamedKey &k : kNamedKeys)
        if (rest == k.name) return KeyChord{k.key, mods};
    return std::nullopt;
}

Script parse_script(std::string_view text, std::string_view name) {
    Script script;
    Builder builder(script);
    int number = 0;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++number;
        line = line.substr(0, line.find('#'));
        auto words = words_of(line);
        if (words.empty()) continue;
        parse_line(builder, Line(name, number, std::move(words)));
    }
    // Events of one frame keep script order: a stable sort by frame.
    std::stable_sort(script.events.begin(), script.events.end(),
                     [](const ScriptEvent &a, const ScriptEvent &b) { return a.frame < b.frame; });
    script.length = builder.now();
    if (!script.events.empty())
        script.length = std::max(script.length, script.events.back().frame + 1);
    return script;
}

Script load_script(const std::string &path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        quelm_tool::failed("cannot read the script " + path + ": " + std::strerror(EISDIR));
    std::ifstream in(path, std::ios::binary);
    if (!in) quelm_tool::failed("cannot read the script " + path);
    std::string text(kMaxScriptBytes + 1, '\0');
    in.read(text.data(), std::streamsize(text.size()));
    if (in.bad()) quelm_tool::failed("cannot read the script " + path);
    if (size_t(in.gcount()) > kMaxScriptBytes)
        quelm_tool::failed("the script " + path + " is larger than any script (" +
                           std::to_string(kMaxScriptBytes) + " bytes)");
    text.resize(size_t(in.gcount()));
    return parse_script(text, path);
}

}  // namespace quelm_viewer
