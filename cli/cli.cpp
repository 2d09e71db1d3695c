#include "cli.h"

#include <cstdio>
#include <istream>
#include <optional>
#include <ostream>

#include "version.h"
#include "protocol.h"
#include "static_address.h"

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
    "\n"
    "Finds the storage devices on the local network (UDP port 13579, group\n"
    "224.0.0.1), lists their shares, checks the administrator password, moves a\n"
    "device to DHCP or to a fixed address, and opens its web page.\n"
    "\n"
    "Every command but scan first runs one search and picks the device whose\n"
    "address is DEVICE_IP.\n"
    "\n"
    "  scan          list the devices: name, address, netmask, gateway, DHCP, identifier\n"
    "  shares        list the device's share names\n"
    "  login         check the administrator user name and password\n"
    "  set-dhcp      log in, then switch the device to DHCP; prints its new address\n"
    "  set-static    check the addresses as the window's Apply does (the gateway must\n"
    "                be in the address's subnet), log in, then set them; prints the\n"
    "                new address\n"
    "  open          open http://DEVICE_IP in the browser (xdg-open)\n"
    "\n"
    "Options:\n"
    "  --json             scan and shares: JSON output. scan gives an array of\n"
    "                     {\"name\", \"ip\", \"netmask\", \"gateway\", \"dhcp\", \"id\"}\n"
    "                     (\"dhcp\" true for DHCP, \"id\" the 10-byte device identifier\n"
    "                     in 20 lowercase hex digits) in discovery order; shares an\n"
    "                     array of names. Device texts are 8-bit: bytes 0x80 and up\n"
    "                     are written as \\u0080..\\u00ff (their Latin-1 characters).\n"
    "  --user NAME        administrator user name (default \"qewro\"), at most 16 characters\n"
    "  --password TEXT    administrator password (default \"qewro\"), at most 16 characters\n"
    "  --password-stdin   read the password from the first line of standard input\n"
    "  --local-ip ADDR    search only from this workstation address (any command,\n"
    "                     anywhere on the line); default: every IPv4 interface that is\n"
    "                     up, not loopback and multicast-capable\n"
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
    "  3  no device with that address answered the search\n";

