// How soon a device's row is on screen during a search: runs "Refresh" in
// the main window (headless controls, or the Qt window on the offscreen
// platform) and prints, for each search, the devices listed, the time from
// the protocol's reading of a device's first reply to the end of the
// keep-alive that showed its row (median, 95th percentile, largest), and the
// time from the search's end to the complete list (negative: complete before
// the end). "none" runs the search alone, without a window.
//
//   rows_bench memory none|headless|qt N...   N in-memory devices each, answering
//                                        in real time within 60 ms of each
//                                        request
//   rows_bench posix none|headless|qt LOCAL_IP [N]   the real network from LOCAL_IP
//                                        (the devices of the veth pair)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "main_dialog.h"
#include "memory_segment.h"
#include "drive_table.h"
#include "headless_controls.h"
#include "memory_connections.h"
#include "memory_network.h"
#include "memory_resolver.h"
#include "memory_system.h"
#include "virtual_clock.h"
#include "posix_clock.h"
#include "posix_network.h"
#include "protocol.h"
#include "wire.h"
#ifdef TESSAVUE_BENCH_QT
#include <QApplication>

#include "qt_dialogs.h"
#include "utility_app.h"
#endif

namespace {

using namespace tessavue;
using Wall = std::chrono::steady_clock;

double Ms(Wall::time_point from, Wall::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

// The network the protocol talks through, noting when the first search reply
// from each address was read and when the network was last asked anything.
class TimedNetwork : public DatagramNetwork {
 public:
  explicit TimedNetwork(DatagramNetwork& inner) : inner_(inner) {}
  bool Startup() override { return inner_.Startup(); }
  void Cleanup() override { inner_.Cleanup(); }
  bool LocalAddresses(std::vector<Ipv4Address>& a) override { return inner_.LocalAddresses(a); }
  bool OpenInterfaces(const std::vector<Ipv4Address>& l) override {
    return inner_.OpenInterfaces(l);
  }
  void Close() override { inner_.Close(); }
  void SendToGroupOn(std::size_t via, const std::uint8_t* data, std::size_t length) override {
    inner_.SendToGroupOn(via, data, length);
    lastCall = Wall::now();
  }
  bool WaitReadable(std::int64_t timeoutMicros) override {
    bool readable = inner_.WaitReadable(timeoutMicros);
    lastCall = Wall::now();
    return readable;
  }
  int Receive(std::uint8_t* buffer, std::size_t capacity) override {
    int n = inner_.Receive(buffer, capacity);
    lastCall = Wall::now();
    if (n >= 21 && buffer[0] == wire::kSearchReply) {
      char ip[16];
      FormatDotted(buffer + 17, ip);
      firstRead.emplace(ip, lastCall);
    }
    return n;
  }
  void FillRandom(std::uint8_t* out, std::size_t length) override {
    inner_.FillRandom(out, length);
  }

  std::map<std::string, Wall::time_point> firstRead;
  Wall::time_point lastCall;

 private:
  DatagramNetwork& inner_;
};

// When each row of the device list was first on screen: called at the end of
// every keep-alive, and once the window has painted after the search.
struct RowTimes {
  void Look(const ListView& list) {
    const Wall::time_point now = Wall::now();
    for (int row = static_cast<int>(shown.size()); row < list.GetItemCount(); ++row)
      shown.emplace_back(list.GetItemText(row, 1), now);
  }
  std::vector<std::pair<std::string, Wall::time_point>> shown;
};

void Report(const char* window, int devices, TimedNetwork& net, const RowTimes& rows,
            Wall::time_point searchStart) {
  std::vector<double> lags;
  Wall::time_point complete = searchStart;
  for (const auto& [ip, at] : rows.shown) {
    auto read = net.firstRead.find(ip);
    if (read != net.firstRead.end()) lags.push_back(Ms(read->second, at));
    complete = std::max(complete, at);
  }
  std::sort(lags.begin(), lags.end());
  auto at = [&](double share) {
    return lags.empty() ? 0.0
                        : lags[std::min(lags.size() - 1,
                                        std::size_t(share * static_cast<double>(lags.size())))];
  };
  std::printf("%-9s %8d %7zu %10.1f %9.2f %9.2f %9.2f %14.1f\n", window, devices, rows.shown.size(),
              Ms(searchStart, net.lastCall), at(0.5), at(0.95), lags.empty() ? 0.0 : lags.back(),
              Ms(net.lastCall, complete));
}

struct Services {
  MemoryConnections connections;
  MemoryNameResolver resolver;
  MemorySystem system;
  RecordingShell shell;
};

void RunHeadless(DatagramNetwork& network, Clock& clock, int devices) {
  TimedNetwork net(network);
  Services s;
  DeviceProtocol protocol(net, clock);
  DriveLetterTable drives(s.connections);
  ScriptedDialogHost host;
  host.timers.clock = &clock;
  HeadlessButton configurationButton, disconnectButton, connectButton, refreshButton;
  HeadlessComboBox dhcpCombo, driveCombo;
  HeadlessListView shareList, deviceList;
  HeadlessIpAddressControl ipAddress, netmaskAddress, gatewayAddress;
  MainDialog dialog(protocol, drives, SystemServices{s.connections, s.shell, s.system, s.resolver},
                    host,
                    MainDialogControls{configurationButton, disconnectButton, connectButton,
                                       dhcpCombo, driveCombo, shareList, deviceList, refreshButton,
                                       ipAddress, netmaskAddress, gatewayAddress});
  if (!protocol.InitTransport()) std::exit(1);
  dialog.OnInitDialog();
  RowTimes rows;
  host.waits.onKeepAlive = [&] { rows.Look(deviceList); };
  net.firstRead.clear();
  const Wall::time_point start = Wall::now();
  dialog.OnRefresh();
  rows.Look(deviceList);
  Report("headless", devices, net, rows, start);
  protocol.ShutdownTransport();
}

#ifdef TESSAVUE_BENCH_QT
// The Qt window, noting its rows after every keep-alive (which paints).
class TimedQtWindow : public QtMainWindow {
 public:
  explicit TimedQtWindow(UtilityApp& app)
      : QtMainWindow(app),
        deviceList(dynamic_cast<QtListView*>(findChild<QWidget*>(QStringLiteral("deviceList")))) {}
  void KeepAlive() override {
    QtMainWindow::KeepAlive();
    if (rows) rows->Look(*deviceList);
  }
  RowTimes* rows = nullptr;
  QtListView* const deviceList;
};

void RunQt(DatagramNetwork& network, Clock& clock, int devices) {
  TimedNetwork net(network);
  Services s;
  UtilityApp app(net, clock, s.connections, s.shell, s.system, s.resolver);
  if (!app.protocol.InitTransport()) std::exit(1);
  SetDialogColors(kDialogBackground, kDialogText);
  TimedQtWindow window(app);
  window.InitDialog();
  window.show();
  QCoreApplication::processEvents();
  RowTimes rows;
  window.rows = &rows;
  net.firstRead.clear();
  const Wall::time_point start = Wall::now();
  window.logic().OnRefresh();
  // The rows the search's end added are on screen after the next paint.
  QCoreApplication::processEvents();
  rows.Look(*window.deviceList);
  window.rows = nullptr;
  Report("qt", devices, net, rows, start);
  app.protocol.ShutdownTransport();
}
#endif

// The same search with no window: what the rows cost the search, by
// comparison.
void RunProtocolAlone(DatagramNetwork& network, Clock& clock, int devices) {
  TimedNetwork net(network);
  DeviceProtocol protocol(net, clock);
  if (!protocol.InitTransport()) std::exit(1);
  const Wall::time_point start = Wall::now();
  protocol.SearchDevices();
  std::printf("%-9s %8d %7d %10.1f\n", "none", devices, int(protocol.deviceList().size()),
              Ms(start, net.lastCall));
  protocol.ShutdownTransport();
}

void Run(const std::string& window, DatagramNetwork& network, Clock& clock, int devices) {
  if (window == "none") return RunProtocolAlone(network, clock, devices);
  if (window == "headless") return RunHeadless(network, clock, devices);
#ifdef TESSAVUE_BENCH_QT
  if (window == "qt") return RunQt(network, clock, devices);
#endif
  std::fprintf(stderr, "rows_bench: no window \"%s\" in this build\n", window.c_str());
  std::exit(2);
}

// N simulated devices on the in-memory network, played in real time, each
// answering within 60 ms of each request.
void RunMemory(const std::string& window, int devices) {
  VirtualClock clock(1000000);
  MemoryNetwork network(clock);
  network.SetLocalAddress(Ipv4Address{{10, 200, 0, 100}});
  PosixClock realTime;
  network.SetPacing(&realTime);
  SimulatedSegment segment(network);
  std::deque<DeviceSettings> all =
      GenerateDevices(static_cast<std::size_t>(devices), Ipv4Address{{10, 200, 1, 1}},
                      Ipv4Address{{255, 255, 0, 0}}, Ipv4Address{{10, 200, 0, 1}});
  for (std::size_t i = 0; i < all.size(); ++i) {
    all[i].replyDelayMicros = static_cast<std::int64_t>(i) * 60000 / devices;
    segment.AddDevice(all[i]);
  }
  Run(window, network, clock, devices);
}

void Heading() {
  std::printf("%-9s %8s %7s %10s %9s %9s %9s %14s\n", "window", "devices", "listed", "search_ms",
              "row_p50", "row_p95", "row_max", "end_to_all_ms");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr,
                 "usage: rows_bench memory headless|qt N... | rows_bench posix headless|qt "
                 "LOCAL_IP\n");
    return 2;
  }
  const std::string source = argv[1], window = argv[2];
#ifdef TESSAVUE_BENCH_QT
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication application(argc, argv);
#endif
  Heading();
  if (source == "memory") {
    for (int i = 3; i < argc; ++i) RunMemory(window, std::max(1, std::atoi(argv[i])));
    return 0;
  }
  if (source == "posix" && argc >= 4) {
    std::uint8_t octets[4];
    if (!ParseDotted(argv[3], octets)) return 2;
    PosixNetworkOptions options;
    options.localAddress = Ipv4Address{{octets[0], octets[1], octets[2], octets[3]}};
    PosixNetwork network(options);
    PosixClock clock;
    Run(window, network, clock, argc > 4 ? std::atoi(argv[4]) : 0);
    return 0;
  }
  std::fprintf(stderr, "rows_bench: unknown source \"%s\"\n", source.c_str());
  return 2;
}
