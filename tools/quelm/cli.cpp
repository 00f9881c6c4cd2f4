// Argument handling for the quelm tool.
#include "tools/quelm/cli.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

namespace quelm_tool {

void usage_error(const std::string &what) { throw Failure(EXIT_USAGE, what); }
void failed(const std::string &what) { throw Failure(EXIT_FAILED, what); }

std::string printable(std::string_view text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            out += c;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            out += hex;
        }
    }
    return out;
}

namespace {

std::string quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

std::string number_text(double value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", value);
    return buf;
}

// Whole-string conversions; false when text is not entirely a number.  A
// whole number beyond 64 bits saturates, so that callers call it out of
// range rather than no number.
bool to_int64(std::string_view text, int64_t &out) {
    const char *end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, out);
    if (ec == std::errc::result_out_of_range && ptr == end)
        out = text.starts_with('-') ? INT64_MIN : INT64_MAX;
    else if (ec != std::errc())
        return false;
    return ptr == end && !text.empty();
}

bool to_double(std::string_view text, double &out) {
    const char *end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc() && ptr == end && !text.empty() && std::isfinite(out);
}

}  // namespace

int32_t parse_int(std::string_view text, int64_t lo, int64_t hi) {
    int64_t value = 0;
    if (!to_int64(text, value))
        usage_error(quoted(text) + " is not a whole number");
    if (value < lo || value > hi)
        usage_error(std::string(text) + " is out of range (" + std::to_string(lo) + " to " +
                    std::to_string(hi) + ")");
    return static_cast<int32_t>(value);
}

double parse_double(std::string_view text, double lo, double hi) {
    double value = 0;
    if (!to_double(text, value))
        usage_error(quoted(text) + " is not a number");
    if (value < lo || value > hi)
        usage_error(std::string(text) + " is out of range (" + number_text(lo) + " to " +
                    number_text(hi) + ")");
    return value;
}

uint32_t parse_hex(std::string_view text) {
    std::string_view digits = text;
    if (digits.starts_with("0x") || digits.starts_with("0X")) digits.remove_prefix(2);
    uint32_t value = 0;
    const char *end = digits.data() + digits.size();
    auto [ptr, ec] = std::from_chars(digits.data(), end, value, 16);
    if (digits.empty() || ptr != end || ec == std::errc::invalid_argument)
        usage_error(quoted(text) + " is not a hexadecimal number");
    if (ec == std::errc::result_out_of_range)
        usage_error(quoted(text) + " does not fit in 32 bits");
    return value;
}

std::array<double, 3> parse_point(std::string_view text) {
    std::array<double, 3> point{};
    std::string_view rest = text;
    for (int i = 0; i < 3; ++i) {
        const size_t comma = i < 2 ? rest.find(',') : std::string_view::npos;
        const std::string_view part = rest.substr(0, comma);
        // World coordinates are 32-bit integers in the model; keep the camera
        // within reach of them.
        if ((i < 2 && comma == std::string_view::npos) || !to_double(part, point[i]) ||
            std::fabs(point[i]) > 1e8)
            usage_error(quoted(text) + " is not X,Y,Z (three numbers within 100000000 of 0)");
        if (comma != std::string_view::npos) rest.remove_prefix(comma + 1);
    }
    return point;
}

Size parse_size(std::string_view text) {
    const size_t x = text.find('x');
    int64_t w = 0, h = 0;
    if (x == std::string_view::npos || !to_int64(text.substr(0, x), w) ||
        !to_int64(text.substr(x + 1), h))
        usage_error(quoted(text) + " is not WIDTHxHEIGHT");
    if (w < 1 || h < 1 || w > MAX_SIDE || h > MAX_SIDE)
        usage_error(std::string(text) + ": each side must be 1 to " + std::to_string(MAX_SIDE));
    return {static_cast<int>(w), static_cast<int>(h)};
}