namespace {

enum class Command { kNone, kScan, kShares, kLogin, kSetDhcp, kSetStatic, kOpen };

struct Options {
  Command command = Command::kNone;
  std::string commandName;
  std::optional<std::string> device;
  bool json = false;
  std::optional<std::string> user, password;
  bool passwordStdin = false;
  std::optional<std::string> ip, netmask, gateway;
  std::optional<std::string> localIp;
  bool help = false;
  bool version = false;
  // The first word named no command: the usage lines follow the error.
  bool unknownCommand = false;
};

constexpr std::size_t kLoginTextMax = 16;

Command CommandByName(const std::string& name) {
  if (name == "scan") return Command::kScan;
  if (name == "shares") return Command::kShares;
  if (name == "login") return Command::kLogin;
  if (name == "set-dhcp") return Command::kSetDhcp;
  if (name == "set-static") return Command::kSetStatic;
  if (name == "open") return Command::kOpen;
  return Command::kNone;
}

bool TakesCredentials(Command c) {
  return c == Command::kLogin || c == Command::kSetDhcp || c == Command::kSetStatic;
}

// Errors never quote a value that might be a password: options are named by
// their name only, stray words are not repeated.
bool Parse(const std::vector<std::string>& args, Options& o, std::string& error) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
      std::string name = arg;
      std::optional<std::string> inlineValue;
      if (auto eq = arg.find('='); eq != std::string::npos) {
        name = arg.substr(0, eq);
        inlineValue = arg.substr(eq + 1);
      }
      auto flag = [&](bool& target) {
        if (inlineValue) {
          error = name + " takes no value";
          return false;
        }
        target = true;
        return true;
      };
      auto value = [&](std::optional<std::string>& target) {
        if (target) {
          error = name + " given twice";
          return false;
        }
        if (inlineValue) {
          target = *inlineValue;
        } else if (i + 1 < args.size()) {
          target = args[++i];
        } else {
          error = name + " needs a value";
          return false;
        }
        return true;
      };
      bool ok;
      if (name == "--help") ok = flag(o.help);
      else if (name == "--version") ok = flag(o.version);
      else if (name == "--json") ok = flag(o.json);
      else if (name == "--password-stdin") ok = flag(o.passwordStdin);
      else if (name == "--user") ok = value(o.user);
      else if (name == "--password") ok = value(o.password);
      else if (name == "--ip") ok = value(o.ip);
      else if (name == "--netmask") ok = value(o.netmask);
      else if (name == "--gateway") ok = value(o.gateway);
      else if (name == "--local-ip") ok = value(o.localIp);
      else {
        error = "unknown option " + name;
        return false;
      }
      if (!ok) return false;
    } else if (arg == "-h") {
      o.help = true;
    } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
      error = "unknown option " + arg.substr(0, 2);
      return false;
    } else if (o.command == Command::kNone) {
      o.command = CommandByName(arg);
      if (o.command == Command::kNone) {
        // The word itself is not repeated: it may be a password typed in the
        // wrong place.
        error = "unknown command";
        o.unknownCommand = true;
        return false;
      }
      o.commandName = arg;
    } else if (o.command != Command::kScan && !o.device) {
      o.device = arg;
    } else {
      error = "unexpected extra argument";
      return false;
    }
  }
  if (o.help || o.version) return true;
  if (o.command == Command::kNone) {
    error = "no command given";
    return false;
  }
  const Command c = o.command;
  if (c != Command::kScan && !o.device) {
    error = o.commandName + " needs DEVICE_IP";
    return false;
  }
  if (o.json && c != Command::kScan && c != Command::kShares) {
    error = "--json applies to scan and shares only";
    return false;
  }
  if ((o.user || o.password || o.passwordStdin) && !TakesCredentials(c)) {
    error = "--user and --password apply to login, set-dhcp and set-static only";
    return false;
  }
  if (o.password && o.passwordStdin) {
    error = "give either --password or --password-stdin, not both";
    return false;
  }
  if ((o.ip || o.netmask || o.gateway) && c != Command::kSetStatic) {
    error = "--ip, --netmask and --gateway apply to set-static only";
    return false;
  }
  return true;
}

bool Address(const std::string& text, std::uint8_t octets[4]) {
  return ParseDotted(text.c_str(), octets);
}

std::string Dotted(const std::uint8_t octets[4]) {
  char text[16];
  FormatDotted(octets, text);
  return text;
}

// Hands the protocol the address the user named, and tells whether the
// sockets could be opened.
class CliNetwork : public DatagramNetwork {
 public:
  CliNetwork(DatagramNetwork& inner, std::optional<Ipv4Address> local)
      : inner_(inner), local_(local) {}
  bool Startup() override { return inner_.Startup(); }
  void Cleanup() override { inner_.Cleanup(); }
  bool LocalAddresses(std::vector<Ipv4Address>& addresses) override {
    if (local_) {
      addresses.assign(1, *local_);
      return haveLocal_ = true;
    }
    return haveLocal_ = inner_.LocalAddresses(addresses) && !addresses.empty();
  }
  bool OpenInterfaces(const std::vector<Ipv4Address>& locals) override {
    opened_ = locals;
    return openOk_ = inner_.OpenInterfaces(locals);
  }
  void Close() override { inner_.Close(); }
  void SendToGroupOn(std::size_t via, const std::uint8_t* data, std::size_t length) override {
    inner_.SendToGroupOn(via, data, length);
  }
  bool WaitReadable(std::int64_t timeoutMicros) override {
    return inner_.WaitReadable(timeoutMicros);
  }
  int Receive(std::uint8_t* buffer, std::size_t capacity) override {
    return inner_.Receive(buffer, capacity);
  }
  void FillRandom(std::uint8_t* out, std::size_t length) override {
    inner_.FillRandom(out, length);
  }

  bool haveLocal_ = false;
  bool openOk_ = false;
  std::vector<Ipv4Address> opened_;

 private:
  DatagramNetwork& inner_;
  std::optional<Ipv4Address> local_;
};

