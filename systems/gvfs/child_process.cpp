#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace tessavue {
namespace {

constexpr long long kKeepAliveMillis = 10;

long long NowMillis() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

bool IsExecutable(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

void CloseFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

}  // namespace

std::string FindProgram(const std::string& program) {
  if (program.empty()) return {};
  if (program.find('/') != std::string::npos)
    return IsExecutable(program) ? program : std::string();
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= dirs.size()) {
    std::size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string candidate =
        (end > start ? dirs.substr(start, end - start) : std::string(1, '.')) + "/" + program;
    if (IsExecutable(candidate)) return candidate;
    start = end + 1;
  }
  return {};
}

ChildResult RunChild(const std::vector<std::string>& argv,
                     const std::vector<std::string>& environment, int timeoutMillis,
                     const std::function<ChildReply(const std::string& pending)>& converse,
                     const std::function<void()>& keepAlive) {
  ChildResult result;
  if (argv.empty()) return result;

  // Everything the child needs is made before fork: after it, in a program
  // with threads, only async-signal-safe calls are allowed.
  std::vector<std::string> envStrings;
  for (char** e = environ; e && *e; ++e) {
    std::string entry = *e;
    std::string name = entry.substr(0, entry.find('='));
    bool replaced = false;
    for (const auto& extra : environment)
      if (extra.substr(0, extra.find('=')) == name) replaced = true;
    if (!replaced) envStrings.push_back(entry);
  }
  for (const auto& extra : environment) envStrings.push_back(extra);
  std::vector<char*> envp;
  for (auto& s : envStrings) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::vector<std::string> args = argv;
  std::vector<char*> argp;
  for (auto& s : args) argp.push_back(s.data());
  argp.push_back(nullptr);

  // Standard input is a socket so that an answer to a program that has
  // already gone fails with EPIPE instead of raising SIGPIPE here.
  int inPair[2] = {-1, -1};
  int outPipe[2] = {-1, -1};
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, inPair) != 0) return result;
  if (pipe2(outPipe, O_CLOEXEC) != 0) {
    CloseFd(inPair[0]);
    CloseFd(inPair[1]);
    return result;
  }
  int devNull = open("/dev/null", O_WRONLY | O_CLOEXEC);

  pid_t pid = fork();
  if (pid == 0) {
    dup2(inPair[1], 0);
    dup2(outPipe[1], 1);
    if (devNull >= 0) dup2(devNull, 2);
    syscall(SYS_close_range, 3U, ~0U, 0U);
    execve(argp[0], argp.data(), envp.data());
    _exit(127);
  }
  CloseFd(inPair[1]);
  CloseFd(outPipe[1]);
  if (devNull >= 0) close(devNull);
  int toChild = inPair[0];
  int fromChild = outPipe[0];
  if (pid < 0) {
    CloseFd(toChild);
    CloseFd(fromChild);
    return result;
  }
  result.started = true;
  if (!converse) shutdown(toChild, SHUT_WR);

  const long long deadline = NowMillis() + timeoutMillis;
  // The waits below go by in slices this long, each followed by keepAlive.
  const long long slice = keepAlive ? kKeepAliveMillis : timeoutMillis;
  long long lastKeepAlive = NowMillis();
  auto stayAlive = [&] {
    if (!keepAlive || NowMillis() - lastKeepAlive < kKeepAliveMillis) return;
    keepAlive();
    lastKeepAlive = NowMillis();
  };
  std::string pending;
  bool killed = false;
  while (fromChild >= 0) {
    stayAlive();
    long long left = deadline - NowMillis();
    if (left <= 0) {
      kill(pid, SIGKILL);
      killed = true;
      break;
    }
    pollfd pfd{fromChild, POLLIN, 0};
    int ready = poll(&pfd, 1, static_cast<int>(std::min(left, slice)));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) continue;
    char buffer[1024];
    ssize_t n = read(fromChild, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      CloseFd(fromChild);
      break;
    }
    result.output.append(buffer, static_cast<std::size_t>(n));
    pending.append(buffer, static_cast<std::size_t>(n));
    if (!converse || toChild < 0) continue;
    ChildReply reply = converse(pending);
    if (reply.kind == ChildReply::kAnswer) {
      std::string line = reply.text + "\n";
      if (send(toChild, line.data(), line.size(), MSG_NOSIGNAL) !=
          static_cast<ssize_t>(line.size()))
        CloseFd(toChild);
      pending.clear();
    } else if (reply.kind == ChildReply::kCloseInput) {
      shutdown(toChild, SHUT_WR);
      pending.clear();
    }
  }
  CloseFd(fromChild);
  CloseFd(toChild);

  // The output is closed; the program may still be finishing. Wait for it
  // within what is left of the limit.
  int status = 0;
  for (;;) {
    pid_t done = waitpid(pid, &status, killed ? 0 : WNOHANG);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) break;
    if (!killed && NowMillis() >= deadline) {
      kill(pid, SIGKILL);
      killed = true;
      continue;
    }
    if (!killed) {
      timespec pause{0, 5 * 1000 * 1000};
      nanosleep(&pause, nullptr);
      stayAlive();
    }
  }
  result.timedOut = killed;
  if (!killed && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  return result;
}

}  // namespace tessavue
