// The entry point of corvane-cli. main() calls CliMain; tests call it in process with their own
// streams (and RunCli with a fake USB stack).
#pragma once

#include <ostream>
#include <span>
#include <string>

#include "cli/session.h"

namespace corvane::cli {

// Returns the exit code (cli/exit_codes.h).
int CliMain(int argc, char** argv, std::ostream& out, std::ostream& err);
// The same without the program name: args[0] is the subcommand. `out_is_terminal` picks the
// progress bar over plain progress lines.
int RunCli(std::span<const std::string> args, std::ostream& out, std::ostream& err,
           const CliEnvironment& env, bool out_is_terminal = false);

}  // namespace corvane::cli
