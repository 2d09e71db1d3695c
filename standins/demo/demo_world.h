// What `tessavue --demo` runs against, in both programs: three simulated
// devices on the in-memory network (on a virtual clock, so a search costs no
// waiting) and an in-memory map of drive letters whose network offers the
// devices' shares, with one letter already mapped outside the program.
#pragma once

#include "demo_devices.h"
#include "memory_segment.h"
#include "memory_connections.h"
#include "memory_network.h"
#include "memory_resolver.h"
#include "virtual_clock.h"

namespace tessavue {

struct DemoWorld {
  DemoWorld();
  // As the program plays it: every wait lasts as long on `realClock` as on a
  // real network, and the devices confirm an address change after a few
  // seconds, as a device that restarts its network does.
  void PlayInRealTime(Clock& realClock);
  VirtualClock clock;
  MemoryNetwork network{clock};
  SimulatedSegment segment{network};
  MemoryConnections connections;
  // Every device name but that of the one on the next subnet, which is
  // mapped by its address.
  MemoryNameResolver resolver;
};

}  // namespace tessavue
