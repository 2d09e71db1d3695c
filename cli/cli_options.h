// tessavue-cli's command line: the commands, the options, and their checks.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace tessavue::cli {

extern const char* const kHelp;

enum class Command {
  kNone,
  kScan,
  kShares,
  kLogin,
  kSetDhcp,
  kSetStatic,
  kOpen,
  kDrives,
  kConnect,
  kDisconnect,
  kReconnect,
  kTargets
};

// drives, connect, disconnect and reconnect: the workstation's drive letters.
inline bool IsDriveCommand(Command c) {
  return c == Command::kDrives || c == Command::kConnect || c == Command::kDisconnect ||
         c == Command::kReconnect;
}

// How long reconnect waits for a network by default, and at most.
constexpr int kReconnectWaitDefault = 60;
constexpr int kReconnectWaitMax = 3600;

struct Options {
  Command command = Command::kNone;
  std::string commandName;
  std::optional<std::string> device;
  // The words after a drive command, in order (connect: DEVICE_IP SHARE
  // LETTER; disconnect: LETTER).
  std::vector<std::string> operands;
  std::optional<std::string> user, password;
  // reconnect: --wait as given, and as read (seconds).
  std::optional<std::string> wait;
  int waitSeconds = kReconnectWaitDefault;
  std::optional<std::string> ip, netmask, gateway;
  std::optional<std::string> localIp;
  // --target, in the order given (repeatable).
  std::vector<std::string> targets;
  // targets: "" (list), "add" or "forget", and the target named.
  std::string targetsVerb;
  std::optional<std::string> targetsArg;
  bool json = false;
  bool passwordStdin = false;
  // connect: keep the password for the reconnect at sign-in.
  bool remember = false;
  // --no-remembered: the remembered targets are left out of the search.
  bool noRemembered = false;
  bool help = false;
  bool version = false;
  // The first word named no command: the usage lines follow the error.
  bool unknownCommand = false;
};

// The longest user name or password the device takes.
constexpr std::size_t kLoginTextMax = 16;

// Reads `args` into `o`; false with `error` set on bad usage. Errors never
// quote a value that might be a password.
bool Parse(const std::vector<std::string>& args, Options& o, std::string& error);

// The words after "targets" (a verb, then its target); false with `error`
// set when there is one too many.
bool TakeTargetsWord(const std::string& word, Options& o, std::string& error);
// The checks of a targets line as a whole.
bool CheckTargetsLine(const Options& o, std::string& error);

}  // namespace tessavue::cli
