// tessavue.exe: the application object is made before WinMain runs; WinMain
// starts it in its fixed order (controls, transport, colours, the main
// dialog's modal run) and ends with its exit code.
//
// `tessavue.exe --demo` plays three simulated devices on an in-memory network
// and drive letters held in memory instead, so every button can be tried
// without hardware.
#include <cstdlib>
#include <string>

#include "exe_arguments.h"
#include "registry_target_store.h"
#include "utility_app.h"
#include "version.h"
#include "win32_app.h"
#include "win32_clock.h"
#include "win32_resolver.h"
#include "win32_system.h"
#include "winsock_network.h"

#ifdef TESSAVUE_DEMO
#include "demo_world.h"
#include "memory_system.h"
#endif

namespace {

using namespace tessavue;

// The application object and the system it runs on, made before WinMain.
WinsockNetwork theNetwork;
Win32Clock theClock;
win32::Win32NetworkConnections theConnections;
win32::Win32Shell theShell;
win32::Win32SystemInfo theSystem;
win32::Win32NameResolver theResolver;
UtilityApp theApp(theNetwork, theClock, theConnections, theShell, theSystem, theResolver);

int Run(UtilityApp& app, HINSTANCE instance) {
  win32::Win32AppPlatform platform(instance);
  return app.Run(platform);
}

// `--version`: the name and version on standard output when the program was
// started with one (redirected, or from a Unix shell under Wine); in a
// message box when started from Explorer or a console, which a Windows
// program has no output to.
int ShowVersion() {
  static const char text[] = "tessavue " TESSAVUE_VERSION "\n";
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD written = 0;
  if (out == nullptr || out == INVALID_HANDLE_VALUE ||
      !WriteFile(out, text, sizeof text - 1, &written, nullptr)) {
    MessageBoxA(nullptr, text, "Quillon Tessavue", MB_OK | MB_ICONINFORMATION);
  }
  return 0;
}

#ifdef TESSAVUE_DEMO
int RunDemo(HINSTANCE instance) {
  DemoWorld world;
  RecordingShell shell;
  win32::Win32SystemInfo system;
  Win32Clock realTime;
  world.PlayInRealTime(realTime);
  UtilityApp app(world.network, world.clock, world.connections, shell, system, world.resolver);
  return Run(app, instance);
}
#endif

// `--help`, or an argument the program does not know: the usage in a message
// box (exit code 2 for the unknown argument).
int ShowUsage(const win32::ExeArguments& arguments) {
  std::string text;
  if (arguments.command == win32::ExeCommand::Unknown)
    text = "Unknown argument: " + arguments.unknown + "\n\n";
  text += win32::ExeUsage();
  const bool unknown = arguments.command == win32::ExeCommand::Unknown;
  MessageBoxA(nullptr, text.c_str(), "Quillon Tessavue",
              MB_OK | (unknown ? MB_ICONEXCLAMATION : MB_ICONINFORMATION));
  return unknown ? 2 : 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // The C runtime has split the command line into words, quotes and all.
  const win32::ExeArguments arguments = win32::ParseExeArguments(__argc, __argv);
  switch (arguments.command) {
    case win32::ExeCommand::Version: return ShowVersion();
    case win32::ExeCommand::Help:
    case win32::ExeCommand::Unknown: return ShowUsage(arguments);
#ifdef TESSAVUE_DEMO
    case win32::ExeCommand::Demo: return RunDemo(instance);
#else
    case win32::ExeCommand::Demo: return ShowUsage({win32::ExeCommand::Unknown, "--demo"});
#endif
    case win32::ExeCommand::Window: break;
  }
  // The addresses searched at are the user's, kept in the registry; the
  // demo's last for its run.
  RegistryTargetStore remembered;
  theApp.RememberTargetsIn(remembered);
  return Run(theApp, instance);
}
