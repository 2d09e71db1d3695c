// The Linux window's start as a user sees it, over the real network: run as
// the program runs its window (QApplication, colours, the main dialog's
// modal run) on the display in DISPLAY, it prints three times in
// milliseconds and ends once its first search is over:
//   start_to_visible    from LAUNCH_MS (the system time at which the caller
//                       started this program) to the window's first paint
//   request_to_visible  from the first search request sent to that paint
//                       (negative: the window was up before the request)
//   reply_to_row        from the first search reply read to the first paint
//                       that shows a device row
//
//   start_bench LAUNCH_MS LOCAL_IP      (bench/start_bench.sh runs it)
#include <QApplication>
#include <QStyleFactory>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "memory_connections.h"
#include "memory_resolver.h"
#include "memory_system.h"
#include "posix_clock.h"
#include "posix_network.h"
#include "qt_dialogs.h"
#include "utility_app.h"
#include "wire.h"

namespace {

using namespace tessavue;

double NowMs() {
  return std::chrono::duration<double, std::milli>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// The first search request sent and the first search reply read.
class TimedNetwork : public PosixNetwork {
 public:
  void SendToGroupOn(std::size_t via, const std::uint8_t* data, std::size_t length) override {
    PosixNetwork::SendToGroupOn(via, data, length);
    if (firstRequest == 0 && length > 0 && data[0] == wire::kSearchRequest) firstRequest = NowMs();
  }
  int Receive(std::uint8_t* buffer, std::size_t capacity) override {
    const int n = PosixNetwork::Receive(buffer, capacity);
    if (firstReply == 0 && n > 0 && buffer[0] == wire::kSearchReply) firstReply = NowMs();
    return n;
  }
  double firstRequest = 0;
  double firstReply = 0;
};

// The window, noting its first paint and the first paint with a row.
class TimedWindow : public QtMainWindow {
 public:
  explicit TimedWindow(UtilityApp& app)
      : QtMainWindow(app),
        deviceList(dynamic_cast<QtListView*>(findChild<QWidget*>(QStringLiteral("deviceList")))) {}
  void KeepAlive() override {
    QtMainWindow::KeepAlive();
    Look();
  }
  void Look() {
    if (visible != 0 && row == 0 && deviceList->GetItemCount() > 0) row = NowMs();
  }
  double visible = 0;
  double row = 0;
  QtListView* const deviceList;

 protected:
  bool event(QEvent* e) override {
    const bool result = QtMainWindow::event(e);
    if (e->type() == QEvent::Paint && visible == 0) visible = NowMs();
    if (e->type() == QEvent::Paint) Look();
    return result;
  }
};

// The window over the devices heard from `local`, until its first search's
// rows are painted; the figures, or 1 when no row came.
int TimeStart(double launch, const Ipv4Address& local) {
  TimedNetwork network;
  network.SetLocalAddress(local);
  PosixClock clock;
  MemoryConnections connections;
  MemorySystem system;
  RecordingShell shell;
  MemoryNameResolver resolver;
  UtilityApp app(network, clock, connections, shell, system, resolver);
  if (!app.protocol.InitTransport()) return 1;
  SetDialogColors(kDialogBackground, kDialogText);
  TimedWindow window(app);
  // Once the first search is over and its rows are painted, the window ends.
  QTimer done;
  QObject::connect(&done, &QTimer::timeout, &window, [&] {
    window.Look();
    if (window.visible != 0 && window.row != 0 && !window.Waiting()) window.done(0);
  });
  done.start(5);
  QTimer::singleShot(30000, &window, [&] { window.done(1); });
  window.Run();
  app.protocol.ShutdownTransport();
  if (window.row == 0 || network.firstReply == 0) {
    std::fputs("start_bench: no device row within 30 s\n", stderr);
    return 1;
  }
  std::printf("%.1f %.1f %.1f\n", window.visible - launch, window.visible - network.firstRequest,
              window.row - network.firstReply);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: start_bench LAUNCH_MS LOCAL_IP\n", stderr);
    return 2;
  }
  const double launch = std::atof(argv[1]);
  Ipv4Address local;
  if (!ParseDotted(argv[2], local.octet)) return 2;
  QApplication application(argc, argv);
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  return TimeStart(launch, local);
}
