// The command-line tool over the in-memory network and simulated devices.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "cli.h"
#include "memory_segment.h"
#include "memory_network.h"
#include "memory_target_store.h"
#include "virtual_clock.h"

namespace tessavue {
namespace {

Ipv4Address A(int a, int b, int c, int d) {
  return Ipv4Address{{std::uint8_t(a), std::uint8_t(b), std::uint8_t(c), std::uint8_t(d)}};
}

// The tool's JSON read the way a script would read it. The tool writes ASCII
// only, so a byte of a name outside it comes back as a \u escape: Bytes turns
// those code points (all below 256) back into one byte each.
using Json = nlohmann::ordered_json;

bool ReadJson(const std::string& text, Json& value) {
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  value = Json::parse(text, nullptr, false);
  return !value.is_discarded();
}

std::string Bytes(const Json& value) {
  const std::string utf8 = value.get<std::string>();
  std::string bytes;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const unsigned char c = utf8[i];
    if (c < 0x80) {
      bytes += char(c);
    } else if ((c & 0xe0) == 0xc0 && i + 1 < utf8.size()) {
      const unsigned code = (c & 0x1fu) << 6 | (static_cast<unsigned char>(utf8[++i]) & 0x3fu);
      EXPECT_LT(code, 0x100u);
      bytes += char(code);
    } else {
      ADD_FAILURE() << "a code point above 255 in " << value;
    }
  }
  return bytes;
}

class UrlRecorder : public Shell {
 public:
  void OpenWebPage(const std::string& url) override { urls.push_back(url); }
  std::vector<std::string> urls;
};

class CliTest : public ::testing::Test {
 protected:
  CliTest() : network_(clock_), segment_(network_) {}

  DeviceSettings Device(const std::string& name, Ipv4Address ip, int delayMs) {
    DeviceSettings s;
    s.name = name;
    s.ip = ip;
    s.netmask = A(255, 255, 255, 0);
    s.gateway = A(ip.octet[0], ip.octet[1], ip.octet[2], 1);
    s.replyDelayMicros = delayMs * 1000;
    s.serial = {0xaa, 0xbb, 0xcc, 0, 0, std::uint8_t(segment_.size() + 1)};
    return s;
  }

  int Run(std::vector<std::string> args, const std::string& input = "") {
    out_.str("");
    err_.str("");
    std::istringstream in(input);
    return cli::Run(args, in, out_, err_, network_, clock_, shell_, nullptr, &store_);
  }

  // Opcodes the workstation sent, in order.
  std::string SentOpcodes() const {
    std::string s;
    for (const auto& d : network_.sent()) s += char('0' + (d.empty() ? 0 : d[0]));
    return s;
  }

