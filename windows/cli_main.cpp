// tessavue-cli.exe: the command-line tool on Windows sockets, the Windows
// clock, the Windows shell, the system's drive letters and the remembered
// targets in the registry.
#include <iostream>
#include <string>
#include <vector>

#include "cli.h"
#include "registry_target_store.h"
#include "win32_clock.h"
#include "win32_resolver.h"
#include "win32_system.h"
#include "winsock_network.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  tessavue::WinsockNetwork network;
  tessavue::Win32Clock clock;
  tessavue::win32::Win32Shell shell;
  tessavue::win32::Win32NetworkConnections connections;
  tessavue::win32::Win32NameResolver resolver;
  tessavue::cli::DriveServices drives{connections, resolver};
  tessavue::RegistryTargetStore remembered;
  return tessavue::cli::Run(args, std::cin, std::cout, std::cerr, network, clock, shell, &drives,
                            &remembered);
}
