// tessavue-cli and the search targets: the remembered list (the targets
// command) and the targets each searching command uses.
#pragma once

#include <iosfwd>
#include <vector>

#include "cli_options.h"
#include "protocol.h"
#include "remembered_targets.h"

namespace tessavue::cli {

// `targets`, `targets add ADDR[/NN]`, `targets forget [ADDR[/NN]]` over
// `store` (nullptr: there is nowhere to keep a list). `network` tells the
// workstation's own broadcast addresses; nothing is sent.
int RunTargets(const Options& o, std::ostream& out, std::ostream& err, TargetStore* store,
               DatagramNetwork& network);

// The targets a searching command uses: the remembered ones (unless
// --no-remembered; a damaged list is said on `err` and left out), then the
// --target options. kExitUsage, said on `err`, when a --target is refused.
int GatherTargets(const Options& o, std::ostream& err, TargetStore* store,
                  std::vector<SearchTarget>& targets);
// kExitUsage, said on `err`, when a --target is the broadcast address of one
// of `broadcasts` (the workstation's networks).
int RefuseOwnBroadcasts(const Options& o, std::ostream& err,
                        const std::vector<Ipv4Address>& broadcasts);
// The targets the last search could not send to, one line each on `err`.
void ReportTargetTroubles(const DeviceProtocol& protocol, std::ostream& err);

}  // namespace tessavue::cli
