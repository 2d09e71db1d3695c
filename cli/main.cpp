// tessavue-cli on Linux: real sockets, the real clock, xdg-open, drive
// letters as links to GVfs mounts, and the remembered targets in the user's
// configuration folder.
#include <iostream>
#include <string>
#include <vector>

#include "cli.h"
#include "gio_share_mounts.h"
#include "gvfs_connections.h"
#include "posix_clock.h"
#include "posix_network.h"
#include "posix_resolver.h"
#include "posix_shell.h"
#include "posix_target_file.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  tessavue::PosixNetwork network;
  tessavue::PosixClock clock;
  tessavue::PosixShell shell;
  tessavue::GioShareMounts mounts;
  tessavue::GvfsConnections connections(mounts);
  tessavue::PosixNameResolver resolver;
  tessavue::cli::DriveServices drives{connections, resolver};
  tessavue::PosixTargetFile remembered;
  return tessavue::cli::Run(args, std::cin, std::cout, std::cerr, network, clock, shell, &drives,
                            &remembered);
}
