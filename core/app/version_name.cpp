#include "version_name.h"

#include <cstdint>

namespace tessavue {

namespace {

constexpr std::uint32_t kPlatformWindows = 1;  // VER_PLATFORM_WIN32_WINDOWS
constexpr std::uint32_t kPlatformNt = 2;       // VER_PLATFORM_WIN32_NT
constexpr std::uint32_t kPlatformCe = 3;       // VER_PLATFORM_WIN32_CE

const char* WindowsFamilyName(std::uint32_t major, std::uint32_t minor, std::uint32_t build) {
  if (major != 4) return nullptr;
  if (minor < 10) {
    if (build == 950) return "Windows 95";
    if (build > 950 && build <= 1080) return "Windows 95 SP1";
    if (build > 1080) return "Windows 95 OSR2";
    return nullptr;
  }
  if (minor == 10) {
    if (build == 1998) return "Windows 98";
    if (build > 1998 && build < 2183) return "Windows 98 SP1";
    if (build >= 2183) return "Windows 98 SE";
    return nullptr;
  }
  if (minor == 90) return "Windows ME";
  return nullptr;
}

const char* NtFamilyName(std::uint32_t major, std::uint32_t minor) {
  if (major == 3 && minor == 51) return "Windows NT 3.51";
  if (major == 4 && minor == 0) return "Windows NT 4";
  if (major == 5 && minor == 0) return "Windows 2000";
  if (major == 5 && minor == 1) return "Windows XP";
  return nullptr;
}

}  // namespace

void GetWindowsVersionName(SystemInfo& system, std::string& name) {
  name = "unknown Windows version";
  OsVersionInfo info;
  if (!system.GetVersionInfo(info)) return;
  std::uint32_t build = info.buildNumber & 0xFFFFu;
  const char* found = nullptr;
  switch (info.platformId) {
    case kPlatformWindows: found = WindowsFamilyName(info.majorVersion, info.minorVersion, build); break;
    case kPlatformNt: found = NtFamilyName(info.majorVersion, info.minorVersion); break;
    case kPlatformCe: found = "Windows CE"; break;
    default: break;
  }
  if (found) name = found;
}

}  // namespace tessavue
