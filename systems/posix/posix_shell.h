// The web page on Linux: the URL is handed to xdg-open as one argument of
// its own, never through a shell's command line.
#pragma once

#include <string>

#include "system.h"

namespace tessavue {

class PosixShell : public Shell {
 public:
  // `program` is looked up on PATH; tests put a recorder there.
  explicit PosixShell(std::string program = "xdg-open");
  // Starts the program detached and returns at once; a failure to start it
  // is not reported, as on Windows. Only "http://" URLs are handed on.
  void OpenWebPage(const std::string& url) override;

 private:
  std::string program_;
};

}  // namespace tessavue
