// script.h - scripted sessions: a short text of timed key, mouse and dialog
// actions, turned into a timeline of input events by frame number.  The
// session plays the events as if a person had made them, so a script
// drives exactly the code a person does.
#ifndef QUELM_VIEWER_SCRIPT_H
#define QUELM_VIEWER_SCRIPT_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quelm_viewer {

// Where a mouse event happens.  Dialog places are looked up when the event
// is played, in the dialog then open.
struct MouseTarget {
    enum Kind {
        POINT,       // window pixel (x, y)
        FROM_PRESS,  // (x, y) away from where the button went down
        SLIDER,      // part of the slider `ref`
        BUTTON,      // the dialog button captioned `ref`
    };
    // The parts of a slider a click can hit.
    enum Part { THUMB, LINE_UP, LINE_DOWN, PAGE_UP, PAGE_DOWN };

    Kind kind = POINT;
    int x = 0, y = 0;
    std::string ref;  // slider: control id, or caption, or caption/N (N-th under it)
    Part part = THUMB;
};

struct ScriptEvent {
    enum Kind {
        KEY_DOWN, KEY_UP, MOUSE_DOWN, MOUSE_MOVE, MOUSE_UP, WHEEL, RESIZE, SCREENSHOT, QUIT
    };

    int64_t frame = 0;  // played before this frame is drawn
    Kind kind = QUIT;
    int32_t key = 0;    // SDL keycode
    uint16_t mods = 0;  // SDL key modifiers
    int button = 1;     // SDL mouse button: 1 left, 3 right
    MouseTarget target;
    int amount = 0;     // wheel notches, + towards the scene
    int width = 0, height = 0;
    std::string file;
    int line = 0;       // script line, for messages
};

struct Script {
    std::vector<ScriptEvent> events;  // by frame, in script order within a frame
    int64_t length = 0;               // frames the script takes
};

// Parses a script; throws quelm_tool::Failure naming `name` and the line on
// anything it cannot take.
Script parse_script(std::string_view text, std::string_view name);
// Reads and parses a file.
Script load_script(const std::string &path);

// An SDL keycode and modifiers from a name such as "w", "shift+left",
// "pagedown" or "f12"; nothing for a name it does not know.
struct KeyChord {
    int32_t key;
    uint16_t mods;
};
std::optional<KeyChord> key_from_name(std::string_view name);

extern const char *const SCRIPT_HELP;

}  // namespace quelm_viewer

#endif