std::string DottedList(const std::vector<Ipv4Address>& addresses) {
  std::string text;
  for (const Ipv4Address& a : addresses) text += (text.empty() ? "" : ", ") + Dotted(a.octet);
  return text;
}

std::string Hex(const std::uint8_t* bytes, std::size_t n) {
  static const char digits[] = "0123456789abcdef";
  std::string s;
  for (std::size_t i = 0; i < n; ++i) {
    s += digits[bytes[i] >> 4];
    s += digits[bytes[i] & 15];
  }
  return s;
}

void PrintTable(std::ostream& out, const std::vector<std::vector<std::string>>& rows) {
  std::vector<std::size_t> width;
  std::vector<std::vector<std::pair<std::string, std::size_t>>> shown;
  for (const auto& row : rows) {
    auto& cells = shown.emplace_back();
    for (std::size_t c = 0; c < row.size(); ++c) {
      std::size_t columns = 0;
      std::string text = TerminalText(row[c], &columns);
      if (width.size() <= c) width.push_back(0);
      width[c] = std::max(width[c], columns);
      cells.emplace_back(std::move(text), columns);
    }
  }
  for (const auto& cells : shown) {
    std::string line;
    for (std::size_t c = 0; c < cells.size(); ++c) {
      line += cells[c].first;
      if (c + 1 < cells.size()) line += std::string(width[c] - cells[c].second + 2, ' ');
    }
    out << line << '\n';
  }
}

class Session {
 public:
  Session(const Options& o, std::istream& in, std::ostream& out, std::ostream& err,
          DatagramNetwork& network, Clock& clock, Shell& shell)
      : o_(o), in_(in), out_(out), err_(err), shell_(shell), inner_(network), clock_(clock) {}

  int Execute();

 private:
  int Fail(int code, const std::string& message) {
    err_ << "tessavue-cli: " << message << '\n';
    return code;
  }
  int Scan(DeviceProtocol& p);
  int Shares(DeviceProtocol& p);
  int Login(DeviceProtocol& p, const DeviceRecord& device);

  const Options& o_;
  std::istream& in_;
  std::ostream& out_;
  std::ostream& err_;
  Shell& shell_;
  DatagramNetwork& inner_;
  Clock& clock_;

  std::string device_, user_ = kDefaultAdministrator, password_ = kDefaultAdministrator;
  std::string newIp_, newNetmask_, newGateway_;
};

int Session::Scan(DeviceProtocol& p) {
  if (o_.json) {
    out_ << '[';
    bool first = true;
    for (const DeviceRecord* r = p.DeviceList.head; r != nullptr; r = r->next) {
      out_ << (first ? "" : ",") << "\n  {\"name\": " << JsonString(r->name)
           << ", \"ip\": " << JsonString(r->ip) << ", \"netmask\": " << JsonString(r->netmask)
           << ", \"gateway\": " << JsonString(r->gateway)
           << ", \"dhcp\": " << (r->dhcpFlag[0] == '1' ? "true" : "false")
           << ", \"id\": \"" << Hex(r->deviceId, 10) << "\"}";
      first = false;
    }
    out_ << (first ? "]\n" : "\n]\n");
  } else {
    std::vector<std::vector<std::string>> rows{{"NAME", "IP", "NETMASK", "GATEWAY", "DHCP", "ID"}};
    for (const DeviceRecord* r = p.DeviceList.head; r != nullptr; r = r->next) {
      rows.push_back({r->name, r->ip, r->netmask, r->gateway,
                      r->dhcpFlag[0] == '1' ? "yes" : "no", Hex(r->deviceId, 10)});
    }
    PrintTable(out_, rows);
  }
  if (p.DeviceList.IsEmpty()) err_ << "tessavue-cli: no device answered the search\n";
  return kExitDone;
}

int Session::Shares(DeviceProtocol& p) {
  if (p.FetchShares() == 0) return Fail(kExitDeviceFailed, "the device did not answer the share query");
  if (o_.json) {
    out_ << '[';
    bool first = true;
    for (const ShareRecord* s = p.ShareList.head; s != nullptr; s = s->next) {
      out_ << (first ? "" : ", ") << JsonString(s->name);
      first = false;
    }
    out_ << "]\n";
  } else {
    std::vector<std::vector<std::string>> rows{{"SHARE"}};
    for (const ShareRecord* s = p.ShareList.head; s != nullptr; s = s->next) rows.push_back({s->name});
    PrintTable(out_, rows);
  }
  return kExitDone;
}

