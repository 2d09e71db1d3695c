// tessavue-cli's drive commands over in-memory drive letters, name service
// and simulated devices.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "cli.h"
#include "connection_reasons.h"
#include "memory_connections.h"
#include "memory_network.h"
#include "memory_resolver.h"
#include "memory_segment.h"
#include "memory_system.h"
#include "virtual_clock.h"

namespace tessavue {
namespace {

class CliDrivesTest : public ::testing::Test {
 protected:
  CliDrivesTest() : network_(clock_), segment_(network_) {
    DeviceSettings box;
    box.name = "Box";
    box.ip = Ipv4Address{{192, 168, 0, 20}};
    box.netmask = Ipv4Address{{255, 255, 255, 0}};
    box.gateway = Ipv4Address{{192, 168, 0, 1}};
    box.shares = "public:private";
    segment_.AddDevice(box);
    for (const char* server : {"Box", "192.168.0.20"}) {
      connections_.AddShare(server, "public");
      connections_.AddShare(server, "private", "mary", "pw");
    }
    resolver_.names = {"Box"};
  }

  int Run(std::vector<std::string> args, const std::string& input = "") {
    out_.str("");
    err_.str("");
    std::istringstream in(input);
    cli::DriveServices drives{connections_, resolver_};
    return cli::Run(args, in, out_, err_, network_, clock_, shell_, &drives);
  }
  std::size_t Changes() const {
    std::size_t n = 0;
    for (const std::string& call : connections_.calls)
      n += call.rfind("add", 0) == 0 || call.rfind("cancel", 0) == 0;
    return n;
  }

