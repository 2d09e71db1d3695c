#include "cli_options.h"

#include <CLI/CLI.hpp>

#include "cli_drives.h"

namespace tessavue::cli {

const char* const kHelp =
    "Usage:\n"
    "  tessavue-cli scan [--json]\n"
    "  tessavue-cli shares DEVICE_IP [--json]\n"
    "  tessavue-cli login DEVICE_IP [--user NAME] [--password TEXT | --password-stdin]\n"
    "  tessavue-cli set-dhcp DEVICE_IP [--user NAME] [--password TEXT | --password-stdin]\n"
    "  tessavue-cli set-static DEVICE_IP --ip ADDR --netmask ADDR --gateway ADDR\n"
    "                          [--user NAME] [--password TEXT | --password-stdin]\n"
    "  tessavue-cli open DEVICE_IP\n"
    "  tessavue-cli drives [--json]\n"
    "  tessavue-cli connect DEVICE_IP SHARE LETTER [--user NAME]\n"
    "                       [--password TEXT | --password-stdin] [--remember]\n"
    "  tessavue-cli disconnect LETTER\n"
    "  tessavue-cli reconnect [--json] [--wait SECONDS]\n"
    "  tessavue-cli targets [--json] | targets add ADDR[/NN] | targets forget [ADDR[/NN]]\n"
    "  every command that searches also takes [--local-ip ADDR], [--target ADDR[/NN]]...\n"
    "  and [--no-remembered]\n"
    "\n"
    "Finds the storage devices on the local network (UDP port 13579, group\n"
    "224.0.0.1), lists their shares, checks the administrator password, moves a\n"
    "device to DHCP or to a fixed address, opens its web page, and maps its\n"
    "shares to drive letters and unmaps them.\n"
    "\n"
    "Every command that names DEVICE_IP first runs one search and picks the\n"
    "device whose address it is.\n"
    "\n"
    "  scan          list the devices: name, address, netmask, gateway, DHCP, identifier\n"
    "  shares        list the device's share names\n"
    "  login         check the administrator user name and password\n"
    "  set-dhcp      log in, then switch the device to DHCP; prints its new address\n"
    "  set-static    check the addresses as the window's Apply does (the gateway must\n"
    "                be in the address's subnet), log in, then set them; prints the\n"
    "                new address\n"
    "  open          open http://DEVICE_IP in the browser (xdg-open)\n"
    "  drives        list the letters D: to Z:: free, local, connected or unavailable\n"
    "                (remembered, its server away), and the share each maps\n"
    "  connect       map SHARE of the device at DEVICE_IP to LETTER (D: to Z:, \"E\" or\n"
    "                \"E:\"), as \\\\NAME\\SHARE when the device's name resolves on this\n"
    "                workstation, else as \\\\DEVICE_IP\\SHARE. Whatever the letter held\n"
    "                goes only once the share is reached. On Linux a letter is a link\n"
    "                in ~/Network Drives to a GVfs mount made under the user named\n"
    "  disconnect    unmap LETTER; a letter with files open stays\n"
    "  reconnect     connect again every remembered letter whose share is not\n"
    "                connected, with the password the desktop's keyring holds (or\n"
    "                none); never asks for one. Waits up to --wait seconds\n"
    "                (default 60) for the network, trying again when the\n"
    "                interfaces change. One line per letter; exit 0 when every\n"
    "                remembered letter is connected, else 1\n"
    "  targets       list the remembered search targets, one a line (--json: an\n"
    "                array of strings); \"targets add\" remembers one, \"targets\n"
    "                forget\" forgets one, or all when none is named. The list is\n"
    "                the windows' (\"Search at address...\"), kept per user in\n"
    "                $XDG_CONFIG_HOME/tessavue/targets (~/.config/tessavue/targets;\n"
    "                on Windows HKEY_CURRENT_USER\\Software\\Tessavue), and every\n"
    "                command that searches also searches them\n"
    "\n"
    "Options:\n"
    "  --json             scan, shares and drives: JSON output. scan gives an array of\n"
    "                     {\"name\", \"ip\", \"netmask\", \"gateway\", \"dhcp\", \"id\"}\n"
    "                     (\"dhcp\" true for DHCP, \"id\" the 10-byte device identifier\n"
    "                     in 20 lowercase hex digits) in discovery order; shares an\n"
    "                     array of names; drives an array of {\"letter\", \"state\",\n"
    "                     \"maps\"} (\"maps\" null when free); reconnect the same for\n"
    "                     each remembered letter, with \"reason\" (null when connected).\n"
    "                     Device texts are 8-bit: bytes 0x80 and up\n"
    "                     are written as \\u0080..\\u00ff (their Latin-1 characters).\n"
    "  --user NAME        administrator user name (default \"qewro\"), at most 16 characters;\n"
    "                     connect: the share's user name, DOMAIN\\NAME or NAME (default:\n"
    "                     the logged-on user)\n"
    "  --password TEXT    administrator password (default \"qewro\"), at most 16 characters;\n"
    "                     connect: the share's password (default: none)\n"
    "  --password-stdin   read the password from the first line of standard input\n"
    "  --remember         connect: keep the password in the desktop's keyring, for\n"
    "                     reconnect and the reconnect at sign-in\n"
    "  --wait SECONDS     reconnect: the longest wait for the network (0 to 3600)\n"
    "  --local-ip ADDR    search only from this workstation address (any command\n"
    "                     that searches, anywhere on the line); default: every IPv4\n"
    "                     interface that is\n"
    "                     up, not loopback and multicast-capable\n"
    "  --target ADDR[/NN] also send the search by unicast to ADDR, or to every host\n"
    "                     address of the subnet ADDR/NN (NN from 22 to 32: at most\n"
    "                     1024 addresses, paced 16 a millisecond) (repeatable),\n"
    "                     for this run only, out of the interface\n"
    "                     the system's route to ADDR uses: for a device on another\n"
    "                     subnet, behind a router or at the far end of a VPN.\n"
    "                     Requests to a device found this way go to its address by\n"
    "                     unicast. Across a router only a device that answers by\n"
    "                     unicast is heard: replies to the group 224.0.0.1 and\n"
    "                     broadcasts stay on its own segment. Refused (exit code\n"
    "                     2): 0.0.0.0/8, 127.0.0.0/8, 224.0.0.0/4, 240.0.0.0/4,\n"
    "                     subnets wider than /22 or with host bits set, the\n"
    "                     broadcast address of the workstation's own network,\n"
    "                     more than 4096 addresses in all. A target that cannot\n"
    "                     be sent to is named on standard error\n"
    "  --no-remembered    leave the remembered targets out of the search\n"
    "  --help             this text\n"
    "  --version          the program's name and version\n"
    "\n"
    "Options take their value as the next argument or after '=' (--user=admin).\n"
    "The password is never shown or logged. Messages go to standard error.\n"
    "\n"
    "Exit codes:\n"
    "  0  done\n"
    "  1  the device refused or did not answer (or the network could not be used)\n"
    "  2  bad usage or input; nothing was sent\n"
    "  3  no device with that address answered the search\n"
    "drives, connect and disconnect end with 0 (done), 1 (refused or failed; the\n"
    "reason on standard error) or 2 (a letter outside D: to Z:, a share name that\n"
    "cannot be part of a path, an address that is none; nothing was changed).\n"
    "connect maps by address a device that does not answer the search.\n";

namespace {

Command CommandByName(const std::string& name) {
  if (name == "scan") return Command::kScan;
  if (name == "shares") return Command::kShares;
  if (name == "login") return Command::kLogin;
  if (name == "set-dhcp") return Command::kSetDhcp;
  if (name == "set-static") return Command::kSetStatic;
  if (name == "open") return Command::kOpen;
  if (name == "drives") return Command::kDrives;
  if (name == "connect") return Command::kConnect;
  if (name == "disconnect") return Command::kDisconnect;
  if (name == "reconnect") return Command::kReconnect;
  if (name == "targets") return Command::kTargets;
  return Command::kNone;
}

bool TakesCredentials(Command c) {
  return c == Command::kLogin || c == Command::kSetDhcp || c == Command::kSetStatic ||
         c == Command::kConnect;
}

struct FlagOption {
  const char* names;
  bool Options::*field;
};
constexpr FlagOption kFlagOptions[] = {
    {"-h,--help", &Options::help},      {"--version", &Options::version},
    {"--json", &Options::json},         {"--password-stdin", &Options::passwordStdin},
    {"--remember", &Options::remember}, {"--no-remembered", &Options::noRemembered}};

struct ValueOption {
  const char* name;
  std::optional<std::string> Options::*field;
};
constexpr ValueOption kValueOptions[] = {
    {"--user", &Options::user},       {"--password", &Options::password},
    {"--wait", &Options::wait},       {"--ip", &Options::ip},
    {"--netmask", &Options::netmask}, {"--gateway", &Options::gateway},
    {"--local-ip", &Options::localIp}};

// The line as CLI11 reads it: the options (a value as the next argument or
// after '='), and the words in between. Options it does not know are kept
// aside, to be named without their values.
class LineReader {
 public:
  explicit LineReader(Options& o) : o_(o) {
    app_.set_help_flag();  // the help text is kHelp, not CLI11's
    app_.allow_extras();
    for (const FlagOption& f : kFlagOptions)
      app_.add_flag(f.names, o.*f.field)->disable_flag_override();
    for (const ValueOption& v : kValueOptions)
      values_.push_back(
          app_.add_option(v.name)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll));
    app_.add_option("--target", o.targets)->allow_extra_args(false);
    app_.add_option("words", words_);
  }

