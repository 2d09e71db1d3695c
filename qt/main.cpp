// tessavue: the Linux desktop program.
//   tessavue                 the devices on the local network, drive letters
//                            as links under ~/Network Drives to GVfs mounts
//   tessavue --demo          three simulated devices and an in-memory drive map
//   tessavue --local-ip A.B.C.D   search from this workstation address only
#include <QApplication>
#include <QIcon>
#include <QStyleFactory>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

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

// The words of the line as CLI11 reads them.
struct Arguments {
  bool help = false, version = false, demo = false;
  std::optional<std::string> localIp;
};

void ReadArgs(int argc, char** argv, Arguments& arguments) {
  CLI::App app;
  app.set_help_flag();  // the usage text is Usage()'s
  app.add_flag("-h,--help", arguments.help)->disable_flag_override();
  app.add_flag("--version", arguments.version)->disable_flag_override();
  app.add_flag("--demo", arguments.demo)->disable_flag_override();
  std::string localIp;
  CLI::Option* local = app.add_option("--local-ip", localIp)->type_name("A.B.C.D");
  local->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  app.parse(argc, argv);
  if (local->count() > 0) arguments.localIp = localIp;
}

std::optional<int> ParseArgs(int argc, char** argv, Options& options) {
  Arguments arguments;
  try {
    ReadArgs(argc, argv, arguments);
  } catch (const CLI::Error& e) {
    std::fprintf(stderr, "tessavue: %s\n", e.what());
    Usage(stderr);
    return 2;
  }
  if (arguments.help) {
    Usage(stdout);
    return 0;
  }
  if (arguments.version) {
    std::puts("tessavue " TESSAVUE_VERSION);
    return 0;
  }
  options.demo = arguments.demo;
  if (arguments.localIp) {
    tessavue::Ipv4Address address;
    if (!tessavue::ParseDotted(arguments.localIp->c_str(), address.octet)) {
      std::fprintf(stderr, "tessavue: not an IPv4 address: %s\n", arguments.localIp->c_str());
      return 2;
    }
    options.localIp = address;
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