  VirtualClock clock_;
  MemoryNetwork network_;
  SimulatedSegment segment_;
  UrlRecorder shell_;
  MemoryTargetStore store_;
  std::ostringstream out_, err_;
};

TEST_F(CliTest, ScanJsonListsDevicesInArrivalOrderAndSurvivesHostileNames) {
  const std::string hostile("q\"b\\s/\n\t\x01\x7f\xe9\xff end", 16);
  segment_.AddDevice(Device(hostile, A(192, 168, 0, 30), 40));
  segment_.AddDevice(Device("", A(192, 168, 0, 20), 10));
  DeviceSettings dhcp = Device("dhcp-one", A(192, 168, 0, 25), 20);
  dhcp.dhcp = true;
  segment_.AddDevice(dhcp);
  segment_.AddDevice(Device("same-address-later", A(192, 168, 0, 20), 60));

  ASSERT_EQ(Run({"scan", "--json"}), 0) << err_.str();
  Json list;
  ASSERT_TRUE(ReadJson(out_.str(), list)) << out_.str();
  ASSERT_TRUE(list.is_array());
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(Bytes(list[0].at("name")), "");
  EXPECT_EQ(Bytes(list[0].at("ip")), "192.168.0.20");
  EXPECT_EQ(Bytes(list[0].at("id")), "aabbcc000002c0a80014");
  EXPECT_EQ(Bytes(list[1].at("name")), "dhcp-one");
  EXPECT_EQ(list[1].at("dhcp"), true);
  EXPECT_EQ(list[0].at("dhcp"), false);
  EXPECT_EQ(Bytes(list[2].at("name")), hostile);
  EXPECT_EQ(Bytes(list[2].at("netmask")), "255.255.255.0");
  EXPECT_EQ(Bytes(list[2].at("gateway")), "192.168.0.1");
  const std::vector<std::string> keys{"name", "ip", "netmask", "gateway", "dhcp", "id"};
  std::vector<std::string> order;
  for (const auto& field : list[2].items()) order.push_back(field.key());
  EXPECT_EQ(order, keys);

  segment_.SetSilent(0, true);
  segment_.SetSilent(1, true);
  segment_.SetSilent(2, true);
  segment_.SetSilent(3, true);
  ASSERT_EQ(Run({"scan", "--json"}), 0);
  Json empty;
  ASSERT_TRUE(ReadJson(out_.str(), empty));
  EXPECT_TRUE(empty.is_array());
  EXPECT_EQ(empty.size(), 0u);
  EXPECT_NE(err_.str().find("no device"), std::string::npos);
}

TEST_F(CliTest, ScanTableIsAlignedAndShowsNoRawControlBytes) {
  segment_.AddDevice(Device("short", A(192, 168, 0, 20), 1));
  segment_.AddDevice(Device(std::string("a much longer\nname\xe9", 19), A(10, 1, 2, 3), 2));
  ASSERT_EQ(Run({"scan"}), 0);
  std::vector<std::string> lines;
  std::istringstream text(out_.str());
  for (std::string line; std::getline(text, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 3u) << out_.str();
  EXPECT_EQ(lines[1].rfind("short", 0), 0u);
  EXPECT_NE(lines[2].find("a much longer\\x0aname\xc3\xa9"), std::string::npos);
  // The IP column starts at the same column on every line ("é" is one column).
  const std::size_t column = lines[0].find("IP");
  EXPECT_EQ(lines[1].find("192.168.0.20"), column);
  EXPECT_EQ(lines[2].find("10.1.2.3"), column + 1);  // two bytes, one column
  for (char c : out_.str()) EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20);
}

TEST_F(CliTest, SharesOfTheChosenDevice) {
  DeviceSettings nas = Device("nas", A(192, 168, 0, 20), 5);
  nas.shares = ":public::media:public:";
  segment_.AddDevice(nas);
  DeviceSettings other = Device("other", A(192, 168, 0, 21), 1);
  other.shares = "wrong";
  segment_.AddDevice(other);

  ASSERT_EQ(Run({"shares", "192.168.0.20", "--json"}), 0) << err_.str();
  EXPECT_EQ(out_.str(), "[\"public\", \"media\"]\n");
  ASSERT_EQ(Run({"shares", "192.168.000.020"}), 0);
  EXPECT_EQ(out_.str(), "SHARE\npublic\nmedia\n");

  network_.ClearSent();
  EXPECT_EQ(Run({"shares", "192.168.0.99"}), cli::kExitNotFound);
  EXPECT_EQ(SentOpcodes(), "111");  // the search only
  segment_.SetSilent(0, true);
  // Silent for the query, but its search reply... also silent: not found.
  EXPECT_EQ(Run({"shares", "192.168.0.20"}), cli::kExitNotFound);
}

TEST_F(CliTest, LoginRightWrongAndFromStandardInput) {
  DeviceSettings nas = Device("nas", A(192, 168, 0, 20), 5);
  nas.adminPassword = "s3cret-pw";
  segment_.AddDevice(nas);

  EXPECT_EQ(Run({"login", "192.168.0.20"}), cli::kExitDeviceFailed);
  EXPECT_NE(err_.str().find("Wrong administrator password input!"), std::string::npos);
  EXPECT_EQ(Run({"login", "192.168.0.20", "--password", "s3cret-pw"}), 0) << err_.str();
  EXPECT_EQ(Run({"--password=s3cret-pw", "login", "192.168.0.20", "--user", "qewro"}), 0);
  EXPECT_EQ(Run({"login", "192.168.0.20", "--user", "admin", "--password", "s3cret-pw"}), 1);
  EXPECT_EQ(Run({"login", "192.168.0.20", "--password-stdin"}, "s3cret-pw\r\nignored\n"), 0);
  EXPECT_EQ(Run({"login", "192.168.0.20", "--password-stdin"}, ""), cli::kExitUsage);
  EXPECT_EQ(segment_.device(0).counters().passwordsAccepted, 3);
  EXPECT_EQ(segment_.device(0).counters().passwordChecks, 5);
}

// A value is the argument after its option, whatever it looks like; after
// '=' it is what follows, even nothing.
TEST_F(CliTest, AnOptionTakesItsValueWhateverItLooksLike) {
  DeviceSettings nas = Device("nas", A(192, 168, 0, 20), 5);
  nas.adminUser = "-admin";
  nas.adminPassword = "--json";
  segment_.AddDevice(nas);

  EXPECT_EQ(Run({"login", "192.168.0.20", "--user", "-admin", "--password", "--json"}), 0)
      << err_.str();
  EXPECT_EQ(Run({"login", "--user=-admin", "--password=--json", "192.168.0.20"}), 0) << err_.str();
  EXPECT_EQ(Run({"login", "--password=", "192.168.0.20", "--user=-admin"}), cli::kExitDeviceFailed)
      << err_.str();
  EXPECT_EQ(segment_.device(0).counters().passwordChecks, 3);
  EXPECT_EQ(segment_.device(0).counters().passwordsAccepted, 2);
}

TEST_F(CliTest, PasswordsAreNeverEchoed) {
  segment_.AddDevice(Device("nas", A(192, 168, 0, 20), 5));
  const std::vector<std::vector<std::string>> cases = {
      {"login", "192.168.0.20", "--password", "Hunter2Secret"},
      {"login", "192.168.0.20", "--pasword", "Hunter2Secret"},
      {"login", "192.168.0.20", "--pasword=Hunter2Secret"},
      {"login", "192.168.0.20", "Hunter2Secret"},
      {"login", "Hunter2Secret"},
      {"Hunter2Secret", "login", "192.168.0.20"},
      {"login", "192.168.0.20", "--password", "Hunter2Secret-much-too-long"},
      {"scan", "--password", "Hunter2Secret"},
      {"set-dhcp", "192.168.0.20", "--password", "Hunter2Secret"},
  };
  for (const auto& args : cases) {
    Run(args);
    EXPECT_EQ((out_.str() + err_.str()).find("Hunter2"), std::string::npos) << err_.str();
  }
  Run({"login", "192.168.0.20", "--password-stdin"}, "Hunter2Secret\n");
  EXPECT_EQ((out_.str() + err_.str()).find("Hunter2"), std::string::npos);
}

TEST_F(CliTest, UnknownCommandShowsTheUsageNotTheWord) {
  segment_.AddDevice(Device("nas", A(192, 168, 0, 20), 5));
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"Hunter2Secret"}, {"--user", "admin", "Hunter2Secret", "192.168.0.20"}, {"Scan"}}) {
    network_.ClearSent();
    EXPECT_EQ(Run(args), cli::kExitUsage);
    const std::string err = err_.str();
    EXPECT_EQ(err.find("tessavue-cli: unknown command\nUsage:\n  tessavue-cli scan [--json]\n"), 0u)
        << err;
    EXPECT_NE(err.find("  tessavue-cli open DEVICE_IP\n"), std::string::npos) << err;
    EXPECT_EQ(err.find("Hunter2"), std::string::npos) << err;
    EXPECT_EQ(err.find("Scan"), std::string::npos) << err;
    EXPECT_EQ(out_.str(), "");
    EXPECT_TRUE(network_.sent().empty());
  }
}