  bool Read(const std::vector<std::string>& args, std::string& error);
  const std::vector<std::string>& words() const { return words_; }
  // The arguments that named no option, as given.
  std::vector<std::string> unknown() const { return app_.remaining(); }

 private:
  bool TakesValue(const std::string& name) const {
    const CLI::Option* option = app_.get_option_no_throw(name);
    return option != nullptr && option->get_expected_min() > 0;
  }
  // CLI11 stops at a flag given a value, or at an option that ends the line
  // without one.
  std::string MismatchError(const std::vector<std::string>& args) const;

  Options& o_;
  CLI::App app_;
  std::vector<CLI::Option*> values_;
  std::vector<std::string> words_;
};

std::string LineReader::MismatchError(const std::vector<std::string>& args) const {
  for (const std::string& arg : args) {
    const std::size_t eq = arg.find('=');
    if (arg.compare(0, 2, "--") == 0 && eq != std::string::npos &&
        app_.get_option_no_throw(arg.substr(0, eq)) != nullptr && !TakesValue(arg.substr(0, eq)))
      return arg.substr(0, eq) + " takes no value";
  }
  // Anything else is named by no word of the line, which may be a password.
  if (args.empty() || app_.get_option_no_throw(args.back()) == nullptr) return "bad usage";
  return args.back() + " needs a value";
}

bool LineReader::Read(const std::vector<std::string>& args, std::string& error) {
  // CLI11 takes the argument after "--name=" as the value; the '=' with
  // nothing after it gives an empty one.
  std::vector<std::string> reversed;
  for (auto arg = args.rbegin(); arg != args.rend(); ++arg) {
    if (arg->size() > 3 && arg->back() == '=' && TakesValue(arg->substr(0, arg->size() - 1))) {
      reversed.emplace_back();
      reversed.push_back(arg->substr(0, arg->size() - 1));
    } else {
      reversed.push_back(*arg);
    }
  }
  try {
    app_.parse(reversed);
  } catch (const CLI::ParseError&) {
    error = MismatchError(args);
    return false;
  }
  for (std::size_t i = 0; i < values_.size(); ++i) {
    const std::vector<std::string>& given = values_[i]->results();
    if (given.size() > 1) {
      error = std::string(kValueOptions[i].name) + " given twice";
      return false;
    }
    if (!given.empty()) o_.*kValueOptions[i].field = given[0];
  }
  return true;
}

// An option CLI11 did not know, named by its name only: what follows '='
// may be a password.
std::string UnknownOption(const std::string& arg) {
  if (arg.compare(0, 2, "--") != 0) return "unknown option " + arg.substr(0, 2);
  return "unknown option " + arg.substr(0, arg.find('='));
}

// The command and what follows it. Stray words are not repeated.
bool TakeWords(const std::vector<std::string>& words, Options& o, std::string& error) {
  for (const std::string& word : words) {
    if (o.command == Command::kNone) {
      o.command = CommandByName(word);
      if (o.command == Command::kNone) {
        // The word itself is not repeated: it may be a password typed in the
        // wrong place.
        error = "unknown command";
        o.unknownCommand = true;
        return false;
      }
      o.commandName = word;
    } else if (IsDriveCommand(o.command)) {
      o.operands.push_back(word);
    } else if (o.command == Command::kTargets) {
      if (!TakeTargetsWord(word, o, error)) return false;
    } else if (o.command != Command::kScan && !o.device) {
      o.device = word;
    } else {
      error = "unexpected extra argument";
      return false;
    }
  }
  return true;
}

// The checks of the line as a whole: a command, its device, and options
// that belong to it.
bool CheckCombination(const Options& o, std::string& error) {
  if (o.help || o.version) return true;
  if (o.command == Command::kNone) {
    error = "no command given";
    return false;
  }
  const Command c = o.command;
  if (c == Command::kTargets) return CheckTargetsLine(o, error);
  if ((o.user || o.password || o.passwordStdin) && !TakesCredentials(c)) {
    error = "--user and --password apply to login, set-dhcp, set-static and connect only";
    return false;
  }
  if (o.remember && c != Command::kConnect) {
    error = "--remember applies to connect only";
    return false;
  }
  if (o.wait && c != Command::kReconnect) {
    error = "--wait applies to reconnect only";
    return false;
  }
  if (o.password && o.passwordStdin) {
    error = "give either --password or --password-stdin, not both";
    return false;
  }
  if (IsDriveCommand(c)) return CheckDriveCommand(o, error);
  if (c != Command::kScan && !o.device) {
    error = o.commandName + " needs DEVICE_IP";
    return false;
  }
  if (o.json && c != Command::kScan && c != Command::kShares) {
    error = "--json applies to scan, shares and drives only";
    return false;
  }
  if ((o.ip || o.netmask || o.gateway) && c != Command::kSetStatic) {
    error = "--ip, --netmask and --gateway apply to set-static only";
    return false;
  }
  return true;
}

}  // namespace

