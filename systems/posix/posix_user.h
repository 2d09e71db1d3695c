// The user this process runs as, from the password database.
#pragma once

#include <string>

namespace tessavue {

struct PasswdEntry {
  std::string name;
  std::string home;
};

// The password database's entry of the effective user; false when it has
// none.
bool EffectiveUserEntry(PasswdEntry& entry);

// The effective user's name: the password database's, else $USER, else
// empty.
std::string LoggedOnUserName();

}  // namespace tessavue
