// commands.h - the quelm tool's verbs.  Each takes the arguments after its
// name, returns the exit status, and throws Failure for a one-line error.
#ifndef QUELM_TOOLS_COMMANDS_H
#define QUELM_TOOLS_COMMANDS_H

#include <span>
#include <string_view>

namespace quelm_tool {

using Args = std::span<const std::string_view>;

int model_command(Args args);
int render_command(Args args);
int spin_command(Args args);
int camera_command(Args args);
int bench_command(Args args);

}  // namespace quelm_tool

#endif
