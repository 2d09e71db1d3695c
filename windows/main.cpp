// tessavue.exe: the application object is made before WinMain runs; WinMain
// starts it in its fixed order (controls, transport, colours, the main
// dialog's modal run) and ends with its exit code.
//
// `tessavue.exe --demo` plays three simulated devices on an in-memory network
// and drive letters held in memory instead, so every button can be tried
// without hardware.
#include <cstring>
#include <string>

#include "utility_app.h"
#include "version.h"
#include "win32_app.h"
#include "win32_clock.h"
#include "win32_system.h"
#include "winsock_network.h"

#ifdef TESSAVUE_DEMO
#include "demo_devices.h"
#include "memory_segment.h"
#include "memory_connections.h"
#include "memory_network.h"
#include "memory_system.h"
#include "virtual_clock.h"
#include "wire.h"
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
  VirtualClock clock;
  MemoryNetwork network(clock);
  const Ipv4Address workstation{{192, 168, 0, 100}};
  network.SetLocalAddress(workstation);
  SimulatedSegment segment(network);
  MemoryConnections connections;
  for (DeviceSettings& device : DemoDevices(workstation)) {
    std::string shares = device.shares;
    for (std::size_t start = 0; start <= shares.size();) {
      std::size_t end = shares.find(':', start);
      if (end == std::string::npos) end = shares.size();
      const bool guarded = device.name == kDemoGuardedDevice;
      if (end > start)
        connections.AddShare(device.name, shares.substr(start, end - start),
                             guarded ? kDemoShareUser : "", guarded ? kDemoSharePassword : "");
      start = end + 1;
    }
    segment.AddDevice(device);
  }
  // One share already mapped outside the program, as on a workstation in use.
  connections.MapOutside('F', "\\\\Tessavue-Office\\public");
  RecordingShell shell;
  win32::Win32SystemInfo system;
  // Waits as long as on a real network; a change is confirmed late.
  Win32Clock realTime;
  network.SetPacing(&realTime);
  network.HoldBack(wire::kSetReply, kDemoConfirmMicros);
  UtilityApp app(network, clock, connections, shell, system);
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
  return Run(theApp, instance);
}