  VirtualClock clock_;
  MemoryNetwork network_;
  SimulatedSegment segment_;
  MemoryConnections connections_;
  MemoryNameResolver resolver_;
  RecordingShell shell_;
  std::ostringstream out_, err_;
};

TEST_F(CliDrivesTest, DrivesListsEveryLetterWithWhatItMaps) {
  connections_.MapOutside('E', "\\\\Box\\public");
  connections_.Remember('G', "\\\\away\\old");
  connections_.SetDriveType('H', kDriveCdrom);
  ASSERT_EQ(Run({"drives"}), cli::kExitDone);
  std::istringstream lines(out_.str());
  std::vector<std::string> rows;
  for (std::string line; std::getline(lines, line);) rows.push_back(line);
  ASSERT_EQ(rows.size(), 24u);  // a heading, D: to Z:
  EXPECT_EQ(rows[1], "D:      free");
  EXPECT_EQ(rows[2], "E:      connected    \\\\Box\\public");
  EXPECT_EQ(rows[4], "G:      unavailable  \\\\away\\old");
  EXPECT_EQ(rows[5], "H:      local");

  ASSERT_EQ(Run({"drives", "--json"}), cli::kExitDone);
  auto list = nlohmann::json::parse(out_.str(), nullptr, false);
  ASSERT_TRUE(list.is_array()) << out_.str();
  ASSERT_EQ(list.size(), 23u);
  EXPECT_EQ(list[1]["letter"], "E:");
  EXPECT_EQ(list[1]["maps"], "\\\\Box\\public");
  EXPECT_EQ(list[3]["state"], "unavailable");
  EXPECT_TRUE(list[0]["maps"].is_null());
  // Nothing asked of the network.
  EXPECT_TRUE(network_.sent().empty());
}

TEST_F(CliDrivesTest, ConnectMapsByNameWhereItResolvesElseByAddress) {
  ASSERT_EQ(Run({"connect", "192.168.0.20", "public", "e"}), cli::kExitDone) << err_.str();
  EXPECT_EQ(connections_.Connection('E'), "\\\\Box\\public");
  EXPECT_EQ(out_.str(), "E: \\\\Box\\public\n");
  EXPECT_TRUE(connections_.IsRemembered('E'));

  resolver_.names.clear();
  ASSERT_EQ(Run({"connect", "192.168.0.20", "public", "F:"}), cli::kExitDone) << err_.str();
  EXPECT_EQ(connections_.Connection('F'), "\\\\192.168.0.20\\public");

  // A device that does not answer the search (beyond a router): by address.
  connections_.AddShare("10.9.0.7", "data");
  ASSERT_EQ(Run({"connect", "10.9.0.7", "data", "G:"}), cli::kExitDone) << err_.str();
  EXPECT_EQ(connections_.Connection('G'), "\\\\10.9.0.7\\data");

  // A letter's mapping moves to the new share; disconnect frees it.
  ASSERT_EQ(Run({"connect", "192.168.0.20", "private", "G:", "--user", "mary", "--password-stdin"},
                "pw\n"),
            cli::kExitDone)
      << err_.str();
  EXPECT_EQ(connections_.Connection('G'), "\\\\192.168.0.20\\private");
  EXPECT_EQ(connections_.lastUserName, "mary");
  ASSERT_EQ(Run({"disconnect", "g:"}), cli::kExitDone);
  EXPECT_FALSE(connections_.Connection('G').has_value());
}

TEST_F(CliDrivesTest, FailuresExitOneWithTheReasonAndKeepTheLetter) {
  connections_.MapOutside('E', "\\\\Box\\public");
  ASSERT_EQ(Run({"connect", "192.168.0.20", "private", "E:", "--user", "mary", "--password",
                 "s3cr3t-typo"}),
            cli::kExitDeviceFailed);
  EXPECT_EQ(err_.str(), std::string("tessavue-cli: Mount Disk Fail!\n") +
                            ConnectFailureReason(ConnectionResult::kLoginRefused) + "\n");
  EXPECT_EQ(err_.str().find("s3cr3t-typo"), std::string::npos);
  EXPECT_EQ(connections_.Connection('E'), "\\\\Box\\public");

  connections_.SetServerRefusal("Box", ConnectionResult::kServerUnreachable);
  EXPECT_EQ(Run({"connect", "192.168.0.20", "public", "F:"}), cli::kExitDeviceFailed);
  EXPECT_NE(err_.str().find(ConnectFailureReason(ConnectionResult::kServerUnreachable)),
            std::string::npos);

  connections_.SetOpenFiles('E', true);
  EXPECT_EQ(Run({"disconnect", "E:"}), cli::kExitDeviceFailed);
  EXPECT_NE(err_.str().find(DisconnectFailureReason(ConnectionResult::kFilesOpen)),
            std::string::npos);
  EXPECT_TRUE(connections_.Connection('E').has_value());
  EXPECT_EQ(Run({"disconnect", "K:"}), cli::kExitDeviceFailed);

  // Without the system's drive letters the commands cannot run.
  std::istringstream in;
  EXPECT_EQ(cli::Run({"drives"}, in, out_, err_, network_, clock_, shell_), cli::kExitDeviceFailed);
}

TEST_F(CliDrivesTest, BadInputChangesNothingAndSendsNothing) {
  const std::vector<std::vector<std::string>> bad = {
      {"connect", "192.168.0.20", "public", "C:"},
      {"connect", "192.168.0.20", "public", "AA"},
      {"connect", "192.168.0.20", "public", "1:"},
      {"connect", "192.168.0.20", "..\\victim", "E:"},
      {"connect", "192.168.0.20", "a/b", "E:"},
      {"connect", "192.168.0.20", "", "E:"},
      {"connect", "192.168.0", "public", "E:"},
      {"connect", "192.168.0.20", "public"},
      {"connect", "192.168.0.20", "public", "E:", "--password", "a\nb"},
      {"connect", "192.168.0.20", "public", "E:", "--json"},
      {"disconnect", "B:"},
      {"disconnect"},
      {"disconnect", "E:", "--user", "mary"},
      {"drives", "E:"},
  };
  for (const auto& args : bad) {
    std::string line;
    for (const std::string& a : args) line += a + " ";
    EXPECT_EQ(Run(args), cli::kExitUsage) << line;
  }
  EXPECT_EQ(Changes(), 0u);
  EXPECT_TRUE(network_.sent().empty());
}

// A clock whose sleeps play what happens meanwhile: at `atMicros` the
// network comes up (its interfaces change) and the server answers again.
class ScriptedClock : public Clock {
 public:
  explicit ScriptedClock(VirtualClock& inner) : inner_(inner) {}
  std::int64_t NowMicros() override { return inner_.NowMicros(); }
  void SleepMicros(std::int64_t micros) override {
    inner_.SleepMicros(micros);
    ++sleeps;
    if (onTime && inner_.NowMicros() >= atMicros) {
      onTime();
      onTime = nullptr;
    }
  }
  std::int64_t atMicros = 0;
  std::function<void()> onTime;
  int sleeps = 0;