bool TakeTargetsWord(const std::string& word, Options& o, std::string& error) {
  if (o.targetsVerb.empty() && (word == "add" || word == "forget")) {
    o.targetsVerb = word;
  } else if (!o.targetsVerb.empty() && !o.targetsArg) {
    o.targetsArg = word;
  } else {
    error = o.targetsVerb.empty() ? "targets: unknown word (add or forget)"
                                  : "unexpected extra argument";
    return false;
  }
  return true;
}

bool CheckTargetsLine(const Options& o, std::string& error) {
  if (o.targetsVerb == "add" && !o.targetsArg) {
    error = "targets add needs ADDR or ADDR/NN";
  } else if (o.json && !o.targetsVerb.empty()) {
    error = "--json applies to the list of targets only";
  } else if (!o.targets.empty() || o.noRemembered || o.localIp) {
    error = "--target, --no-remembered and --local-ip apply to the commands that search";
  } else if (o.user || o.password || o.passwordStdin || o.ip || o.netmask || o.gateway) {
    error = "targets takes no login or address options";
  } else {
    return true;
  }
  return false;
}

bool Parse(const std::vector<std::string>& args, Options& o, std::string& error) {
  LineReader reader(o);
  if (!reader.Read(args, error)) return false;
  // An unknown option first: the word after it may be its value.
  if (!reader.unknown().empty()) {
    error = UnknownOption(reader.unknown().front());
    return false;
  }
  return TakeWords(reader.words(), o, error) && CheckCombination(o, error);
}

}  // namespace tessavue::cli
