#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
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

namespace {

// This process's environment with `environment` ("NAME=value") added, each
// replacing a variable of the same name.
std::vector<std::string> ChildEnvironment(const std::vector<std::string>& environment) {
  std::vector<std::string> envStrings;
  for (char** e = environ; e && *e; ++e) {
    std::string entry = *e;
    std::string name = entry.substr(0, entry.find('='));
    bool replaced = false;
    for (const auto& extra : environment)
      if (extra.substr(0, extra.find('=')) == name) replaced = true;
    if (!replaced) envStrings.push_back(entry);
  }
  envStrings.insert(envStrings.end(), environment.begin(), environment.end());
  return envStrings;
}

// The null-terminated array of pointers that execve takes; `strings` must
// outlive it.
std::vector<char*> PointerArray(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  pointers.reserve(strings.size() + 1);
  for (auto& s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

// Forks and runs the program; on success `toChild` is its standard input
// and `fromChild` its standard output. -1 when it could not be started.
pid_t StartChild(std::vector<char*>& argp, std::vector<char*>& envp, int errors, int& toChild,
                 int& fromChild) {
  // Standard input is a socket so that an answer to a program that has
  // already gone fails with EPIPE instead of raising SIGPIPE here.
  int inPair[2] = {-1, -1};
  int outPipe[2] = {-1, -1};
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, inPair) != 0) return -1;
  if (pipe2(outPipe, O_CLOEXEC) != 0) {
    CloseFd(inPair[0]);
    CloseFd(inPair[1]);
    return -1;
  }
  int devNull = errors >= 0 ? -1 : open("/dev/null", O_WRONLY | O_CLOEXEC);

  pid_t pid = fork();
  if (pid == 0) {
    dup2(inPair[1], 0);
    dup2(outPipe[1], 1);
    dup2(errors >= 0 ? errors : devNull, 2);
    syscall(SYS_close_range, 3U, ~0U, 0U);
    execve(argp[0], argp.data(), envp.data());
    _exit(127);
  }
  CloseFd(inPair[1]);
  CloseFd(outPipe[1]);
  if (devNull >= 0) close(devNull);
  toChild = inPair[0];
  fromChild = outPipe[0];
  if (pid < 0) {
    CloseFd(toChild);
    CloseFd(fromChild);
  }
  return pid;
}

// One running child: its descriptors, its time limit and the keep-alive
// calls made while waiting for it.
struct Child {
  pid_t pid;
  int toChild;
  int fromChild;
  long long deadline;
  long long slice;  // the waits go by in slices this long, each followed by keepAlive
  const std::function<void()>& keepAlive;
  long long lastKeepAlive = NowMillis();
  bool killed = false;

  void StayAlive() {
    if (!keepAlive || NowMillis() - lastKeepAlive < kKeepAliveMillis) return;
    keepAlive();
    lastKeepAlive = NowMillis();
  }
  void Kill() {
    kill(pid, SIGKILL);
    killed = true;
  }
};

// Passes the output seen since the last answer to `converse` and acts on
// its reply.
void Answer(Child& child, std::string& pending,
            const std::function<ChildReply(const std::string& pending)>& converse) {
  if (!converse || child.toChild < 0) return;
  ChildReply reply = converse(pending);
  if (reply.kind == ChildReply::kAnswer) {
    std::string line = reply.text + "\n";
    if (send(child.toChild, line.data(), line.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(line.size()))
      CloseFd(child.toChild);
    pending.clear();
  } else if (reply.kind == ChildReply::kCloseInput) {
    shutdown(child.toChild, SHUT_WR);
    pending.clear();
  }
}

// Reads the child's output until it closes it or the time limit passes (the
// child is then killed).
void ReadOutput(Child& child, std::string& output,
                const std::function<ChildReply(const std::string& pending)>& converse) {
  std::string pending;
  while (child.fromChild >= 0) {
    child.StayAlive();
    long long left = child.deadline - NowMillis();
    if (left <= 0) {
      child.Kill();
      break;
    }
    pollfd pfd{child.fromChild, POLLIN, 0};
    int ready = poll(&pfd, 1, static_cast<int>(std::min(left, child.slice)));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) continue;
    char buffer[1024];
    ssize_t n = read(child.fromChild, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      CloseFd(child.fromChild);
      break;
    }
    output.append(buffer, static_cast<std::size_t>(n));
    pending.append(buffer, static_cast<std::size_t>(n));
    Answer(child, pending, converse);
  }
  CloseFd(child.fromChild);
  CloseFd(child.toChild);
}

// The output is closed; the program may still be finishing. Waits for it
// within what is left of the limit, and returns its wait status.
int Reap(Child& child) {
  int status = 0;
  for (;;) {
    pid_t done = waitpid(child.pid, &status, child.killed ? 0 : WNOHANG);
    if (done == child.pid) break;
    if (done < 0 && errno != EINTR) break;
    if (!child.killed && NowMillis() >= child.deadline) {
      child.Kill();
      continue;
    }
    if (!child.killed) {
      timespec pause{0, 5L * 1000 * 1000};
      nanosleep(&pause, nullptr);
      child.StayAlive();
    }
  }
  return status;
}

// The first 64 KiB the child wrote on standard error; the descriptor is
// closed.
std::string ReadErrors(int& errors) {
  std::string text;
  if (errors < 0) return text;
  char buffer[4096];
  ssize_t n = 0;
  for (off_t at = 0; at < 65536 && (n = pread(errors, buffer, sizeof buffer, at)) > 0; at += n)
    text.append(buffer, static_cast<std::size_t>(n));
  CloseFd(errors);
  return text;
}

}  // namespace

ChildResult RunChild(const std::vector<std::string>& argv,
                     const std::vector<std::string>& environment, int timeoutMillis,
                     const std::function<ChildReply(const std::string& pending)>& converse,
                     const std::function<void()>& keepAlive) {
  ChildResult result;
  if (argv.empty()) return result;

  // Everything the child needs is made before fork: after it, in a program
  // with threads, only async-signal-safe calls are allowed.
  std::vector<std::string> envStrings = ChildEnvironment(environment);
  std::vector<char*> envp = PointerArray(envStrings);
  std::vector<std::string> args = argv;
  std::vector<char*> argp = PointerArray(args);

  // Standard error goes to a file in memory, read once the child is gone: a
  // pipe the child fills while nobody reads would stop it.
  int errors = memfd_create("child-stderr", MFD_CLOEXEC);
  int toChild = -1;
  int fromChild = -1;
  const pid_t pid = StartChild(argp, envp, errors, toChild, fromChild);
  if (pid < 0) {
    CloseFd(errors);
    return result;
  }
  result.started = true;
  if (!converse) shutdown(toChild, SHUT_WR);

  Child child{pid,
              toChild,
              fromChild,
              NowMillis() + timeoutMillis,
              keepAlive ? kKeepAliveMillis : timeoutMillis,
              keepAlive};
  ReadOutput(child, result.output, converse);
  const int status = Reap(child);
  result.timedOut = child.killed;
  if (!child.killed && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  result.errors = ReadErrors(errors);
  return result;
}

}  // namespace tessavue
