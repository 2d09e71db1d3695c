// tessavue-cli on Linux: real sockets, the real clock, xdg-open.
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "platform/posix/posix_clock.h"
#include "platform/posix/posix_network.h"
#include "platform/posix/posix_shell.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  tessavue::PosixNetwork network;
  tessavue::PosixClock clock;
  tessavue::PosixShell shell;
  return tessavue::cli::Run(args, std::cin, std::cout, std::cerr, network, clock, shell);
}
