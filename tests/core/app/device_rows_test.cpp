// The device list during a search: each device gets its row the moment its
// first reply arrives, and the list ends as one row per record of DeviceList.
#include <algorithm>
#include <deque>
#include <map>
#include <vector>

#include "window_fixture.h"

namespace tessavue {
namespace {

using Texts = std::vector<std::string>;

class DeviceRowsTest : public WindowTest {
 protected:
  // What the window would paint at one keep-alive of a wait.
  struct Snapshot {
    std::int64_t at;
    Texts ips;
    bool refreshEnabled;
  };

  DeviceRowsTest() {
    hook.onSend = [this](const std::uint8_t* data, std::size_t) {
      if (data[0] == wire::kSearchRequest) sends.push_back(clock.NowMicros());
    };
    host.waits.onKeepAlive = [this] {
      snapshots.push_back(
          {clock.NowMicros(), deviceList.ColumnTexts(1), refreshButton.IsEnabled()});
    };
  }

  DeviceSettings Extra(const char* name, const char* ip, std::int64_t delay) {
    DeviceSettings s = segment.device(kOffice).settings();
    s.name = name;
    EXPECT_TRUE(ParseAddress(ip, s.ip));
    s.serial[5] ^= static_cast<std::uint8_t>(delay);
    s.replyDelayMicros = delay;
    return s;
  }

  // The first keep-alive at or after `from` that shows `ip`; -1 when none.
  std::int64_t FirstShown(const std::string& ip, std::int64_t from) const {
    for (const Snapshot& s : snapshots) {
      if (s.at >= from && std::find(s.ips.begin(), s.ips.end(), ip) != s.ips.end()) return s.at;
    }
    return -1;
  }

  // Every keep-alive from `from` on showed the first rows of `final`, in its
  // order, with "Refresh" disabled.
  void ExpectPrefixesOf(const Texts& final, std::int64_t from, std::int64_t to,
                        int keepAlives = 50) {
    int seen = 0;
    for (const Snapshot& s : snapshots) {
      if (s.at < from || s.at > to) continue;
      ++seen;
      ASSERT_LE(s.ips.size(), final.size()) << "at " << s.at;
      EXPECT_TRUE(std::equal(s.ips.begin(), s.ips.end(), final.begin())) << "at " << s.at;
      EXPECT_FALSE(s.refreshEnabled) << "at " << s.at;
    }
    EXPECT_GT(seen, keepAlives);
  }

  // The rows, all four columns, are DeviceList from its head.
  void ExpectRowsAreDeviceList() {
    ASSERT_EQ(deviceList.GetItemCount(), static_cast<int>(protocol.deviceList().size()));
    int row = 0;
    for (const DeviceRecord& d : protocol.deviceList()) {
      EXPECT_EQ(deviceList.GetItemText(row, 0), d.name);
      EXPECT_EQ(deviceList.GetItemText(row, 1), d.ip);
      EXPECT_EQ(deviceList.GetItemText(row, 2), d.netmask);
      EXPECT_EQ(deviceList.GetItemText(row, 3), d.gateway);
      ++row;
    }
  }

