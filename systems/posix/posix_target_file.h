// The remembered search targets on Linux: a plain text file, one target a
// line, in $XDG_CONFIG_HOME/tessavue/ (~/.config/tessavue/ when that is not
// set).
#pragma once

#include <string>
#include <vector>

#include "remembered_targets.h"

namespace tessavue {

class PosixTargetFile : public TargetStore {
 public:
  // The file of the environment's configuration folder.
  PosixTargetFile();
  // The file at `path` (tests).
  explicit PosixTargetFile(std::string path) : path_(std::move(path)) {}

  Read ReadLines(std::vector<std::string>& lines) override;
  // Written whole to a new file that then replaces the old one, so that a
  // crash never leaves half a list.
  bool WriteLines(const std::vector<std::string>& lines) override;
  std::string Where() const override { return path_.empty() ? "(no home folder)" : path_; }

 private:
  std::string path_;
};

// $XDG_CONFIG_HOME/tessavue/targets, or $HOME/.config/tessavue/targets
// (XDG_CONFIG_HOME counts only when it is an absolute path); "" when
// neither can be had.
std::string TargetFilePath(const char* xdgConfigHome, const char* home);

}  // namespace tessavue