TEST_F(CliTest, SetStaticMovesTheDeviceAndTheNextSearchFindsItThere) {
  segment_.AddDevice(Device("nas", A(192, 168, 0, 20), 5));
  ASSERT_EQ(Run({"set-static", "192.168.0.20", "--ip", "192.168.0.77", "--netmask", "255.255.255.0",
                 "--gateway", "192.168.0.254"}),
            0)
      << err_.str();
  EXPECT_EQ(out_.str(), "192.168.0.77\n");
  EXPECT_EQ(segment_.device(0).settings().ip, A(192, 168, 0, 77));
  EXPECT_EQ(segment_.device(0).settings().gateway, A(192, 168, 0, 254));

  ASSERT_EQ(Run({"scan", "--json"}), 0);
  Json list;
  ASSERT_TRUE(ReadJson(out_.str(), list));
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(Bytes(list[0].at("ip")), "192.168.0.77");
  EXPECT_EQ(Bytes(list[0].at("gateway")), "192.168.0.254");

  // A netmask of 0.0.0.0 lets any gateway pass, as in the window.
  EXPECT_EQ(Run({"set-static", "192.168.0.77", "--ip", "10.0.0.5", "--netmask", "0.0.0.0",
                 "--gateway", "172.16.0.1"}),
            0)
      << err_.str();
  EXPECT_EQ(segment_.device(0).settings().ip, A(10, 0, 0, 5));
}

