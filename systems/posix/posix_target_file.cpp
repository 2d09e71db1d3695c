#include "posix_target_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace tessavue {

namespace {

// A list of targets is a few hundred bytes; a bigger file is no such list.
constexpr std::size_t kMostBytes = std::size_t{64} * 1024;

bool MakeFolder(const std::string& path) {
  // Every missing folder on the way, private to the user as configuration
  // folders are.
  for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string part = path.substr(0, slash);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) return true;
  }
}

bool WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

std::string Trimmed(const std::string& line) {
  const std::size_t first = line.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  return line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

std::string TargetFilePath(const char* xdgConfigHome, const char* home) {
  if (xdgConfigHome != nullptr && xdgConfigHome[0] == '/')
    return std::string(xdgConfigHome) + "/tessavue/targets";
  if (home != nullptr && home[0] == '/') return std::string(home) + "/.config/tessavue/targets";
  return "";
}

PosixTargetFile::PosixTargetFile()
    : path_(TargetFilePath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"))) {}

TargetStore::Read PosixTargetFile::ReadLines(std::vector<std::string>& lines) {
  lines.clear();
  if (path_.empty()) return Read::kNothing;
  const int fd = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? Read::kNothing : Read::kUnreadable;
  std::string text;
  char buffer[4096];
  bool failed = false;
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || text.size() + static_cast<std::size_t>(n) > kMostBytes) {
      failed = true;
      break;
    }
    if (n == 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  close(fd);
  if (failed) return Read::kUnreadable;
  // Blank lines and spaces around a target are forgiven: the file may be
  // edited by hand.
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = Trimmed(text.substr(start, end - start));
    if (!line.empty()) lines.push_back(line);
    start = end + 1;
  }
  return Read::kRead;
}

bool PosixTargetFile::WriteLines(const std::vector<std::string>& lines) {
  if (path_.empty()) return false;
  const std::size_t slash = path_.rfind('/');
  if (slash != 0 && !MakeFolder(path_.substr(0, slash))) return false;
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  const std::string temporary = path_ + ".new";
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const bool written = WriteAll(fd, text) && fsync(fd) == 0;
  if (close(fd) != 0 || !written || rename(temporary.c_str(), path_.c_str()) != 0) {
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace tessavue
