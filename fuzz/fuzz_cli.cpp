// The command line's argument parsing, and the commands it leads to, over the
// in-memory network with one simulated device. Beyond "no crash": the exit
// code is one of the four, bad usage sends nothing, every run ends within
// its waits, and no password (nor an unknown command word, which may be one)
// is ever written out.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "cli.h"
#include "memory_segment.h"
#include "fuzz_check.h"
#include "memory_network.h"
#include "virtual_clock.h"
#include "protocol.h"

using namespace tessavue;

namespace {

class NoShell : public Shell {
 public:
  void OpenWebPage(const std::string&) override {}
};

const char* const kCommands[] = {"scan",       "shares",    "login",  "set-dhcp",
                                 "set-static", "open",      "drives", "connect",
                                 "disconnect", "reconnect", "targets"};

const char* const kWords[] = {"scan",
                              "shares",
                              "login",
                              "set-dhcp",
                              "set-static",
                              "open",
                              "--json",
                              "--user",
                              "--password",
                              "--password-stdin",
                              "--ip",
                              "--netmask",
                              "--gateway",
                              "--local-ip",
                              "--help",
                              "-h",
                              "192.168.0.20",
                              "192.168.0.100",
                              "255.255.255.0",
                              "192.168.0.1",
                              "--password=",
                              "connect",
                              "targets",
                              "--target",
                              "--no-remembered",
                              "192.168.0.0/24",
                              "drives",
                              "disconnect",
                              "reconnect",
                              "--wait",
                              "--remember",
                              "--version",
                              "--user=",
                              "--",
                              "add",
                              "forget",
                              "E:"};

struct Outcome {
  int code;
  std::string text;  // standard output and standard error
  bool sent;
  std::int64_t micros;
};

Outcome RunOnce(const std::vector<std::string>& args, const std::string& input) {
  VirtualClock clock(1000000);
  MemoryNetwork network(clock);
  SimulatedSegment segment(network);
  DeviceSettings nas;
  nas.name = "nas";
  nas.ip = Ipv4Address{{192, 168, 0, 20}};
  nas.netmask = Ipv4Address{{255, 255, 255, 0}};
  nas.gateway = Ipv4Address{{192, 168, 0, 1}};
  nas.shares = "public:media";
  nas.replyDelayMicros = 5000;
  segment.AddDevice(nas);
  NoShell shell;
  std::istringstream in(input);
  std::ostringstream out, err;
  const std::int64_t start = clock.NowMicros();
  const int code = cli::Run(args, in, out, err, network, clock, shell);
  return {code, out.str() + err.str(), !network.sent().empty(), clock.NowMicros() - start};
}

bool IsCommand(const std::string& word) {
  for (const char* command : kCommands)
    if (word == command) return true;
  return false;
}

// Up to ten arguments: known words most of the time, so that the fuzzer
// reaches the commands.
std::vector<std::string> ReadArgs(FuzzedDataProvider& in) {
  std::vector<std::string> args;
  const int count = in.ConsumeIntegralInRange(0, 10);
  for (int i = 0; i < count; ++i) {
    if (in.ConsumeBool()) {
      std::string word = kWords[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kWords) - 1)];
      if (word.back() == '=') word += in.ConsumeRandomLengthString(24);
      args.push_back(word);
    } else {
      args.push_back(in.ConsumeRandomLengthString(24));
    }
  }
  return args;
}

// What must never be shown: password values, the password line on
// standard input, and a first word that names no command. `blanked` is the
// same command line with each of them replaced by as many 0x01 bytes.
struct Secrets {
  std::vector<std::string> secrets;
  std::vector<std::string> blanked;
  std::string blankedInput;
};

Secrets FindSecrets(const std::vector<std::string>& args, const std::string& input) {
  Secrets found{{}, args, input};
  std::vector<std::string>& secrets = found.secrets;
  std::vector<std::string>& blanked = found.blanked;
  auto secret = [&](std::string& place, std::size_t from) {
    secrets.push_back(place.substr(from));
    place.replace(from, std::string::npos, place.size() - from, '\x01');
  };
  bool positional = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--password" && i + 1 < args.size()) secret(blanked[i + 1], 0);
    if (a.rfind("--password=", 0) == 0) secret(blanked[i], 11);
    if (a == "--password-stdin") {
      const std::string line = input.substr(0, input.find('\n'));
      secrets.push_back(line);
      found.blankedInput.replace(0, line.size(), line.size(), '\x01');
    }
    const bool takesValue = a == "--user" || a == "--password" || a == "--ip" || a == "--netmask" ||
                            a == "--gateway" || a == "--local-ip" || a == "--target" ||
                            a == "--wait";
    if (takesValue) {
      ++i;
      continue;
    }
    if (!positional && !a.empty() && a[0] != '-') {
      positional = true;
      if (!IsCommand(a)) secret(blanked[i], 0);
    }
  }
  return found;
}

// A secret may show only where a run with it blanked out shows the same
// text (it is then part of the tool's own words).
void CheckSecretsHidden(const Outcome& run, const std::vector<std::string>& args,
                        const Secrets& found) {
  std::vector<std::string> longSecrets;
  for (const std::string& s : found.secrets)
    if (s.size() >= 6 && s.find('\r') == std::string::npos) longSecrets.push_back(s);
  bool shown = false;
  for (const std::string& s : longSecrets) shown = shown || run.text.find(s) != std::string::npos;
  if (!shown) return;
  const Outcome base = RunOnce(found.blanked, found.blankedInput);
  for (const std::string& s : longSecrets) {
    if (run.text.find(s) == std::string::npos || base.text.find(s) != std::string::npos) continue;
    std::fprintf(stderr, "secret shown: '%s'\nargs:", s.c_str());
    for (const std::string& a : args) std::fprintf(stderr, " '%s'", a.c_str());
    std::fprintf(stderr, "\noutput:\n%s\n", run.text.c_str());
    FUZZ_CHECK(false);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const std::vector<std::string> args = ReadArgs(in);
  const std::string input = in.ConsumeRandomLengthString(64);
  const Secrets found = FindSecrets(args, input);

  const Outcome run = RunOnce(args, input);
  FUZZ_CHECK(run.code >= cli::kExitDone && run.code <= cli::kExitNotFound);
  if (run.code == cli::kExitUsage) FUZZ_CHECK(!run.sent);
  // A search, a login and a set request at the most, each within its time.
  FUZZ_CHECK(run.micros <= kSearchWindowMicros + 100000 + LongestWait(kQueryLoop) + 100000 +
                               LongestWait(kSetLoop) + 100000);
  CheckSecretsHidden(run, args, found);
  return 0;
}