TEST_F(CliTest, RefusedInputSendsNothing) {
  segment_.AddDevice(Device("nas", A(192, 168, 0, 20), 5));
  struct Case {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"set-static", "192.168.0.20", "--netmask", "255.255.255.0", "--gateway", "192.168.0.1"},
       "Please input IP address!"},
      {{"set-static", "192.168.0.20", "--ip", "192.168.0.9", "--gateway", "192.168.0.1"},
       "Please input net mask address!"},
      {{"set-static", "192.168.0.20", "--ip", "192.168.0.9", "--netmask", "255.255.255.0"},
       "Please input gateway address!"},
      {{"set-static", "192.168.0.20", "--ip", "", "--netmask", "255.255.255.0", "--gateway", "x"},
       "Please input IP address!"},
      {{"set-static", "192.168.0.20", "--ip", "192.168.0.10", "--netmask", "255.255.255.0",
        "--gateway", "192.168.1.1"},
       "Gateway address input error!"},
      {{"set-static", "192.168.0.20", "--ip", "192.168.0.256", "--netmask", "255.255.255.0",
        "--gateway", "192.168.0.1"},
       "--ip"},
      {{"set-static", "192.168.0.20", "--ip", "192.168.0.2", "--netmask", "255.255.255.0",
        "--gateway", "192.168.0.1;rm"},
       "--gateway"},
      {{"set-dhcp", "192.168.0"}, "DEVICE_IP"},
      {{"login", "192.168.0.20", "--user", "u12345678901234567"}, "user name"},
      {{"login", "192.168.0.20", "--password", "p", "--password-stdin"}, "either"},
      {{"shares"}, "DEVICE_IP"},
      {{"scan", "--ip", "1.2.3.4"}, "set-static only"},
      {{"open", "192.168.0.20", "--json"}, "--json"},
      {{"scan", "extra"}, "extra"},
      {{"frobnicate"}, "unknown command"},
      {{}, "no command"},
      {{"scan", "--local-ip", "localhost"}, "--local-ip"},
      {{"scan", "--json=yes"}, "takes no value"},
      {{"login", "192.168.0.20", "--user"}, "needs a value"},
      {{"login", "192.168.0.20", "--user", "a", "--user=b"}, "--user given twice"},
      {{"scan", "--bogus", "192.168.0.20"}, "unknown option --bogus"},
  };
  for (const Case& c : cases) {
    network_.ClearSent();
    EXPECT_EQ(Run(c.args), cli::kExitUsage) << c.message;
    EXPECT_NE(err_.str().find(c.message), std::string::npos) << err_.str();
    EXPECT_EQ(network_.sent().size(), 0u) << c.message;
  }
  EXPECT_EQ(segment_.device(0).counters().searches, 0);
}

