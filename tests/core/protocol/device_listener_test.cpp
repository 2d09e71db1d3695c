// The search tells its listener of each device as it joins DeviceList.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "simulated_lan.h"

namespace tessavue::testing {
namespace {

// Notes each device it is told of, with what the list held at that moment.
struct Heard : DeviceListener {
  struct Entry {
    int index;
    std::string ip;
    std::string name;
    std::int64_t at;
    bool wasTail;
    int countThen;
  };
  Heard(Lan& lan) : lan(lan) {}
  void DeviceJoined(const DeviceRecord& device, int index) override {
    entries.push_back({index, device.ip, device.name, lan.clock.NowMicros(),
                       &lan.protocol.deviceList().back() == &device,
                       static_cast<int>(lan.protocol.deviceList().size())});
  }
  Lan& lan;
  std::vector<Entry> entries;
};

TEST(DeviceListener, HearsEachNewDeviceOnceInListOrderAsItsReplyArrives) {
  Lan lan;
  const std::uint8_t addresses[3][4] = {{192, 168, 0, 20}, {192, 168, 0, 21}, {192, 168, 0, 22}};
  const std::int64_t delays[3] = {400000, 3000, 90000};
  for (int i = 0; i < 3; ++i) {
    DeviceSettings& d = lan.AddDevice().settings();
    std::memcpy(d.ip.octet, addresses[i], 4);
    d.name = "NAS-" + std::to_string(i);
    d.searchAnswer.delayMicros = delays[i];
  }
  // A second device with the first one's address, answering after it.
  DeviceSettings& twin = lan.AddDevice().settings();
  std::memcpy(twin.ip.octet, addresses[0], 4);
  twin.name = "twin";
  twin.searchAnswer.delayMicros = 450000;

  Heard heard(lan);
  lan.protocol.SetDeviceListener(&heard);
  const std::int64_t start = lan.clock.NowMicros();
  lan.protocol.SearchDevices();
  const std::int64_t end = lan.clock.NowMicros();

  // Twelve replies (four devices, three requests), three new addresses.
  ASSERT_EQ(heard.entries.size(), 3u);
  const char* order[3] = {"192.168.0.21", "192.168.0.22", "192.168.0.20"};
  const std::int64_t firstReply[3] = {3000, 90000, 400000};
  for (int i = 0; i < 3; ++i) {
    const Heard::Entry& e = heard.entries[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(e.index, i);
    EXPECT_EQ(e.ip, order[i]);
    EXPECT_TRUE(e.wasTail);
    EXPECT_EQ(e.countThen, i + 1);
    // Told the moment the reply is read, long before the search ends.
    EXPECT_GE(e.at, start + firstReply[i]);
    EXPECT_LE(e.at, start + firstReply[i] + kKeepAliveMicros);
    EXPECT_LT(e.at, end - 500000);
  }
  EXPECT_EQ(heard.entries[2].name, "NAS-0");
  EXPECT_EQ(lan.protocol.deviceList().size(), 3u);
  EXPECT_STREQ(lan.protocol.deviceList().front().ip, "192.168.0.21");
}

TEST(DeviceListener, EachSearchStartsAgainFromTheHeadAndNobodyMayListen) {
  Lan lan;
  lan.AddDevice();
  Heard heard(lan);
  lan.protocol.SetDeviceListener(&heard);
  lan.protocol.SearchDevices();
  lan.protocol.SearchDevices();
  // The same device in each search, as the list's head both times.
  ASSERT_EQ(heard.entries.size(), 2u);
  EXPECT_EQ(heard.entries[1].index, 0);
  EXPECT_EQ(heard.entries[1].countThen, 1);

  // Requests to the device tell nobody; neither does a search with no
  // listener.
  lan.Select("192.168.0.20");
  EXPECT_TRUE(lan.protocol.FetchShares());
  lan.protocol.SetDeviceListener(nullptr);
  lan.protocol.SearchDevices();
  EXPECT_EQ(heard.entries.size(), 2u);
  EXPECT_EQ(lan.protocol.deviceList().size(), 1u);
}

}  // namespace
}  // namespace tessavue::testing
