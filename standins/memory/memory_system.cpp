#include "memory_system.h"

namespace tessavue {

MemorySystem::MemorySystem() { SetVersion(2, 5, 1, 2600); }

bool MemorySystem::GetVersionInfo(OsVersionInfo& info) {
  ++versionQueries;
  if (!versionAvailable) return false;
  info = version;
  return true;
}

void MemorySystem::SetVersion(std::uint32_t platformId, std::uint32_t major, std::uint32_t minor,
                              std::uint32_t build) {
  version.platformId = platformId;
  version.majorVersion = major;
  version.minorVersion = minor;
  version.buildNumber = build;
}

}  // namespace tessavue