// A device behind a router answers only what is sent to its own address.
TEST_F(CliTest, TargetsReachADeviceBehindARouterFromAnyCommand) {
  SimulatedSegment beyond(network_, 0, SegmentPlace::kBehindRouter);
  DeviceSettings far = Device("far", A(10, 9, 0, 30), 5);
  far.shares = "media:backup";
  beyond.AddDevice(far);
  segment_.AddDevice(Device("nas", A(192, 168, 0, 20), 5));

  ASSERT_EQ(Run({"scan", "--json"}), 0);
  EXPECT_EQ(out_.str().find("10.9.0.30"), std::string::npos) << out_.str();
  EXPECT_EQ(Run({"shares", "10.9.0.30"}), cli::kExitNotFound);

  // Before the command, after it, in the "=" form, twice.
  ASSERT_EQ(Run({"--target", "10.9.0.30", "scan", "--json"}), 0) << err_.str();
  Json list;
  ASSERT_TRUE(ReadJson(out_.str(), list));
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(Bytes(list[1].at("ip")), "10.9.0.30");
  ASSERT_EQ(Run({"shares", "10.9.0.30", "--target=10.9.0.30", "--target", "10.9.0.31"}), 0)
      << err_.str();
  EXPECT_EQ(out_.str(), "SHARE\nmedia\nbackup\n");
  EXPECT_EQ(Run({"login", "10.9.0.30", "--target", "10.9.0.30", "--password", "nope"}),
            cli::kExitDeviceFailed);
  ASSERT_EQ(Run({"set-static", "10.9.0.30", "--target", "10.9.0.30", "--ip", "10.9.0.50",
                 "--netmask", "255.255.255.0", "--gateway", "10.9.0.1"}),
            0)
      << err_.str();
  EXPECT_EQ(beyond.device(0).settings().ip, A(10, 9, 0, 50));
  EXPECT_EQ(Run({"shares", "10.9.0.50", "--target", "10.9.0.50"}), 0) << err_.str();
}

TEST_F(CliTest, BadTargetsAreRefusedBeforeAnythingIsSent) {
  segment_.AddDevice(Device("nas", A(192, 168, 0, 20), 5));
  struct Case {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"scan", "--target", "10.9.0"}, "'10.9.0' is not an IPv4 address"},
      {{"scan", "--target", "nas.example"}, "is not an IPv4 address"},
      {{"scan", "--target"}, "--target needs a value"},
      {{"scan", "--target", "0.0.0.0"}, "0.0.0.0"},
      {{"shares", "192.168.0.20", "--target", "255.255.255.255"}, "broadcast"},
      {{"scan", "--target", "10.9.0.30", "--target", "224.0.0.1"}, "multicast"},
      {{"login", "192.168.0.20", "--target", "239.1.2.3"}, "multicast"},
      {{"--target", "127.0.0.1", "scan"}, "loopback"},
      {{"scan", "--target", "127.9.9.9"}, "loopback"},
      {{"scan", "--target", "10.9.0.0/21"}, "wider than /22"},
      {{"scan", "--target", "10.9.0.5/24"}, "host bits"},
      {{"scan", "--target", "10.9.0.0/x"}, "prefix length"},
      {{"scan", "--target", "10.8.0.0/22", "--target", "10.8.4.0/22", "--target", "10.8.8.0/22",
        "--target", "10.8.12.0/22", "--target", "10.9.0.0/28"},
       "more than 4096"},
  };
  for (const Case& c : cases) {
    network_.ClearSent();
    EXPECT_EQ(Run(c.args), cli::kExitUsage) << c.message;
    EXPECT_NE(err_.str().find(c.message), std::string::npos) << err_.str();
    EXPECT_EQ(network_.sent().size(), 0u) << c.message;
  }
  EXPECT_EQ(segment_.device(0).counters().searches, 0);
  EXPECT_FALSE(network_.IsOpen());
  EXPECT_EQ(network_.opens(), 0);
  // A target text with control bytes is shown defused.
  EXPECT_EQ(Run({"scan", "--target", "1.2.3.4\x1b[2J"}), cli::kExitUsage);
  EXPECT_EQ(err_.str().find('\x1b'), std::string::npos) << err_.str();
}

