// corvane-cli: the command-line front end. It links no window system, so it runs on servers, in
// test rigs and over SSH where a windowed program would need a display server.
#include <iostream>

#include "cli/cli_main.h"

int main(int argc, char** argv) { return corvane::cli::CliMain(argc, argv, std::cout, std::cerr); }
