#include "posix_user.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace tessavue {

bool EffectiveUserEntry(PasswdEntry& entry) {
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  passwd pw{};
  passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &pw, buffer.data(), buffer.size(), &found) != 0 || found == nullptr)
    return false;
  entry.name = found->pw_name ? found->pw_name : "";
  entry.home = found->pw_dir ? found->pw_dir : "";
  return true;
}

std::string LoggedOnUserName() {
  PasswdEntry entry;
  if (EffectiveUserEntry(entry) && !entry.name.empty()) return entry.name;
  const char* user = std::getenv("USER");
  return user ? user : "";
}

}  // namespace tessavue