TEST_F(CliTest, RememberedTargetsAreKeptByTheTargetsCommandAndSearchedByEveryOther) {
  SimulatedSegment beyond(network_, 0, SegmentPlace::kBehindRouter);
  beyond.AddDevice(Device("far", A(10, 9, 0, 30), 5));
  beyond.AddDevice(Device("far77", A(10, 9, 0, 77), 5));
  segment_.AddDevice(Device("nas", A(192, 168, 0, 20), 5));
  network_.SetLocalBroadcasts({A(192, 168, 0, 255)});

  ASSERT_EQ(Run({"targets"}), 0);
  EXPECT_EQ(out_.str(), "");
  EXPECT_NE(err_.str().find("no remembered targets (memory)"), std::string::npos) << err_.str();
  ASSERT_EQ(Run({"targets", "add", "10.9.0.0/24"}), 0) << err_.str();
  ASSERT_EQ(Run({"targets", "add", "10.9.0.0/24"}), 0);
  EXPECT_NE(err_.str().find("already remembered"), std::string::npos) << err_.str();
  for (const char* refused : {"10.9.0.0/21", "10.9.0.5/24", "192.168.0.255", "224.0.0.1"})
    EXPECT_EQ(Run({"targets", "add", refused}), cli::kExitUsage) << refused;
  EXPECT_EQ(store_.lines(), std::vector<std::string>{"10.9.0.0/24"});
  ASSERT_EQ(Run({"targets", "--json"}), 0);
  EXPECT_EQ(out_.str(), "[\"10.9.0.0/24\"]\n");
  EXPECT_EQ(network_.sent().size(), 0u);

  // Every searching command takes them, unless told not to.
  ASSERT_EQ(Run({"scan"}), 0) << err_.str();
  EXPECT_NE(out_.str().find("10.9.0.77"), std::string::npos) << out_.str();
  EXPECT_NE(out_.str().find("10.9.0.30"), std::string::npos) << out_.str();
  ASSERT_EQ(Run({"scan", "--no-remembered"}), 0);
  EXPECT_EQ(out_.str().find("10.9.0.77"), std::string::npos) << out_.str();
  EXPECT_EQ(Run({"shares", "10.9.0.77"}), 0) << err_.str();
  EXPECT_EQ(Run({"shares", "10.9.0.77", "--no-remembered"}), cli::kExitNotFound);

  // A device remembered by its own address: its entry follows it.
  ASSERT_EQ(Run({"targets", "forget", "10.9.0.0/24"}), 0);
  EXPECT_EQ(Run({"targets", "forget", "10.9.0.0/24"}), cli::kExitUsage);
  ASSERT_EQ(Run({"targets", "add", "10.9.0.30"}), 0);
  ASSERT_EQ(Run({"set-static", "10.9.0.30", "--ip", "10.9.0.50", "--netmask", "255.255.255.0",
                 "--gateway", "10.9.0.1"}),
            0)
      << err_.str();
  EXPECT_EQ(store_.lines(), std::vector<std::string>{"10.9.0.50"});
  // Given for one run only: the list stays.
  ASSERT_EQ(Run({"set-static", "10.9.0.77", "--target", "10.9.0.77", "--ip", "10.9.0.78",
                 "--netmask", "255.255.255.0", "--gateway", "10.9.0.1"}),
            0)
      << err_.str();
  EXPECT_EQ(store_.lines(), std::vector<std::string>{"10.9.0.50"});
  ASSERT_EQ(Run({"targets", "forget"}), 0);
  EXPECT_TRUE(store_.lines().empty());

  // A damaged list: said, left out, and the search goes on.
  store_.SetLines({"10.9.0.50", "nas.local"});
  ASSERT_EQ(Run({"scan"}), 0);
  EXPECT_NE(err_.str().find("line 2"), std::string::npos) << err_.str();
  EXPECT_EQ(out_.str().find("10.9.0.50"), std::string::npos) << out_.str();

  for (std::vector<std::string> bad :
       std::vector<std::vector<std::string>>{{"targets", "add"},
                                             {"targets", "list"},
                                             {"targets", "add", "10.9.0.1", "10.9.0.2"},
                                             {"targets", "add", "10.9.0.1", "--json"},
                                             {"targets", "--target", "10.9.0.1"},
                                             {"targets", "--no-remembered"}}) {
    EXPECT_EQ(Run(bad), cli::kExitUsage) << bad[1];
  }
}

