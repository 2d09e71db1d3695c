// The remembered search targets in memory, for the tests and the demo.
#pragma once

#include <string>
#include <vector>

#include "remembered_targets.h"

namespace tessavue {

class MemoryTargetStore : public TargetStore {
 public:
  Read ReadLines(std::vector<std::string>& lines) override {
    lines = lines_;
    if (unreadable_) return Read::kUnreadable;
    return stored_ ? Read::kRead : Read::kNothing;
  }
  bool WriteLines(const std::vector<std::string>& lines) override {
    ++writes_;
    if (writeFails_) return false;
    lines_ = lines;
    stored_ = true;
    unreadable_ = false;
    return true;
  }
  std::string Where() const override { return "memory"; }

  // Knobs: the stored lines (as if written by hand), a store that cannot be
  // read or written.
  void SetLines(std::vector<std::string> lines) {
    lines_ = std::move(lines);
    stored_ = true;
  }
  void SetUnreadable(bool unreadable) { unreadable_ = unreadable; }
  void SetWriteFails(bool fails) { writeFails_ = fails; }
  const std::vector<std::string>& lines() const { return lines_; }
  int writes() const { return writes_; }

 private:
  std::vector<std::string> lines_;
  bool stored_ = false;
  bool unreadable_ = false;
  bool writeFails_ = false;
  int writes_ = 0;
};

}  // namespace tessavue
