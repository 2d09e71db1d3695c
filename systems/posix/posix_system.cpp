#include "posix_system.h"

#include <sys/utsname.h>

#include "posix_user.h"

namespace tessavue {

void ParseKernelRelease(const char* release, OsVersionInfo& info) {
  std::uint32_t parts[3] = {0, 0, 0};
  int part = 0;
  for (const char* p = release; *p != '\0' && part < 3; ++p) {
    if (*p >= '0' && *p <= '9') {
      std::uint32_t digit = std::uint32_t(*p - '0');
      if (parts[part] < 100000000u) parts[part] = parts[part] * 10 + digit;
    } else if (*p == '.') {
      ++part;
    } else {
      break;
    }
  }
  info.majorVersion = parts[0];
  info.minorVersion = parts[1];
  info.buildNumber = parts[2];
}

bool PosixSystemInfo::GetVersionInfo(OsVersionInfo& info) {
  info = OsVersionInfo{};
  utsname names{};
  if (uname(&names) == 0) ParseKernelRelease(names.release, info);
  info.platformId = 0;
  return true;
}

std::string PosixSystemInfo::GetUserName() {
  std::string name = LoggedOnUserName();
  if (name.size() > 127) name.resize(127);
  return name;
}

}  // namespace tessavue