int Session::Login(DeviceProtocol& p, const DeviceRecord&) {
  CopyText(p.LoginUserName, sizeof p.LoginUserName, user_.c_str());
  CopyText(p.LoginPassword, sizeof p.LoginPassword, password_.c_str());
  const int verdict = p.CheckAdminPassword();
  // Nothing of the password stays in the protocol's buffers.
  std::fill(std::begin(p.LoginPassword), std::end(p.LoginPassword), '\0');
  if (verdict == 0)
    return Fail(kExitDeviceFailed,
                "Wrong administrator password input! (refused, or the device did not answer)");
  return kExitDone;
}

int Session::Execute() {
  const Command c = o_.command;
  std::uint8_t octets[4];

  // Everything the user typed is checked before anything is sent.
  std::optional<Ipv4Address> local;
  if (o_.localIp) {
    if (!Address(*o_.localIp, octets))
      return Fail(kExitUsage, "--local-ip: '" + TerminalText(*o_.localIp) +
                                  "' is not a dotted IPv4 address");
    local.emplace();
    std::copy(octets, octets + 4, local->octet);
  }
  if (o_.device) {
    // Not quoted: a password given in its place would be shown.
    if (!Address(*o_.device, octets))
      return Fail(kExitUsage, "DEVICE_IP is not a dotted IPv4 address");
    device_ = Dotted(octets);
  }
  if (o_.user) user_ = *o_.user;
  if (o_.password) password_ = *o_.password;
  if (o_.passwordStdin) {
    std::string line;
    if (!std::getline(in_, line)) return Fail(kExitUsage, "no password on standard input");
    if (!line.empty() && line.back() == '\r') line.pop_back();
    password_ = line;
  }
  if (user_.size() > kLoginTextMax) return Fail(kExitUsage, "the user name is longer than 16 characters");
  if (password_.size() > kLoginTextMax)
    return Fail(kExitUsage, "the password is longer than 16 characters");
  if (user_.find('\0') != std::string::npos || password_.find('\0') != std::string::npos)
    return Fail(kExitUsage, "the user name or password holds a zero byte");

  if (c == Command::kSetStatic) {
    struct Field {
      const std::optional<std::string>& value;
      const char* option;
      std::string* text;
      std::uint8_t octets[4];
    } fields[] = {{o_.ip, "--ip", &newIp_, {}},
                  {o_.netmask, "--netmask", &newNetmask_, {}},
                  {o_.gateway, "--gateway", &newGateway_, {}}};
    auto given = [](const std::optional<std::string>& v) { return v && !v->empty(); };
    if (const char* missing =
            MissingAddressText(given(o_.ip), given(o_.netmask), given(o_.gateway)))
      return Fail(kExitUsage, missing);
    for (Field& f : fields) {
      if (!Address(*f.value, f.octets))
        return Fail(kExitUsage, std::string(f.option) + ": '" + TerminalText(*f.value) +
                                    "' is not a dotted IPv4 address");
      *f.text = Dotted(f.octets);
    }
    if (!GatewayInSubnet(fields[0].octets, fields[1].octets, fields[2].octets))
      return Fail(kExitUsage, kGatewayInputError);
  }

  CliNetwork network(inner_, local);
  DeviceProtocol protocol(network, clock_);
  if (!protocol.InitTransport()) return Fail(kExitDeviceFailed, "the network cannot be started");
  struct Shutdown {
    DeviceProtocol& p;
    ~Shutdown() { p.ShutdownTransport(); }
  } shutdown{protocol};
  if (!network.haveLocal_)
    return Fail(kExitDeviceFailed, "no workstation address found; name one with --local-ip");
  if (!network.openOk_)
    return Fail(kExitDeviceFailed, "cannot open the protocol's sockets on " +
                                       DottedList(network.opened_) + " port " +
                                       std::to_string(kProtocolPort) +
                                       " (address not on this host, or the port is in use)");

  protocol.SearchDevices();
  if (c == Command::kScan) return Scan(protocol);

  CopyText(protocol.SelectedDeviceIp, sizeof protocol.SelectedDeviceIp, device_.c_str());
  DeviceRecord* device = protocol.FindSelectedDevice();
  if (device == nullptr) return Fail(kExitNotFound, "no device at " + device_ + " answered the search");

  switch (c) {
    case Command::kShares:
      return Shares(protocol);
    case Command::kOpen:
      shell_.OpenWebPage("http://" + device_);
      return kExitDone;
    case Command::kLogin: {
      int result = Login(protocol, *device);
      if (result == kExitDone) err_ << "tessavue-cli: login accepted by " << device_ << '\n';
      return result;
    }
    case Command::kSetDhcp: {
      if (int result = Login(protocol, *device); result != kExitDone) return result;
      if (protocol.SetDeviceDhcp() == 0) return Fail(kExitDeviceFailed, "Set to dhcp client fail");
      err_ << "tessavue-cli: Set to dhcp client done!\n";
      out_ << protocol.SelectedDeviceIp << '\n';
      return kExitDone;
    }
    case Command::kSetStatic: {
      if (int result = Login(protocol, *device); result != kExitDone) return result;
      CopyText(protocol.NewIp, sizeof protocol.NewIp, newIp_.c_str());
      CopyText(protocol.NewNetmask, sizeof protocol.NewNetmask, newNetmask_.c_str());
      CopyText(protocol.NewGateway, sizeof protocol.NewGateway, newGateway_.c_str());
      if (protocol.SetDeviceStatic() == 0)
        return Fail(kExitDeviceFailed, "the device did not confirm the new address " + newIp_);
      err_ << "tessavue-cli: the device now answers at " << newIp_ << '\n';
      out_ << newIp_ << '\n';
      return kExitDone;
    }
    default:
      return Fail(kExitUsage, "no command given");
  }
}

}  // namespace

