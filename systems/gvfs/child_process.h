// Runs a helper program with an argument vector (no shell) and talks to it
// through its standard input and output, within a time limit.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tessavue {

struct ChildResult {
  bool started = false;   // the program could be started
  bool timedOut = false;  // killed at the time limit
  int exitCode = -1;      // exit status; -1 when it did not exit normally
  std::string output;     // everything it wrote on standard output
  std::string errors;     // what it wrote on standard error (its first 64 KiB)
};

// What to do with the output seen since the last answer: nothing yet, write
// an answer line, or close standard input (the program then reads end of
// file).
struct ChildReply {
  enum Kind { kWait, kAnswer, kCloseInput } kind = kWait;
  std::string text;
};

// The full path of `program`: as given when it holds a slash, else the first
// executable of that name on PATH. Empty when there is none.
std::string FindProgram(const std::string& program);

// Starts `argv` (argv[0] a full path) with the environment of this process
// plus `environment` ("NAME=value", replacing a variable of the same name),
// standard error kept apart in `errors`. `converse` is called with the output not yet
// answered whenever more arrives. Standard input is closed when the program
// asks for nothing more or at once when `converse` is empty. While the
// program runs, `keepAlive` (when given) is called every few milliseconds, so
// that a window can go on handling its messages.
ChildResult RunChild(const std::vector<std::string>& argv,
                     const std::vector<std::string>& environment, int timeoutMillis,
                     const std::function<ChildReply(const std::string& pending)>& converse,
                     const std::function<void()>& keepAlive = {});

}  // namespace tessavue
