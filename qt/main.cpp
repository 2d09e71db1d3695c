// tessavue: the Linux desktop program.
//   tessavue                 the devices on the local network, drive letters
//                            as links under ~/Network Drives to GVfs mounts
//   tessavue --demo          three simulated devices and an in-memory drive map
//   tessavue --local-ip A.B.C.D   search from this workstation address only
#include <QApplication>
#include <QIcon>
#include <QStyleFactory>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include "utility_app.h"
#include "version.h"
#include "gio_share_mounts.h"
#include "gvfs_connections.h"
#include "posix_clock.h"
#include "posix_network.h"
#include "posix_resolver.h"
#include "posix_shell.h"
#include "posix_system.h"
#include "posix_target_file.h"
#include "demo_world.h"
#include "qt_dialogs.h"
#include "protocol.h"

namespace {

void Usage(std::FILE* out) {
  std::fputs(
      "Usage: tessavue [--demo] [--local-ip A.B.C.D]\n"
      "  --demo              three simulated devices and an in-memory drive map\n"
      "  --local-ip A.B.C.D  search from this workstation address only (default:\n"
      "                      every network of the workstation)\n"
      "  --version           the program's name and version\n",
      out);
}

bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}

// The command line; a code to end with where it says to end at once.
struct Options {
  bool demo = false;
  std::optional<tessavue::Ipv4Address> localIp;
};

std::optional<int> ParseArgs(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--demo") == 0) {
      options.demo = true;
    } else if (std::strcmp(argv[i], "--local-ip") == 0 && i + 1 < argc) {
      tessavue::Ipv4Address address;
      if (!tessavue::ParseDotted(argv[++i], address.octet)) {
        std::fprintf(stderr, "tessavue: not an IPv4 address: %s\n", argv[i]);
        return 2;
      }
      options.localIp = address;
    } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      Usage(stdout);
      return 0;
    } else if (std::strcmp(argv[i], "--version") == 0) {
      std::puts("tessavue " TESSAVUE_VERSION);
      return 0;
    } else {
      std::fprintf(stderr, "tessavue: unknown argument: %s\n", argv[i]);
      Usage(stderr);
      return 2;
    }
  }
  return std::nullopt;
}

// The window over the simulated devices or over the workstation's network.
int RunWindow(const Options& options) {
  using namespace tessavue;
  PosixShell shell;
  PosixSystemInfo system;
  QtAppPlatform platform;
  int exitCode = 0;
  if (options.demo) {
    DemoWorld world;
    PosixClock realTime;
    world.PlayInRealTime(realTime);
    UtilityApp app(world.network, world.clock, world.connections, shell, system, world.resolver);
    exitCode = app.Run(platform);
  } else {
    PosixNetwork network;
    if (options.localIp) network.SetLocalAddress(*options.localIp);
    PosixClock clock;
    GioShareMounts mounts;
    GvfsConnections connections(mounts);
    PosixNameResolver resolver;
    // The addresses searched at are the user's, kept in the configuration
    // folder; the demo's last for its run.
    PosixTargetFile remembered;
    UtilityApp app(network, clock, connections, shell, system, resolver);
    app.RememberTargetsIn(remembered);
    exitCode = app.Run(platform);
  }
  return exitCode;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (std::optional<int> code = ParseArgs(argc, argv, options)) return *code;
  if (!HasDisplay()) {
    std::fputs(
        "tessavue: no display. Start it inside a desktop session (DISPLAY or WAYLAND_DISPLAY "
        "set), or over ssh -X.\n",
        stderr);
    return 1;
  }

  QApplication application(argc, argv);
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/tessavue.ico")));
  QApplication::setApplicationName(QStringLiteral("tessavue"));

  return RunWindow(options);
}
