#include "cli.h"

#include <algorithm>
#include <istream>
#include <optional>
#include <ostream>

#include "cli_options.h"
#include "cli_output.h"
#include "cli_targets.h"
#include "forwarding_network.h"
#include "protocol.h"
#include "static_address.h"
#include "version.h"

namespace tessavue::cli {

namespace {

bool Address(const std::string& text, std::uint8_t octets[4]) {
  return ParseDotted(text.c_str(), octets);
}

// Hands the protocol the address the user named, and tells whether the
// sockets could be opened.
class CliNetwork : public ForwardingNetwork {
 public:
  CliNetwork(DatagramNetwork& inner, std::optional<Ipv4Address> local)
      : ForwardingNetwork(inner), local_(local) {}
  bool LocalAddresses(std::vector<Ipv4Address>& addresses) override {
    if (local_) {
      addresses.assign(1, *local_);
      return haveLocal_ = true;
    }
    return haveLocal_ = inner().LocalAddresses(addresses) && !addresses.empty();
  }
  bool OpenInterfaces(const std::vector<Ipv4Address>& locals) override {
    opened_ = locals;
    return openOk_ = inner().OpenInterfaces(locals);
  }
  // Closed and opened anew through OpenInterfaces, so that what was opened
  // is known: the port's own default, not the forwarding.
  bool ChangeInterfaces(const std::vector<Ipv4Address>& locals) override {
    return DatagramNetwork::ChangeInterfaces(locals);  // NOLINT(bugprone-parent-virtual-call)
  }

  bool haveLocal_ = false;
  bool openOk_ = false;
  std::vector<Ipv4Address> opened_;

 private:
  std::optional<Ipv4Address> local_;
};

class Session {
 public:
  Session(const Options& o, std::istream& in, std::ostream& out, std::ostream& err,
          DatagramNetwork& network, Clock& clock, Shell& shell, DriveServices* drives,
          TargetStore* store)
      : o_(o),
        in_(in),
        out_(out),
        err_(err),
        shell_(shell),
        inner_(network),
        clock_(clock),
        drives_(drives),
        store_(store) {}

  int Execute();

 private:
  int Fail(int code, const std::string& message) {
    err_ << "tessavue-cli: " << message << '\n';
    return code;
  }
  // Everything the user typed, checked before anything is sent; kExitDone
  // when it may go.
  int CheckInput(std::optional<Ipv4Address>& local);
  int ReadTargets();
  int ReadCredentials();
  int ReadNewAddress();
  // The network opened and searched; kExitDone when it could be.
  int OpenAndSearch(CliNetwork& network, DeviceProtocol& protocol);
  // The command on the device at DEVICE_IP.
  int OnDevice(DeviceProtocol& protocol, DeviceRecord& device);
  int Scan(DeviceProtocol& p);
  int Shares(DeviceProtocol& p);
  int Login(DeviceProtocol& p, const DeviceRecord& device);
  // connect: the share of the device heard at DEVICE_IP (`device`), or of
  // the address alone when no device answered from there.
  int Connect(const DeviceRecord* device);
  // A device found through a target took a new address: a remembered
  // target that is its old one follows it.
  void FollowMove(const DeviceRecord& device, const std::string& from, const char* to);

  const Options& o_;
  std::istream& in_;
  std::ostream& out_;
  std::ostream& err_;
  Shell& shell_;
  DatagramNetwork& inner_;
  Clock& clock_;
  DriveServices* drives_;
  TargetStore* store_;