 private:
  VirtualClock& inner_;
};

class CliReconnectTest : public CliDrivesTest {
 protected:
  int Reconnect(std::vector<std::string> args) {
    out_.str("");
    err_.str("");
    std::istringstream in;
    cli::DriveServices drives{connections_, resolver_};
    return cli::Run(args, in, out_, err_, network_, scripted_, shell_, &drives);
  }
  std::vector<std::string> Lines() {
    std::istringstream lines(out_.str());
    std::vector<std::string> rows;
    for (std::string line; std::getline(lines, line);) rows.push_back(line);
    return rows;
  }
  ScriptedClock scripted_{clock_};
};

TEST_F(CliReconnectTest, EveryRememberedLetterIsTriedOnceAndReportedOnItsLine) {
  connections_.MapOutside('E', "\\\\Box\\public");  // connected already
  connections_.Remember('F', "\\\\Box\\public");    // comes back
  connections_.Remember('G', "\\\\Box\\gone");      // the share is gone
  connections_.Remember('H', "\\\\Box\\private");   // its password is not kept
  EXPECT_EQ(Reconnect({"reconnect"}), cli::kExitDeviceFailed);
  EXPECT_EQ(Lines(), (std::vector<std::string>{
                         "E: \\\\Box\\public connected",
                         "F: \\\\Box\\public connected",
                         std::string("G: \\\\Box\\gone unavailable: ") +
                             ConnectFailureReason(ConnectionResult::kShareNotFound),
                         std::string("H: \\\\Box\\private unavailable: ") +
                             ConnectFailureReason(ConnectionResult::kLoginRefused),
                     }));
  EXPECT_EQ(connections_.Connection('F'), "\\\\Box\\public");
  // Nothing to wait for: the refusals are final, and nothing was asked.
  EXPECT_EQ(scripted_.sleeps, 0);
  EXPECT_EQ(err_.str(), "");
  EXPECT_TRUE(connections_.IsRemembered('G'));
  EXPECT_TRUE(connections_.IsRemembered('H'));

  ASSERT_EQ(Reconnect({"reconnect", "--json"}), cli::kExitDeviceFailed);
  auto list = nlohmann::json::parse(out_.str(), nullptr, false);
  ASSERT_TRUE(list.is_array()) << out_.str();
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[1]["letter"], "F:");
  EXPECT_EQ(list[1]["state"], "connected");
  EXPECT_EQ(list[1]["maps"], "\\\\Box\\public");
  EXPECT_TRUE(list[1]["reason"].is_null());
  EXPECT_EQ(list[2]["state"], "unavailable");
  EXPECT_EQ(list[2]["reason"], ConnectFailureReason(ConnectionResult::kShareNotFound));