TEST_F(CliTest, TargetsThatCannotBeSentToAreNamedOnStandardError) {
  SimulatedSegment beyond(network_, 0, SegmentPlace::kBehindRouter);
  beyond.AddDevice(Device("far", A(10, 9, 0, 30), 5));
  // Remembered while it was still elsewhere; now the workstation's own
  // network's broadcast.
  store_.SetLines({"192.168.0.255"});
  network_.SetLocalBroadcasts({A(192, 168, 0, 255)});
  EXPECT_EQ(Run({"scan", "--target", "192.168.0.255"}), cli::kExitUsage);
  EXPECT_NE(err_.str().find("broadcast address of the workstation's own network"),
            std::string::npos)
      << err_.str();
  EXPECT_EQ(network_.sent().size(), 0u);

  network_.FailSendsTo(A(10, 9, 0, 77), SendResult::kDenied);
  ASSERT_EQ(Run({"scan", "--target", "10.9.0.77", "--target", "10.9.0.30"}), 0);
  EXPECT_NE(out_.str().find("10.9.0.30"), std::string::npos) << out_.str();
  EXPECT_NE(err_.str().find("target not searched: 192.168.0.255 is the broadcast"),
            std::string::npos)
      << err_.str();
  EXPECT_NE(err_.str().find("target 10.9.0.77: not searched: the system refused"),
            std::string::npos)
      << err_.str();
  EXPECT_EQ(err_.str().find("10.9.0.30:"), std::string::npos) << err_.str();
}

TEST_F(CliTest, SetCommandsSendNothingAfterARefusedLogin) {
  DeviceSettings nas = Device("nas", A(192, 168, 0, 20), 5);
  nas.adminPassword = "other";
  nas.dhcpAddress = A(192, 168, 0, 200);
  segment_.AddDevice(nas);
  network_.ClearSent();
  EXPECT_EQ(Run({"set-dhcp", "192.168.0.20"}), cli::kExitDeviceFailed);
  EXPECT_EQ(Run({"set-static", "192.168.0.20", "--ip", "192.168.0.9", "--netmask", "255.255.255.0",
                 "--gateway", "192.168.0.1"}),
            cli::kExitDeviceFailed);
  EXPECT_EQ(SentOpcodes(), "11131113");
  EXPECT_FALSE(segment_.device(0).settings().dhcp);

  ASSERT_EQ(Run({"set-dhcp", "192.168.0.20", "--password", "other"}), 0) << err_.str();
  EXPECT_EQ(out_.str(), "192.168.0.200\n");
  EXPECT_NE(err_.str().find("Set to dhcp client done!"), std::string::npos);
  EXPECT_TRUE(segment_.device(0).settings().dhcp);
}

TEST_F(CliTest, SearchTakesItsWindowAndAQuietDeviceFailsInTime) {
  segment_.AddDevice(Device("nas", A(192, 168, 0, 20), 5));
  std::int64_t start = clock_.NowMicros();
  ASSERT_EQ(Run({"scan"}), 0);
  const std::int64_t searchTime = clock_.NowMicros() - start;
  EXPECT_GT(searchTime, 1'000'000);
  EXPECT_LT(searchTime, 1'400'000);

  // Found by the search, then silent.
  segment_.SetSilent(0, true, /*stillAnswerSearches=*/true);
  start = clock_.NowMicros();
  EXPECT_EQ(Run({"shares", "192.168.0.20"}), cli::kExitDeviceFailed);
  EXPECT_LT(clock_.NowMicros() - start, searchTime + 1'300'000);
  EXPECT_EQ(Run({"login", "192.168.0.20"}), cli::kExitDeviceFailed);
  network_.ClearSent();
  EXPECT_EQ(Run({"set-dhcp", "192.168.0.20"}), cli::kExitDeviceFailed);
  EXPECT_EQ(SentOpcodes(), "1113");
}

