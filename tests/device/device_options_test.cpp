// The tessavue-device program's settings: device specifications, generated
// devices, and the refusal of bad settings with a reason.
#include <gtest/gtest.h>

#include <array>
#include <set>
#include <string>
#include <vector>

#include "device_options.h"

namespace tessavue {
namespace {

Ipv4Address A(int a, int b, int c, int d) {
  return Ipv4Address{{std::uint8_t(a), std::uint8_t(b), std::uint8_t(c), std::uint8_t(d)}};
}

TEST(DeviceProgramArgs, DeviceSpecsWithEscapesAndDefaults) {
  DeviceProgramOptions o;
  std::string error;
  ASSERT_TRUE(ParseDeviceProgramArgs(
      {"--device", "ip=10.213.1.5,name=a%2Cb%22c%00%FF,dhcp=1,password=s3cret,delay-ms=20",
       "--device", "ip=10.213.1.6,serial=0A0b0C0d0E0f,shares=x:y,dhcp-ip=10.213.1.99,reply=group",
       "--device", "ip=10.213.1.7,reply=broadcast", "--log"},
      o, error))
      << error;
  ASSERT_EQ(o.devices.size(), 3u);
  EXPECT_TRUE(o.log);
  EXPECT_EQ(o.devices[0].reply, ReplyMode::kUnicast);
  EXPECT_EQ(o.devices[1].reply, ReplyMode::kGroup);
  EXPECT_EQ(o.devices[2].reply, ReplyMode::kBroadcast);
  EXPECT_EQ(o.devices[0].name, std::string("a,b\"c\0\xff", 7));
  EXPECT_TRUE(o.devices[0].dhcp);
  EXPECT_EQ(o.devices[0].adminUser, "qewro");
  EXPECT_EQ(o.devices[0].adminPassword, "s3cret");
  EXPECT_EQ(o.devices[0].replyDelayMicros, 20000);
  EXPECT_EQ(o.devices[0].gateway, A(10, 213, 1, 1));
  EXPECT_EQ(o.devices[0].netmask, A(255, 255, 255, 0));
  EXPECT_EQ(o.devices[1].name, "Tessavue-2");
  EXPECT_EQ(o.devices[1].shares, "x:y");
  EXPECT_EQ(o.devices[1].dhcpAddress, A(10, 213, 1, 99));
  const std::array<std::uint8_t, 6> serial{0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f};
  EXPECT_EQ(o.devices[1].serial, serial);
  EXPECT_NE(o.devices[0].serial, o.devices[1].serial);
}

TEST(DeviceProgramArgs, GeneratedDevicesAreDistinct) {
  DeviceProgramOptions o;
  std::string error;
  ASSERT_TRUE(
      ParseDeviceProgramArgs({"--device", "ip=10.213.0.250", "--generate",
                              "count=1000,ip=10.213.0.251,netmask=255.255.0.0,name=N,reply=group"},
                             o, error))
      << error;
  ASSERT_EQ(o.devices.size(), 1001u);
  std::set<std::array<std::uint8_t, 10>> ids;
  for (const auto& s : o.devices) ids.insert(SimulatedDevice(s).DeviceId());
  EXPECT_EQ(ids.size(), 1001u);
  EXPECT_EQ(o.devices[1].name, "N-1");
  EXPECT_EQ(o.devices[6].ip, A(10, 213, 1, 0));  // carries into the third octet
  EXPECT_EQ(o.devices[1000].ip, A(10, 213, 4, 226));
  EXPECT_EQ(o.devices[1000].netmask, A(255, 255, 0, 0));
  EXPECT_EQ(o.devices[0].reply, ReplyMode::kUnicast);
  EXPECT_EQ(o.devices[1000].reply, ReplyMode::kGroup);
}

// --device and --generate interleaved: each device's default name, serial and
// place in the list follow where it stands on the line; options may take
// their value after '='.
TEST(DeviceProgramArgs, DevicesKeepTheirPlaceOnTheLine) {
  DeviceProgramOptions o;
  std::string error;
  ASSERT_TRUE(ParseDeviceProgramArgs(
      {"--device=ip=10.213.1.5", "--generate", "count=2,ip=10.213.2.1,name=G",
       "--interface-ip=10.213.1.1", "--device", "ip=10.213.1.6", "--log"},
      o, error))
      << error;
  ASSERT_EQ(o.devices.size(), 4u);
  EXPECT_EQ(o.devices[0].ip, A(10, 213, 1, 5));
  EXPECT_EQ(o.devices[1].name, "G-1");
  EXPECT_EQ(o.devices[2].ip, A(10, 213, 2, 2));
  EXPECT_EQ(o.devices[3].ip, A(10, 213, 1, 6));
  EXPECT_EQ(o.devices[3].name, "Tessavue-4");
  std::set<std::array<std::uint8_t, 6>> serials;
  for (const auto& s : o.devices) serials.insert(s.serial);
  EXPECT_EQ(serials.size(), 4u);
  EXPECT_TRUE(o.haveInterface);
  EXPECT_EQ(o.interfaceAddress, A(10, 213, 1, 1));
  EXPECT_TRUE(o.log);
}

TEST(DeviceProgramArgs, HelpAndVersionNeedNoDevice) {
  for (const char* word : {"--help", "--version"}) {
    DeviceProgramOptions o;
    std::string error;
    ASSERT_TRUE(ParseDeviceProgramArgs({word}, o, error)) << word << ": " << error;
    EXPECT_EQ(o.help, word[2] == 'h');
    EXPECT_EQ(o.version, word[2] == 'v');
  }
}

TEST(DeviceProgramArgs, BadSettingsAreRefusedWithAReason) {
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"--device"},
      {"--device", "name=x"},
      {"--device", "ip=10.0.0.300"},
      {"--device", "ip=10.0.0.3,colour=red"},
      {"--device", "ip=10.0.0.3,ip=10.0.0.4"},
      {"--device", "ip=10.0.0.3,name=%4"},
      {"--device", "ip=10.0.0.3,name=%zz"},
      {"--device", "ip=10.0.0.3,password=12345678901234567"},
      {"--device", "ip=10.0.0.3,delay-ms=60001"},
      {"--device", "ip=10.0.0.3,delay-ms=-1"},
      {"--device", "ip=10.0.0.3,dhcp=yes"},
      {"--device", "ip=10.0.0.3,serial=12345"},
      {"--device", "ip=10.0.0.3,reply=multicast"},
      {"--device", "ip=10.0.0.3,reply=Group"},
      {"--device", "ip=10.0.0.3,name=" + std::string(kMaxDeviceName + 1, 'n')},
      {"--generate", "ip=10.0.0.3"},
      {"--generate", "count=0,ip=10.0.0.3"},
      {"--generate", "count=2,ip=255.255.255.255"},
      {"--interface-ip", "eth0", "--device", "ip=10.0.0.3"},
      {"--bogus"},
      {"--version=1"},
      {"--log=1", "--device", "ip=10.0.0.3"},
      {"--device", "ip=10.0.0.3", "stray"},
      {"--device", "ip=10.0.0.3", "--generate"},
  };
  for (const auto& args : bad) {
    DeviceProgramOptions o;
    std::string error;
    EXPECT_FALSE(ParseDeviceProgramArgs(args, o, error)) << (args.empty() ? "" : args.back());
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
}  // namespace tessavue