  std::vector<std::int64_t> sends;
  std::vector<Snapshot> snapshots;
};

TEST_F(DeviceRowsTest, RowsAppearInArrivalOrderWhileTheSearchRuns) {
  Open();
  // A twin of the office device's address answers later: the office keeps
  // its row. Two more answer late within the search.
  segment.AddDevice(Extra("Tessavue-Twin", "192.168.0.20", 40'000));
  segment.AddDevice(Extra("Tessavue-Late", "192.168.0.50", 600'000));
  segment.AddDevice(Extra("Tessavue-Slow", "192.168.0.51", 150'000));
  segment.SetSilent(kMedia, true);
  sends.clear();
  snapshots.clear();

  dialog.OnRefresh();
  const std::int64_t end = clock.NowMicros();
  ASSERT_EQ(sends.size(), 3u);
  const std::int64_t start = sends[0];

  const Texts final{"192.168.0.20", "192.168.1.40", "192.168.0.51", "192.168.0.50"};
  EXPECT_EQ(deviceList.ColumnTexts(1), final);
  EXPECT_EQ(deviceList.ColumnTexts(0),
            (Texts{"Tessavue-Office", "Tessavue-Lab", "Tessavue-Slow", "Tessavue-Late"}));
  ExpectPrefixesOf(final, start, end);
  ExpectRowsAreDeviceList();

  // Each row shows at the first keep-alive after its device's first reply,
  // well before the search's end.
  const std::map<std::string, std::int64_t> replyDelay{
      {"192.168.0.20", 0}, {"192.168.0.51", 150'000}, {"192.168.0.50", 600'000}};
  for (const auto& [ip, delay] : replyDelay) {
    SCOPED_TRACE(ip);
    std::int64_t shown = FirstShown(ip, start);
    ASSERT_GE(shown, 0);
    EXPECT_GE(shown, start + delay);
    EXPECT_LE(shown, start + delay + 2 * kKeepAliveMicros);
    EXPECT_LT(shown, end - 300'000);
  }
  EXPECT_TRUE(refreshButton.IsEnabled());
  EXPECT_FALSE(dialog.deviceSelected());
}

TEST_F(DeviceRowsTest, TheStartAndTheRefreshAfterApplyShowRowsDuringTheirSearch) {
  segment.AddDevice(Extra("Tessavue-Late", "192.168.0.50", 500'000));
  Open();
  const Texts startRows{"192.168.0.20", "192.168.0.31", "192.168.1.40", "192.168.0.50"};
  EXPECT_EQ(deviceList.ColumnTexts(1), startRows);
  const std::int64_t startShown = FirstShown("192.168.0.50", 0);
  ASSERT_GE(startShown, 0);
  EXPECT_LE(startShown, sends[0] + 500'000 + 2 * kKeepAliveMicros);

  // The office device moves to 192.168.0.10; the refresh that follows lists
  // it under its new address as it answers.
  ClickDevice(kOffice);
  ASSERT_TRUE(ipAddress.TypeText("192.168.0.10"));
  ASSERT_TRUE(gatewayAddress.TypeText("192.168.0.1"));
  sends.clear();
  snapshots.clear();
  dialog.OnApply();
  const std::int64_t end = clock.NowMicros();
  EXPECT_TRUE(host.messages.empty());
  ASSERT_EQ(sends.size(), 3u);

  const Texts final{"192.168.0.10", "192.168.0.31", "192.168.1.40", "192.168.0.50"};
  EXPECT_EQ(deviceList.ColumnTexts(1), final);
  ExpectPrefixesOf(final, sends[0], end);
  const std::int64_t shown = FirstShown("192.168.0.10", sends[0]);
  ASSERT_GE(shown, 0);
  EXPECT_LE(shown, sends[0] + 2 * kKeepAliveMicros);
  ExpectRowsAreDeviceList();
}

TEST_F(DeviceRowsTest, AThousandDevicesAreAllListedWithinTheSameWindow) {
  Open();
  segment.AddGeneratedDevices(1000, Ipv4Address{{192, 168, 4, 1}}, Ipv4Address{{255, 255, 0, 0}},
                              Ipv4Address{{192, 168, 0, 1}});
  sends.clear();
  snapshots.clear();
  dialog.OnRefresh();
  const std::int64_t end = clock.NowMicros();

  ASSERT_EQ(sends.size(), 3u);
  EXPECT_LE(end - sends[0], kSearchWindowMicros + 100'000);
  EXPECT_EQ(deviceList.GetItemCount(), 1003);
  ExpectRowsAreDeviceList();
  // All of them were on screen long before the search ended.
  const std::int64_t allShown = [&] {
    for (const Snapshot& s : snapshots)
      if (s.ips.size() == 1003u) return s.at;
    return std::int64_t{-1};
  }();
  ASSERT_GE(allShown, 0);
  EXPECT_LE(allShown, sends[0] + 2 * kKeepAliveMicros);
}

TEST_F(DeviceRowsTest, AListSlowToTakeRowsCostsTheSearchNoReplies) {
  Open();
  segment.AddGeneratedDevices(300, Ipv4Address{{192, 168, 4, 1}}, Ipv4Address{{255, 255, 0, 0}},
                              Ipv4Address{{192, 168, 0, 1}});
  // Every change of the list takes 3 ms (5 changes a row), as a visible list
  // under Wine does on a busy machine: a row costs longer than a keep-alive.
  int seenEdits = 0;
  deviceList.onEdit = [this, &seenEdits] {
    clock.SleepMicros(3000);
    if (deviceList.redrawOn()) ++seenEdits;
  };
  sends.clear();
  snapshots.clear();
  dialog.OnRefresh();

  ASSERT_EQ(sends.size(), 3u);
  EXPECT_EQ(protocol.deviceList().size(), 303u);
  ExpectRowsAreDeviceList();
  // Rows came in during the search, in list order, at every keep-alive
  // while some were waiting, and the first ones at once.
  const Texts final = deviceList.ColumnTexts(1);
  const std::int64_t searchEnd = sends[0] + kSearchWindowMicros;
  // (A keep-alive takes one row, 15 ms, then 10 ms of replies: about 48.)
  ExpectPrefixesOf(final, sends[0], searchEnd, 40);
  ASSERT_GE(FirstShown(final[0], sends[0]), 0);
  // At the first keep-alive after its reply, once its own 15 ms are spent.
  EXPECT_LE(FirstShown(final[0], sends[0]), sends[0] + 2 * kKeepAliveMicros + 15000);
  std::size_t before = 0;
  int growing = 0;
  for (const Snapshot& shot : snapshots) {
    if (shot.at > searchEnd) break;
    if (shot.ips.size() > before) ++growing;
    before = shot.ips.size();
  }
  EXPECT_GT(growing, 20);
  EXPECT_LT(before, 303u);
  // The rows went in unseen and were shown together; the list shows again.
  EXPECT_EQ(seenEdits, 0);
  EXPECT_TRUE(deviceList.redrawOn());
}

TEST_F(DeviceRowsTest, AWindowSlowToPaintShowsTheFirstRowAsItsReplyIsReadAndKeepsReading) {
  Open();
  // 300 more devices: one answers at once, the rest one a millisecond.
  std::deque<DeviceSettings> many =
      GenerateDevices(300, Ipv4Address{{192, 168, 4, 1}}, Ipv4Address{{255, 255, 0, 0}},
                      Ipv4Address{{192, 168, 0, 1}});
  for (std::size_t i = 0; i < many.size(); ++i) {
    many[i].replyDelayMicros = static_cast<std::int64_t>(i) * 1000;
    segment.AddDevice(many[i]);
  }
  segment.SetSilent(kOffice, true);
  segment.SetSilent(kMedia, true);
  segment.SetSilent(kLab, true);
  // Whatever changed since the last paint takes 30 ms to paint, as a window
  // under Wine on a busy machine does; the picture is on screen once painted.
  host.waits.onKeepAlive = [&] {
    Snapshot now{0, deviceList.ColumnTexts(1), refreshButton.IsEnabled()};
    if (!snapshots.empty() && now.ips == snapshots.back().ips &&
        now.refreshEnabled == snapshots.back().refreshEnabled)
      return;
    clock.SleepMicros(30'000);
    now.at = clock.NowMicros();
    snapshots.push_back(now);
  };
  sends.clear();
  snapshots.clear();
  dialog.OnRefresh();

  ASSERT_EQ(sends.size(), 3u);
  EXPECT_EQ(protocol.deviceList().size(), 300u);
  ExpectRowsAreDeviceList();
  // The cleared window was painted before the request left, and the first
  // row was on screen one paint after its reply.
  ASSERT_FALSE(snapshots.empty());
  EXPECT_LE(snapshots.front().at, sends[0]);
  EXPECT_TRUE(snapshots.front().ips.empty());
  const std::int64_t first = FirstShown("192.168.4.1", sends[0]);
  ASSERT_GE(first, 0);
  EXPECT_LE(first, sends[0] + 30'000 + 1000);
  // While a reply came every millisecond (the first 300 ms), painting took
  // at most half of the time; the rest was left to reading the replies.
  std::int64_t paintedEarly = 0;
  for (const Snapshot& shot : snapshots)
    if (shot.at > sends[0] && shot.at <= sends[0] + 300'000) paintedEarly += 30'000;
  EXPECT_GE(paintedEarly, 90'000);
  EXPECT_LE(paintedEarly, 150'000);
}

}  // namespace
}  // namespace tessavue