  std::string device_, user_ = kDefaultAdministrator, password_ = kDefaultAdministrator;
  std::string newIp_, newNetmask_, newGateway_;
  std::vector<SearchTarget> targets_;
};

int Session::Scan(DeviceProtocol& p) {
  if (o_.json) {
    out_ << '[';
    bool first = true;
    for (const DeviceRecord& r : p.deviceList()) {
      out_ << (first ? "" : ",") << "\n  {\"name\": " << JsonString(r.name)
           << ", \"ip\": " << JsonString(r.ip) << ", \"netmask\": " << JsonString(r.netmask)
           << ", \"gateway\": " << JsonString(r.gateway)
           << ", \"dhcp\": " << (r.dhcpFlag[0] == '1' ? "true" : "false") << ", \"id\": \""
           << Hex(r.deviceId, 10) << "\"}";
      first = false;
    }
    out_ << (first ? "]\n" : "\n]\n");
  } else {
    std::vector<std::vector<std::string>> rows{{"NAME", "IP", "NETMASK", "GATEWAY", "DHCP", "ID"}};
    for (const DeviceRecord& r : p.deviceList()) {
      rows.push_back({r.name, r.ip, r.netmask, r.gateway, r.dhcpFlag[0] == '1' ? "yes" : "no",
                      Hex(r.deviceId, 10)});
    }
    PrintTable(out_, rows);
  }
  if (p.deviceList().empty()) err_ << "tessavue-cli: no device answered the search\n";
  return kExitDone;
}

int Session::Shares(DeviceProtocol& p) {
  if (!p.FetchShares()) return Fail(kExitDeviceFailed, "the device did not answer the share query");
  if (o_.json) {
    out_ << '[';
    bool first = true;
    for (const ShareRecord& s : p.shareList()) {
      out_ << (first ? "" : ", ") << JsonString(s.name);
      first = false;
    }
    out_ << "]\n";
  } else {
    std::vector<std::vector<std::string>> rows{{"SHARE"}};
    for (const ShareRecord& s : p.shareList()) rows.push_back({s.name});
    PrintTable(out_, rows);
  }
  return kExitDone;
}

int Session::Login(DeviceProtocol& p, const DeviceRecord&) {
  // The protocol keeps nothing of the password.
  const bool accepted = p.CheckAdminPassword(user_, password_);
  if (!accepted)
    return Fail(kExitDeviceFailed,
                "Wrong administrator password input! (refused, or the device did not answer)");
  return kExitDone;
}

int Session::CheckInput(std::optional<Ipv4Address>& local) {
  std::uint8_t octets[4];
  if (o_.localIp) {
    if (!Address(*o_.localIp, octets))
      return Fail(kExitUsage,
                  "--local-ip: '" + TerminalText(*o_.localIp) + "' is not a dotted IPv4 address");
    local.emplace();
    std::copy(octets, octets + 4, local->octet);
  }
  if (int result = ReadTargets(); result != kExitDone) return result;
  if (o_.command == Command::kConnect) {
    // Checked with the line.
    Address(o_.operands[0], octets);
    device_ = DottedText(octets);
  }
  if (o_.device) {
    // Not quoted: a password given in its place would be shown.
    if (!Address(*o_.device, octets))
      return Fail(kExitUsage, "DEVICE_IP is not a dotted IPv4 address");
    device_ = DottedText(octets);
  }
  if (int result = ReadCredentials(); result != kExitDone) return result;
  if (o_.command == Command::kSetStatic) return ReadNewAddress();
  return kExitDone;
}

int Session::ReadTargets() { return GatherTargets(o_, err_, store_, targets_); }

void Session::FollowMove(const DeviceRecord& device, const std::string& from, const char* to) {
  Ipv4Address old, now;
  if (device.viaTarget == 0 || store_ == nullptr || o_.noRemembered ||
      !ParseDotted(from.c_str(), old.octet) || !ParseDotted(to, now.octet))
    return;
  RememberedTargets list(*store_);
  if (!list.FollowMovedDevice(old, now))
    err_ << "tessavue-cli: cannot store the list of targets in " << list.Where() << '\n';
}

int Session::ReadCredentials() {
  // A share's login has no default: none given is the logged-on user's.
  if (o_.command == Command::kConnect) user_.clear(), password_.clear();
  if (o_.user) user_ = *o_.user;
  if (o_.password) password_ = *o_.password;
  if (o_.passwordStdin) {
    std::string line;
    if (!std::getline(in_, line)) return Fail(kExitUsage, "no password on standard input");
    if (!line.empty() && line.back() == '\r') line.pop_back();
    password_ = line;
  }
  if (o_.command == Command::kConnect) {
    // Each is one answer to the system's question; a line break would be two.
    for (const std::string* text : {&user_, &password_})
      if (text->find_first_of(std::string("\0\r\n", 3)) != std::string::npos)
        return Fail(kExitUsage, "the user name or password holds a line break or zero byte");
    return kExitDone;
  }
  if (user_.size() > kLoginTextMax)
    return Fail(kExitUsage, "the user name is longer than 16 characters");
  if (password_.size() > kLoginTextMax)
    return Fail(kExitUsage, "the password is longer than 16 characters");
  if (user_.find('\0') != std::string::npos || password_.find('\0') != std::string::npos)
    return Fail(kExitUsage, "the user name or password holds a zero byte");
  return kExitDone;
}

int Session::ReadNewAddress() {
  struct Field {
    const std::optional<std::string>& value;
    const char* option;
    std::string* text;
    std::uint8_t octets[4];
  } fields[] = {{o_.ip, "--ip", &newIp_, {}},
                {o_.netmask, "--netmask", &newNetmask_, {}},
                {o_.gateway, "--gateway", &newGateway_, {}}};
  auto given = [](const std::optional<std::string>& v) { return v && !v->empty(); };
  if (const char* missing = MissingAddressText(given(o_.ip), given(o_.netmask), given(o_.gateway)))
    return Fail(kExitUsage, missing);
  for (Field& f : fields) {
    if (!Address(*f.value, f.octets))
      return Fail(kExitUsage, std::string(f.option) + ": '" + TerminalText(*f.value) +
                                  "' is not a dotted IPv4 address");
    *f.text = DottedText(f.octets);
  }
  if (!GatewayInSubnet(fields[0].octets, fields[1].octets, fields[2].octets))
    return Fail(kExitUsage, kGatewayInputError);
  return kExitDone;
}

int Session::OpenAndSearch(CliNetwork& network, DeviceProtocol& protocol) {
  if (!network.haveLocal_)
    return Fail(kExitDeviceFailed, "no workstation address found; name one with --local-ip");
  if (!network.openOk_)
    return Fail(kExitDeviceFailed, "cannot open the protocol's sockets on " +
                                       DottedList(network.opened_) + " port " +
                                       std::to_string(kProtocolPort) +
                                       " (address not on this host, or the port is in use)");
  std::vector<Ipv4Address> broadcasts;
  network.LocalBroadcasts(broadcasts);
  if (int result = RefuseOwnBroadcasts(o_, err_, broadcasts); result != kExitDone) return result;
  protocol.SearchDevices();
  ReportTargetTroubles(protocol, err_);
  return kExitDone;
}

int Session::Execute() {
  std::optional<Ipv4Address> local;
  if (int result = CheckInput(local); result != kExitDone) return result;

  CliNetwork network(inner_, local);
  DeviceProtocol protocol(network, clock_);
  protocol.SetTargets(targets_);
  if (!protocol.InitTransport()) return Fail(kExitDeviceFailed, "the network cannot be started");
  struct Shutdown {
    DeviceProtocol& p;
    ~Shutdown() { p.ShutdownTransport(); }
  } shutdown{protocol};
  if (int result = OpenAndSearch(network, protocol); result != kExitDone) return result;
  if (o_.command == Command::kScan) return Scan(protocol);

  protocol.SelectDevice(device_.c_str());
  DeviceRecord* device = protocol.FindSelectedDevice();
  if (o_.command == Command::kConnect) return Connect(device);
  if (device == nullptr)
    return Fail(kExitNotFound, "no device at " + device_ + " answered the search");
  return OnDevice(protocol, *device);
}

int Session::Connect(const DeviceRecord* device) {
  ShareRequest request;
  if (device != nullptr) request.deviceName = device->name;
  request.deviceIp = device_;
  request.share = o_.operands[1];
  ParseLetter(o_.operands[2], request.localName);
  request.userName = user_;
  request.password = password_;
  request.remember = o_.remember;
  return ConnectShare(*drives_, request, out_, err_);
}

int Session::OnDevice(DeviceProtocol& protocol, DeviceRecord& device) {
  switch (o_.command) {
    case Command::kShares: return Shares(protocol);
    case Command::kOpen: shell_.OpenWebPage("http://" + device_); return kExitDone;
    case Command::kLogin: {
      int result = Login(protocol, device);
      if (result == kExitDone) err_ << "tessavue-cli: login accepted by " << device_ << '\n';
      return result;
    }
    case Command::kSetDhcp: {
      if (int result = Login(protocol, device); result != kExitDone) return result;
      const DeviceRecord before = device;
      if (!protocol.SetDeviceDhcp()) return Fail(kExitDeviceFailed, "Set to dhcp client fail");
      FollowMove(before, device_, protocol.selectedDeviceIp());
      err_ << "tessavue-cli: Set to dhcp client done!\n";
      out_ << protocol.selectedDeviceIp() << '\n';
      return kExitDone;
    }
    case Command::kSetStatic: {
      if (int result = Login(protocol, device); result != kExitDone) return result;
      protocol.SetNewAddress(newIp_.c_str(), newNetmask_.c_str(), newGateway_.c_str());
      const DeviceRecord before = device;
      if (!protocol.SetDeviceStatic())
        return Fail(kExitDeviceFailed, "the device did not confirm the new address " + newIp_);
      FollowMove(before, device_, newIp_.c_str());
      err_ << "tessavue-cli: the device now answers at " << newIp_ << '\n';
      out_ << newIp_ << '\n';
      return kExitDone;
    }
    default: return Fail(kExitUsage, "no command given");
  }
}

}  // namespace

int Run(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
        std::ostream& err, DatagramNetwork& network, Clock& clock, Shell& shell,
        DriveServices* drives, TargetStore* store) {
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
  if (IsDriveCommand(options.command)) {
    if (drives == nullptr) {
      err << "tessavue-cli: drive letters are not available here\n";
      return kExitDeviceFailed;
    }
    if (options.command == Command::kDrives)
      return ListDrives(drives->connections, options.json, out);
    if (options.command == Command::kDisconnect)
      return DisconnectLetter(drives->connections, options.operands[0], out, err);
    if (options.command == Command::kReconnect) {
      const int seconds = options.wait ? std::stoi(*options.wait) : kReconnectWaitDefault;
      return ReconnectLetters(drives->connections, {network, clock, seconds}, options.json, out);
    }
  }
  if (options.command == Command::kTargets) return RunTargets(options, out, err, store, network);
  Session session(options, in, out, err, network, clock, shell, drives, store);
  return session.Execute();
}

}  // namespace tessavue::cli