std::string JsonString(const std::string& text) {
  static const char digits[] = "0123456789abcdef";
  std::string s = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"': s += "\\\""; break;
      case '\\': s += "\\\\"; break;
      case '\n': s += "\\n"; break;
      case '\r': s += "\\r"; break;
      case '\t': s += "\\t"; break;
      case '\b': s += "\\b"; break;
      case '\f': s += "\\f"; break;
      default:
        if (c < 0x20 || c >= 0x7f) {
          s += "\\u00";
          s += digits[c >> 4];
          s += digits[c & 15];
        } else {
          s += char(c);
        }
    }
  }
  return s + "\"";
}

std::string TerminalText(const std::string& text, std::size_t* columns) {
  static const char digits[] = "0123456789abcdef";
  std::string s;
  std::size_t width = 0;
  for (unsigned char c : text) {
    if (c == '\\') {
      s += "\\\\";
      width += 2;
    } else if (c < 0x20 || (c >= 0x7f && c < 0xa0)) {
      s += "\\x";
      s += digits[c >> 4];
      s += digits[c & 15];
      width += 4;
    } else if (c >= 0xa0) {
      s += char(0xc0 | c >> 6);
      s += char(0x80 | (c & 0x3f));
      width += 1;
    } else {
      s += char(c);
      width += 1;
    }
  }
  if (columns) *columns = width;
  return s;
}

int Run(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
        std::ostream& err, DatagramNetwork& network, Clock& clock, Shell& shell) {
  Options options;
  std::string error;
  if (!Parse(args, options, error)) {
    err << "tessavue-cli: " << error << '\n';
    if (options.unknownCommand) {
      const std::string help = kHelp;
      err << help.substr(0, help.find("\n\n") + 1);
    }
    err << "Try 'tessavue-cli --help'.\n";
    return kExitUsage;
  }
  if (options.help) {
    out << kHelp;
    return kExitDone;
  }
  if (options.version) {
    out << "tessavue-cli " TESSAVUE_VERSION "\n";
    return kExitDone;
  }
  Session session(options, in, out, err, network, clock, shell);
  return session.Execute();
}

}  // namespace tessavue::cli
