// cli.h - argument handling shared by the quelm tool's verbs: failures that
// end the tool with a one-line message, value parsers that name the option
// at fault, and an option table that also produces each verb's --help.
#ifndef QUELM_TOOLS_CLI_H
#define QUELM_TOOLS_CLI_H

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quelm_tool {

// Exit statuses: a bad command line, and a command that could not be done.
inline constexpr int EXIT_USAGE = 2;
inline constexpr int EXIT_FAILED = 1;

// Ends the tool: main prints "quelm: <what>" on one line and exits with status.
struct Failure : std::runtime_error {
    Failure(int status, const std::string &what) : std::runtime_error(what), status(status) {}
    int status;
};

[[noreturn]] void usage_error(const std::string &what);
// The text with control and non-ASCII bytes as \xHH, so that a message
// stays one readable line whatever it quotes.
std::string printable(std::string_view text);
[[noreturn]] void failed(const std::string &what);

// Value parsers for option values: a failure names the text it could not
// take, and parse_options puts the verb and option in front.
int32_t parse_int(std::string_view text, int64_t lo, int64_t hi);
double parse_double(std::string_view text, double lo, double hi);
// Hexadecimal, with or without 0x; at most 32 bits.
uint32_t parse_hex(std::string_view text);
// X,Y,Z in world units (inches).
std::array<double, 3> parse_point(std::string_view text);

// The largest picture side: screen points are 16-bit.
inline constexpr int MAX_SIDE = 16384;
struct Size {
    int width, height;
};
// WIDTHxHEIGHT, each 1 to MAX_SIDE.
Size parse_size(std::string_view text);

// One option of a verb.  meta is null for a flag; otherwise the option takes
// a value, given as "--name VALUE" or "--name=VALUE".
struct Option {
    const char *name;
    const char *meta;
    std::string help;
    std::function<void(std::string_view)> apply;
};

// Prints an option's line of --help: the head, then its help wrapped to 79
// columns, continued lines indented by `indent`.
void print_option_help(const std::string &head, std::string_view help, int indent);

// Applies the "--name VALUE", "--name=VALUE" and "--flag" arguments to their
// options in order ("-o" stands for "--output"); program names the tool in
// the hints of its messages.  ends sees each argument first: when it returns
// true (it has printed help or a version), the walk stops and the result is
// false.  Throws Failure, naming the option, on anything amiss.
bool apply_options(std::span<const std::string_view> args, std::span<const Option> options,
                   const std::string &program,
                   const std::function<bool(std::string_view)> &ends);

// Applies args to the options in order.  Returns false when --help was
// asked for (and has been printed); throws Failure, its message starting
// with the verb (and the option), on anything amiss.
bool parse_options(std::string_view verb, std::string_view summary,
                   std::span<const std::string_view> args, std::span<const Option> options);

// A progress bar, redrawn in place, for long runs: wanted where standard
// error is a terminal.
bool progress_wanted();
void show_progress(std::string_view what, int done, int total);

}  // namespace quelm_tool

#endif