  // Every remembered letter connected: exit 0; none at all: 0 and "[]".
  ASSERT_EQ(Run({"disconnect", "G"}), cli::kExitDone);
  ASSERT_EQ(Run({"disconnect", "H"}), cli::kExitDone);
  EXPECT_EQ(Reconnect({"reconnect"}), cli::kExitDone);
  ASSERT_EQ(Run({"disconnect", "E"}), cli::kExitDone);
  ASSERT_EQ(Run({"disconnect", "F"}), cli::kExitDone);
  EXPECT_EQ(Reconnect({"reconnect", "--json"}), cli::kExitDone);
  EXPECT_EQ(nlohmann::json::parse(out_.str(), nullptr, false), nlohmann::json::array());
}

TEST_F(CliReconnectTest, AServerAwayIsTriedAgainWhenTheNetworkChangesWithinTheWait) {
  connections_.Remember('E', "\\\\Box\\public");
  connections_.SetServerRefusal("Box", ConnectionResult::kServerUnreachable);
  // The network comes up after 25 s: the letter connects then, well within
  // the 60 s by default.
  scripted_.atMicros = clock_.NowMicros() + 25 * 1000000LL;
  scripted_.onTime = [this] {
    network_.SetLocalAddresses({Ipv4Address{{192, 168, 0, 9}}});
    connections_.SetServerRefusal("Box", ConnectionResult::kDone);
  };
  const std::int64_t start = clock_.NowMicros();
  EXPECT_EQ(Reconnect({"reconnect"}), cli::kExitDone);
  EXPECT_EQ(Lines(), std::vector<std::string>{"E: \\\\Box\\public connected"});
  EXPECT_LT(clock_.NowMicros() - start, 27 * 1000000LL);

  // A server that never comes back: tried for the time given, then the
  // letter stays remembered.
  ASSERT_EQ(Run({"disconnect", "E"}), cli::kExitDone);
  connections_.Remember('E', "\\\\Box\\public");
  connections_.SetServerRefusal("Box", ConnectionResult::kServerUnreachable);
  const std::int64_t again = clock_.NowMicros();
  EXPECT_EQ(Reconnect({"reconnect", "--wait", "30"}), cli::kExitDeviceFailed);
  EXPECT_GE(clock_.NowMicros() - again, 30 * 1000000LL);
  EXPECT_LT(clock_.NowMicros() - again, 32 * 1000000LL);
  EXPECT_TRUE(connections_.IsRemembered('E'));
  // --wait 0: one round, no wait.
  const int sleeps = scripted_.sleeps;
  EXPECT_EQ(Reconnect({"reconnect", "--wait=0"}), cli::kExitDeviceFailed);
  EXPECT_EQ(scripted_.sleeps, sleeps);
}

TEST_F(CliReconnectTest, ConnectRememberKeepsThePasswordAndTheOptionsStayInTheirPlace) {
  ASSERT_EQ(Run({"connect", "192.168.0.20", "private", "E", "--user", "mary", "--password", "pw",
                 "--remember"}),
            cli::kExitDone)
      << err_.str();
  // The kept password goes with the share's connections, as the check box's.
  bool kept = false;
  for (const std::string& call : connections_.calls)
    kept =
        kept ||
        (call.rfind("add E: ", 0) == 0 &&
         call.find("flags=" + std::to_string(kConnectUpdateProfile | kConnectRememberPassword)) !=
             std::string::npos);
  EXPECT_TRUE(kept);
  ASSERT_EQ(Run({"connect", "192.168.0.20", "public", "F"}), cli::kExitDone);
  for (const std::string& call : connections_.calls) {
    if (call.rfind("add F: ", 0) == 0) {
      EXPECT_EQ(
          call.find("flags=" + std::to_string(kConnectUpdateProfile | kConnectRememberPassword)),
          std::string::npos);
    }
  }

  const std::size_t changes = Changes();
  for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
           {"reconnect", "E"},
           {"reconnect", "--wait"},
           {"reconnect", "--wait", "-1"},
           {"reconnect", "--wait", "3601"},
           {"reconnect", "--wait", "1.5"},
           {"reconnect", "--wait", "99999999999"},
           {"reconnect", "--remember"},
           {"reconnect", "--password", "pw"},
           {"drives", "--wait", "5"},
           {"disconnect", "E", "--remember"},
           {"scan", "--remember"},
       }) {
    EXPECT_EQ(Run(bad), cli::kExitUsage) << bad.back();
  }
  EXPECT_EQ(Changes(), changes);
}

}  // namespace
}  // namespace tessavue
