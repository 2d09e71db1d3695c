// tessavue-cli: the device protocol from a terminal. All of its logic is in
// Run() (the session; cli_options.h reads the line, cli_output.h writes the
// results), so the tests drive it over the in-memory network.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "cli_drives.h"
#include "cli_output.h"
#include "network.h"
#include "remembered_targets.h"
#include "system.h"

namespace tessavue::cli {

// Exit codes.
constexpr int kExitDone = 0;
constexpr int kExitDeviceFailed = 1;  // refused, did not answer, or the network is unusable
constexpr int kExitUsage = 2;         // bad usage or input; nothing was sent
constexpr int kExitNotFound = 3;      // no device with that address answered the search

// `args` without the program name. Data goes to `out`, messages to `err`,
// a password asked for with --password-stdin is read from `in`. drives,
// connect, disconnect and reconnect work on `drives` (nullptr: they fail);
// the remembered targets are kept in `store` (nullptr: none are).
int Run(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
        std::ostream& err, DatagramNetwork& network, Clock& clock, Shell& shell,
        DriveServices* drives = nullptr, TargetStore* store = nullptr);

}  // namespace tessavue::cli
