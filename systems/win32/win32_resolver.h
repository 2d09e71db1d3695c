// Name service on Windows: what gethostbyname finds (hosts file, DNS,
// NetBIOS over TCP/IP, LLMNR), as the redirector would for "\\name".
#pragma once

#include "name_resolver.h"

namespace tessavue::win32 {

class Win32NameResolver : public NameResolver {
 public:
  bool Resolves(const std::string& name) override;
};

}  // namespace tessavue::win32
