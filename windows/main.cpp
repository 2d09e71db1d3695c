// tessavue.exe: the application object is made before WinMain runs; WinMain
// starts it in its fixed order (controls, transport, colours, the main
// dialog's modal run) and ends with its exit code.
//
// `tessavue.exe --demo` plays three simulated devices on an in-memory network
// and drive letters held in memory instead, so every button can be tried
// without hardware.
#include <cstring>
#include <string>

#include "registry_target_store.h"
#include "utility_app.h"
#include "version.h"
#include "win32_app.h"
#include "win32_clock.h"
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
UtilityApp theApp(theNetwork, theClock, theConnections, theShell, theSystem);

int Run(UtilityApp& app, HINSTANCE instance) {
  win32::Win32AppPlatform platform(instance);
  int exitCode = 0;
  app.InitInstance(platform, exitCode);
  return exitCode;
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
  UtilityApp app(world.network, world.clock, world.connections, shell, system);
  return Run(app, instance);
}
#endif

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  if (commandLine && std::strstr(commandLine, "--version")) return ShowVersion();
#ifdef TESSAVUE_DEMO
  if (commandLine && std::strstr(commandLine, "--demo")) return RunDemo(instance);
#else
  (void)commandLine;
#endif
  // The addresses searched at are the user's, kept in the registry; the
  // demo's last for its run.
  RegistryTargetStore remembered;
  theApp.RememberTargetsIn(remembered);
  return Run(theApp, instance);
}
