#include "version_name.h"

#include <cstdint>

namespace tessavue {

namespace {

constexpr std::uint32_t kPlatformWindows = 1;  // VER_PLATFORM_WIN32_WINDOWS
constexpr std::uint32_t kPlatformNt = 2;       // VER_PLATFORM_WIN32_NT
constexpr std::uint32_t kPlatformCe = 3;       // VER_PLATFORM_WIN32_CE

struct Found {
  WindowsFamily family;
  const char* name;
};

Found WindowsFamilyName(std::uint32_t major, std::uint32_t minor, std::uint32_t build) {
  if (major != 4) return {WindowsFamily::kUnknown, nullptr};
  if (minor < 10) {
    if (build == 950) return {WindowsFamily::kWindows95, "Windows 95"};
    if (build > 950 && build <= 1080) return {WindowsFamily::kWindows95, "Windows 95 SP1"};
    if (build > 1080) return {WindowsFamily::kWindows95, "Windows 95 OSR2"};
    return {WindowsFamily::kUnknown, nullptr};
  }
  if (minor == 10) {
    if (build == 1998) return {WindowsFamily::kWindows98, "Windows 98"};
    if (build > 1998 && build < 2183) return {WindowsFamily::kWindows98, "Windows 98 SP1"};
    if (build >= 2183) return {WindowsFamily::kWindows98, "Windows 98 SE"};
    return {WindowsFamily::kUnknown, nullptr};
  }
  if (minor == 90) return {WindowsFamily::kWindowsMe, "Windows ME"};
  return {WindowsFamily::kUnknown, nullptr};
}

Found NtFamilyName(std::uint32_t major, std::uint32_t minor) {
  if (major == 3 && minor == 51) return {WindowsFamily::kNt4OrEarlier, "Windows NT 3.51"};
  if (major == 4 && minor == 0) return {WindowsFamily::kNt4OrEarlier, "Windows NT 4"};
  if (major == 5 && minor == 0) return {WindowsFamily::kNt5, "Windows 2000"};
  if (major == 5 && minor == 1) return {WindowsFamily::kNt5, "Windows XP"};
  return {WindowsFamily::kUnknown, nullptr};
}

}  // namespace

WindowsVersion GetWindowsVersion(SystemInfo& system) {
  WindowsVersion version;
  OsVersionInfo info;
  if (!system.GetVersionInfo(info)) return version;
  std::uint32_t build = info.buildNumber & 0xFFFFu;
  Found found{WindowsFamily::kUnknown, nullptr};
  switch (info.platformId) {
    case kPlatformWindows:
      found = WindowsFamilyName(info.majorVersion, info.minorVersion, build);
      break;
    case kPlatformNt: found = NtFamilyName(info.majorVersion, info.minorVersion); break;
    case kPlatformCe: found = {WindowsFamily::kCe, "Windows CE"}; break;
    default: break;
  }
  if (found.name) {
    version.family = found.family;
    version.name = found.name;
  }
  return version;
}

void GetWindowsVersionName(SystemInfo& system, std::string& name) {
  name = GetWindowsVersion(system).name;
}

}  // namespace tessavue