TEST_F(CliTest, OpenHandsTheUrlToTheShell) {
  segment_.AddDevice(Device("nas", A(192, 168, 0, 20), 5));
  EXPECT_EQ(Run({"open", "192.168.0.20"}), 0);
  EXPECT_EQ(Run({"open", "192.168.0.21"}), cli::kExitNotFound);
  ASSERT_EQ(shell_.urls.size(), 1u);
  EXPECT_EQ(shell_.urls[0], "http://192.168.0.20");
}

TEST_F(CliTest, LocalAddressHelpAndStartupFailure) {
  segment_.AddDevice(Device("nas", A(10, 9, 8, 20), 5));
  // The workstation has two networks; the one named is the only one used.
  network_.SetLocalAddresses({A(192, 168, 0, 100), A(10, 9, 8, 7)});
  ASSERT_EQ(Run({"--local-ip", "10.9.8.7", "scan", "--json"}), 0);
  EXPECT_EQ(network_.interfaceCount(), 1u);
  EXPECT_EQ(network_.boundAddress(), A(10, 9, 8, 7));
  EXPECT_EQ(network_.sentOn(), (std::vector<std::size_t>{0, 0, 0}));
  EXPECT_NE(out_.str().find("10.9.8.20"), std::string::npos);
  // The client identifier names the chosen address, so replies come back to it.
  ASSERT_FALSE(network_.sent().empty());
  EXPECT_EQ(network_.sent().back()[7], 10);
  EXPECT_EQ(network_.sent().back()[10], 7);

  ASSERT_EQ(Run({"scan", "--help"}), 0);
  for (const char* word : {"scan", "shares", "login", "set-dhcp", "set-static", "open",
                           "--local-ip", "--password-stdin", "Exit codes", "\\u00"}) {
    EXPECT_NE(out_.str().find(word), std::string::npos) << word;
  }

  network_.SetStartupFails(true);
  EXPECT_EQ(Run({"scan"}), cli::kExitDeviceFailed);
  network_.SetStartupFails(false);
  network_.SetNoLocalAddress(true);
  EXPECT_EQ(Run({"scan"}), cli::kExitDeviceFailed);
  EXPECT_NE(err_.str().find("--local-ip"), std::string::npos);
}

TEST_F(CliTest, VersionIsOneLineOnStandardOutputAndSendsNothing) {
  const std::regex line("tessavue-cli [0-9]+\\.[0-9]+\\.[0-9]+\n");
  for (const std::vector<std::string>& args : {std::vector<std::string>{"--version"},
                                               {"set-dhcp", "10.0.0.1", "--version"},
                                               {"--version", "--local-ip", "10.0.0.7", "scan"}}) {
    ASSERT_EQ(Run(args), 0) << args[0];
    EXPECT_TRUE(std::regex_match(out_.str(), line)) << out_.str();
    EXPECT_EQ(err_.str(), "");
  }
  EXPECT_EQ(Run({"--version=2"}), cli::kExitUsage);
  EXPECT_EQ(out_.str(), "");
  EXPECT_TRUE(network_.sent().empty());
}

TEST(CliText, JsonStringsAreAsciiAndEscaped) {
  std::string all;
  for (int c = 0; c < 256; ++c) all += char(c);
  const std::string json = cli::JsonString(all);
  for (unsigned char c : json) EXPECT_TRUE(c >= 0x20 && c < 0x7f);
  Json value;
  ASSERT_TRUE(ReadJson(json, value));
  EXPECT_EQ(Bytes(value), all);
  EXPECT_EQ(cli::JsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
}

}  // namespace
}  // namespace tessavue
