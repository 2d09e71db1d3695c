#include "posix_shell.h"

#include <fcntl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace tessavue {

PosixShell::PosixShell(std::string program) : program_(std::move(program)) {}

void PosixShell::OpenWebPage(const std::string& url) {
  // The URL comes from a device list; anything but a plain http URL (an
  // option for the opener, a file, another scheme) is not passed on.
  if (url.rfind("http://", 0) != 0 || url.find('\0') != std::string::npos) return;
  std::string program = program_;
  std::string argument = url;
  char* argv[] = {program.data(), argument.data(), nullptr};

  // Two forks: the browser is not our child, so no zombie is left behind and
  // nothing waits for it.
  pid_t child = fork();
  if (child < 0) return;
  if (child == 0) {
    pid_t grandchild = fork();
    if (grandchild == 0) {
      int null = open("/dev/null", O_RDWR);
      if (null >= 0) {
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        if (null > STDERR_FILENO) close(null);
      }
      setsid();
      execvp(argv[0], argv);
      _exit(127);
    }
    _exit(grandchild < 0 ? 1 : 0);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace tessavue