namespace {

void print_help(std::string_view verb, std::string_view summary, std::span<const Option> options) {
    std::printf("usage: quelm %.*s [options]\n%.*s\n\noptions:\n", int(verb.size()), verb.data(),
                int(summary.size()), summary.data());
    for (const Option &o : options) {
        std::string head = std::string("  --") + o.name;
        if (o.meta) head += std::string(" ") + o.meta;
        print_option_help(head, o.help, 27);
    }
    print_option_help("  --help", "show this help", 27);
}

const Option *find_option(std::span<const Option> options, std::string_view name) {
    for (const Option &o : options)
        if (name == o.name) return &o;
    return nullptr;
}

}  // namespace

void print_option_help(const std::string &head, std::string_view help, int indent) {
    constexpr size_t WIDTH = 79;
    const auto new_line = [&] {
        std::printf("\n%*s", indent - 1, "");
        return size_t(indent - 1);
    };
    std::printf("%-*s", indent - 1, head.c_str());
    size_t column = std::max(head.size(), size_t(indent - 1));
    // Words as they fit; a newline in the help starts a new line.
    for (bool first = true; !help.empty() || first; first = false) {
        const size_t line_end = std::min(help.find('\n'), help.size());
        std::string_view line = help.substr(0, line_end);
        help.remove_prefix(std::min(line_end + 1, help.size()));
        if (!first) column = new_line();
        for (bool line_start = true; !line.empty();) {
            const size_t end = std::min(line.find(' '), line.size());
            if (end > 0) {
                if (!line_start && column + 1 + end > WIDTH) column = new_line();
                std::printf(" %.*s", int(end), line.data());
                column += 1 + end;
                line_start = false;
            }
            line.remove_prefix(std::min(end + 1, line.size()));
        }
    }
    std::printf("\n");
}

bool apply_options(std::span<const std::string_view> args, std::span<const Option> options,
                   const std::string &program,
                   const std::function<bool(std::string_view)> &ends) {
    for (size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        if (ends(arg)) return false;
        // -o is the one short option: the output file.
        if (arg == "-o") arg = "--output";
        if (!arg.starts_with("--") || arg.size() == 2)
            usage_error("unexpected argument " + quoted(arg) + " (see " + program + " --help)");
        std::string_view name = arg.substr(2);
        std::string_view value;
        const size_t eq = name.find('=');
        const bool inline_value = eq != std::string_view::npos;
        if (inline_value) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        const Option *option = find_option(options, name);
        if (!option)
            usage_error("unknown option --" + std::string(name) + " (see " + program + " --help)");
        const std::string flag = "--" + std::string(name);
        if (!option->meta) {
            if (inline_value) usage_error(flag + " takes no value");
        } else if (!inline_value) {
            if (i + 1 >= args.size()) usage_error(flag + " needs a value: " + option->meta);
            value = args[++i];
        }
        try {
            option->apply(value);
        } catch (const Failure &f) {
            throw Failure(f.status, flag + ": " + f.what());
        }
    }
    return true;
}

bool parse_options(std::string_view verb, std::string_view summary,
                   std::span<const std::string_view> args, std::span<const Option> options) {
    try {
        return apply_options(args, options, "quelm " + std::string(verb),
                             [&](std::string_view arg) {
                                 if (arg != "--help" && arg != "-h") return false;
                                 print_help(verb, summary, options);
                                 return true;
                             });
    } catch (const Failure &f) {
        throw Failure(f.status, std::string(verb) + ": " + f.what());
    }
}

bool progress_wanted() { return isatty(STDERR_FILENO); }

void show_progress(std::string_view what, int done, int total) {
    constexpr int WIDTH = 40;
    const int filled = int(int64_t{done} * WIDTH / total);
    std::fprintf(stderr, "\r%.*s [%.*s%*s] %d/%d", int(what.size()), what.data(), filled,
                 "########################################", WIDTH - filled, "", done, total);
    if (done == total) std::fputc('\n', stderr);
    std::fflush(stderr);
}

}  // namespace quelm_tool
