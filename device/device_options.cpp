#include "device_options.h"

#include <cstdint>
#include <cstdlib>
#include <map>
#include <utility>

#include <CLI/CLI.hpp>

namespace tessavue {

const char* const kDeviceProgramHelp =
    "Usage: tessavue-device [OPTIONS] (--device SETTINGS | --generate SETTINGS)...\n"
    "\n"
    "Plays one or many storage devices on the protocol's UDP port 13579: joins the\n"
    "group 224.0.0.1, answers searches, share queries, password checks and address\n"
    "changes, and sends each reply by unicast to the address in the request's\n"
    "client identifier, to the group, or by broadcast (the device's reply=).\n"
    "\n"
    "  --device SETTINGS        one device, SETTINGS is KEY=VALUE pairs separated by ',':\n"
    "                         ip=ADDR        its address (required)\n"
    "                         netmask=ADDR   default 255.255.255.0\n"
    "                         gateway=ADDR   default the subnet's .1\n"
    "                         name=TEXT      default \"Tessavue-N\"\n"
    "                         dhcp=0|1       address mode, default 0\n"
    "                         shares=TEXT    share text, names separated by ':'\n"
    "                         user=TEXT      administrator, default \"qewro\"\n"
    "                         password=TEXT  administrator password, default \"qewro\"\n"
    "                         dhcp-ip=ADDR   address taken on a switch to DHCP\n"
    "                                        (default: keeps its address)\n"
    "                         delay-ms=N     reply delay in milliseconds, default 0\n"
    "                         serial=HEX     the 6 identifying bytes, 12 hex digits\n"
    "                         reply=MODE     where replies go, default unicast:\n"
    "                                        unicast    the requesting workstation\n"
    "                                        group      224.0.0.1, TTL 1\n"
    "                                        broadcast  the directed broadcast of the\n"
    "                                                   device's ip/netmask (this host's\n"
    "                                                   interface must be on that subnet)\n"
    "                       Values are percent-decoded: %2C is a comma, %25 a '%',\n"
    "                       so a name may hold any byte.\n"
    "  --generate SETTINGS      count=N devices with consecutive addresses from ip=ADDR;\n"
    "                       also netmask, gateway, shares, user, password, delay-ms, reply,\n"
    "                       and name=PREFIX (names PREFIX-1, PREFIX-2, ...)\n"
    "  --interface-ip ADDR  join the group and send group replies on this interface\n"
    "                       (default: the system's choice)\n"
    "  --log                one line per request handled, on standard output\n"
    "  --help               this text\n"
    "  --version            the program's name and version\n"
    "\n"
    "Prints \"tessavue-device: ready\" once it listens. Ends on SIGINT or SIGTERM.\n"
    "Exit codes: 0 ended by a signal, 1 the port cannot be used, 2 a bad argument.\n";

namespace {

bool ParseCount(const std::string& text, long long limit, long long& value) {
  if (text.empty() || text.size() > 12) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return value <= limit;
}

// "k=v,k=v" with percent-decoded values; keys must be known and not repeat.
bool SplitSettings(const std::string& text, std::map<std::string, std::string>& pairs,
                   std::string& error) {
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(',', start);
    if (end == std::string::npos) end = text.size();
    std::string item = text.substr(start, end - start);
    start = end + 1;
    if (item.empty()) {
      if (end == text.size()) break;
      continue;
    }
    std::size_t eq = item.find('=');
    if (eq == std::string::npos) {
      error = "'" + item + "' is not KEY=VALUE";
      return false;
    }
    std::string key = item.substr(0, eq), value;
    if (!PercentDecode(item.substr(eq + 1), value)) {
      error = "broken %-escape in the value of '" + key + "'";
      return false;
    }
    if (!pairs.emplace(key, value).second) {
      error = "'" + key + "' given twice";
      return false;
    }
  }
  return true;
}

bool TakeAddress(std::map<std::string, std::string>& pairs, const char* key, Ipv4Address& out,
                 bool& present, std::string& error) {
  auto it = pairs.find(key);
  present = it != pairs.end();
  if (!present) return true;
  if (!ParseAddress(it->second, out)) {
    error = std::string(key) + ": '" + it->second + "' is not a dotted IPv4 address";
    return false;
  }
  pairs.erase(it);
  return true;
}

// The value of `key`, when given, moved into `out` and taken off `pairs`.
bool TakeValue(std::map<std::string, std::string>& pairs, const char* key, std::string& out) {
  auto it = pairs.find(key);
  if (it == pairs.end()) return false;
  out = std::move(it->second);
  pairs.erase(it);
  return true;
}

// ip (required), netmask and gateway (by default the /24 around ip and its
// .1), dhcp-ip.
bool ApplyAddresses(std::map<std::string, std::string>& pairs, DeviceSettings& s,
                    std::string& error) {
  bool present = false;
  if (!TakeAddress(pairs, "ip", s.ip, present, error)) return false;
  if (!present) {
    error = "ip=ADDR is required";
    return false;
  }
  s.gateway = Ipv4Address{{s.ip.octet[0], s.ip.octet[1], s.ip.octet[2], 1}};
  s.netmask = Ipv4Address{{255, 255, 255, 0}};
  return TakeAddress(pairs, "netmask", s.netmask, present, error) &&
         TakeAddress(pairs, "gateway", s.gateway, present, error) &&
         TakeAddress(pairs, "dhcp-ip", s.dhcpAddress, present, error);
}

// delay-ms, reply and dhcp.
bool ApplyBehaviour(std::map<std::string, std::string>& pairs, DeviceSettings& s,
                    std::string& error) {
  std::string v;
  if (TakeValue(pairs, "delay-ms", v)) {
    long long ms = 0;
    if (!ParseCount(v, kMaxReplyDelayMicros / 1000, ms)) {
      error = "delay-ms: '" + v + "' is not a number of milliseconds from 0 to 60000";
      return false;
    }
    s.replyDelayMicros = ms * 1000;
  }
  if (TakeValue(pairs, "reply", v) && !ParseReplyMode(v, s.reply)) {
    error = "reply: '" + v + "' is not unicast, group or broadcast";
    return false;
  }
  if (TakeValue(pairs, "dhcp", v)) {
    if (v != "0" && v != "1") {
      error = "dhcp: must be 0 or 1";
      return false;
    }
    s.dhcp = v == "1";
  }
  return true;
}

// The keys both kinds of settings share, applied to `s`.
bool ApplyCommon(std::map<std::string, std::string>& pairs, DeviceSettings& s, std::string& error) {
  if (!ApplyAddresses(pairs, s, error)) return false;
  TakeValue(pairs, "shares", s.shares);
  TakeValue(pairs, "user", s.adminUser);
  TakeValue(pairs, "password", s.adminPassword);
  return ApplyBehaviour(pairs, s, error);
}

bool Leftovers(const std::map<std::string, std::string>& pairs, std::string& error) {
  if (pairs.empty()) return true;
  error = "unknown key '" + pairs.begin()->first + "'";
  return false;
}

std::array<std::uint8_t, 6> SerialFor(std::size_t index) {
  return {
      0x00, 0x1b, 0x7e, std::uint8_t(index >> 16), std::uint8_t(index >> 8), std::uint8_t(index)};
}

bool ParseDevice(const std::string& text, std::size_t index, DeviceSettings& s,
                 std::string& error) {
  std::map<std::string, std::string> pairs;
  if (!SplitSettings(text, pairs, error)) return false;
  s = DeviceSettings{};
  s.serial = SerialFor(index);
  s.name = "Tessavue-" + std::to_string(index + 1);
  if (auto it = pairs.find("name"); it != pairs.end()) {
    s.name = it->second;
    pairs.erase(it);
  }
  if (auto it = pairs.find("serial"); it != pairs.end()) {
    const std::string& hex = it->second;
    if (hex.size() != 12) {
      error = "serial: 12 hex digits expected";
      return false;
    }
    for (std::size_t i = 0; i < 6; ++i) {
      int hi = HexDigitValue(hex[2 * i]), lo = HexDigitValue(hex[2 * i + 1]);
      if (hi < 0 || lo < 0) {
        error = "serial: 12 hex digits expected";
        return false;
      }
      s.serial[i] = std::uint8_t(hi << 4 | lo);
    }
    pairs.erase(it);
  }
  if (!ApplyCommon(pairs, s, error) || !Leftovers(pairs, error)) return false;
  return true;
}

bool ParseGenerate(const std::string& text, DeviceProgramOptions& options, std::string& error) {
  std::map<std::string, std::string> pairs;
  if (!SplitSettings(text, pairs, error)) return false;
  long long count = 0;
  auto it = pairs.find("count");
  if (it == pairs.end() || !ParseCount(it->second, 65536, count) || count < 1) {
    error = "count=N (1 to 65536) is required";
    return false;
  }
  pairs.erase(it);
  std::string prefix = "Tessavue";
  if (auto p = pairs.find("name"); p != pairs.end()) {
    prefix = p->second;
    pairs.erase(p);
  }
  DeviceSettings common;
  if (!ApplyCommon(pairs, common, error) || !Leftovers(pairs, error)) return false;
  std::uint32_t last = (std::uint32_t(common.ip.octet[0]) << 24 | common.ip.octet[1] << 16 |
                        common.ip.octet[2] << 8 | common.ip.octet[3]) +
                       std::uint32_t(count - 1);
  if (last < std::uint32_t(count - 1)) {
    error = "count: the addresses run past 255.255.255.255";
    return false;
  }
  for (auto& generated : GenerateDevices(std::size_t(count), common.ip, common.netmask,
                                         common.gateway, prefix.c_str())) {
    DeviceSettings s = common;
    s.name = generated.name;
    s.ip = generated.ip;
    s.serial = SerialFor(options.devices.size());
    options.devices.push_back(std::move(s));
  }
  return true;
}

bool TakeInterface(const std::string& text, DeviceProgramOptions& options, std::string& error) {
  if (!ParseAddress(text, options.interfaceAddress)) {
    error = "--interface-ip: '" + text + "' is not a dotted IPv4 address";
    return false;
  }
  options.haveInterface = true;
  return true;
}

bool TakeDevice(const std::string& text, DeviceProgramOptions& options, std::string& error) {
  DeviceSettings s;
  if (!ParseDevice(text, options.devices.size(), s, error)) {
    error = "--device: " + error;
    return false;
  }
  options.devices.push_back(std::move(s));
  return true;
}

// --device and --generate, in the order given: a device's default name and
// serial follow its place on the line.
bool TakeDevices(const CLI::App& app, const CLI::Option* device, const CLI::Option* generate,
                 DeviceProgramOptions& options, std::string& error) {
  std::size_t nextDevice = 0, nextGenerate = 0;
  for (const CLI::Option* given : app.parse_order()) {
    if (given == device && !TakeDevice(device->results()[nextDevice++], options, error))
      return false;
    if (given == generate && !ParseGenerate(generate->results()[nextGenerate++], options, error)) {
      error.insert(0, "--generate: ");
      return false;
    }
  }
  return true;
}

// The line as CLI11 reads it: flags, a value as the next argument or after
// '=', --device and --generate as often as given.
bool ReadLine(const std::vector<std::string>& args, DeviceProgramOptions& options,
              std::string& error) {
  CLI::App app;
  app.set_help_flag();  // the help text is kDeviceProgramHelp
  app.add_flag("-h,--help", options.help)->disable_flag_override();
  app.add_flag("--version", options.version)->disable_flag_override();
  app.add_flag("--log", options.log)->disable_flag_override();
  CLI::Option* interface = app.add_option("--interface-ip")->type_name("ADDR");
  interface->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  auto all = CLI::MultiOptionPolicy::TakeAll;
  CLI::Option* device = app.add_option("--device")->type_name("SETTINGS")->multi_option_policy(all);
  CLI::Option* generate =
      app.add_option("--generate")->type_name("SETTINGS")->multi_option_policy(all);
  try {
    app.parse(std::vector<std::string>(args.rbegin(), args.rend()));
  } catch (const CLI::ParseError& e) {
    error = e.what();
    return false;
  }
  if (interface->count() > 0 && !TakeInterface(interface->as<std::string>(), options, error))
    return false;
  return TakeDevices(app, device, generate, options, error);
}

}  // namespace

bool ParseDeviceProgramArgs(const std::vector<std::string>& args, DeviceProgramOptions& options,
                            std::string& error) {
  options = DeviceProgramOptions{};
  if (!ReadLine(args, options, error)) return false;
  if (options.help || options.version) return true;
  if (options.devices.empty()) {
    error = "no device given (--device or --generate)";
    return false;
  }
  for (std::size_t i = 0; i < options.devices.size(); ++i) {
    std::string problem = CheckSettings(options.devices[i]);
    if (!problem.empty()) {
      error = "device " + std::to_string(i + 1) + ": " + problem;
      return false;
    }
  }
  return true;
}

}  // namespace tessavue
