// tessavue.exe's main window for a test: the real dialog from template 102,
// created modeless over the demo devices on the in-memory network and drive
// letters held in memory, with raw reads of its controls that do not go
// through the program's control wrappers. Message boxes are recorded by the
// host instead of shown.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

#include "demo_devices.h"
#include "memory_connections.h"
#include "memory_network.h"
#include "memory_resolver.h"
#include "memory_segment.h"
#include "memory_system.h"
#include "virtual_clock.h"
#include "win32_dialogs.h"

namespace tessavue::win32 {

inline const Ipv4Address kWorkstation{{192, 168, 0, 100}};
// The program's colours: white on blue.
constexpr COLORREF kBlue = RGB(0, 98, 147);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// Handles whatever is queued (paints included), a bounded number of times.
inline void Pump() {
  MSG message;
  for (int i = 0; i < 1000 && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE); ++i) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

inline std::string Text(HWND window) {
  char buffer[256] = {};
  GetWindowTextA(window, buffer, sizeof buffer);
  return buffer;
}

// "a.b.c.d", or "blank" when all four fields are.
inline std::string Dotted(HWND ipControl) {
  if (SendMessageA(ipControl, IPM_ISBLANK, 0, 0)) return "blank";
  DWORD address = 0;
  SendMessageA(ipControl, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
  return std::to_string(FIRST_IPADDRESS(address)) + "." +
         std::to_string(SECOND_IPADDRESS(address)) + "." +
         std::to_string(THIRD_IPADDRESS(address)) + "." + std::to_string(FOURTH_IPADDRESS(address));
}

class Win32WindowFixture : public ::testing::Test {
 protected:
  // The transport started over the demo devices; the window is made by Open.
  void SetUp() override {
    InitCommonControlClasses();
    network.SetLocalAddress(kWorkstation);
    for (DeviceSettings& device : DemoDevices(kWorkstation)) segment.AddDevice(device);
    look.SetColors(kBlue, kWhite);
    ASSERT_TRUE(protocol.InitTransport());
  }

  void TearDown() override {
    window.reset();
    Pump();
  }

  void Open(HostOptions options = {}) {
    options.recordMessageBoxes = true;
    window = std::make_unique<MainWindow>(GetModuleHandleA(nullptr), protocol, drives,
                                          SystemServices{connections, shell, system, resolver}, look,
                                          std::move(options));
    dialog = window->CreateModeless();
    ASSERT_NE(dialog, nullptr);
    Pump();
  }

  HWND Item(int id) const { return GetDlgItem(dialog, id); }

  VirtualClock clock;
  MemoryNetwork network{clock};
  SimulatedSegment segment{network};
  MemoryConnections connections;
  MemorySystem system;
  MemoryNameResolver resolver = [] {
    MemoryNameResolver r;
    r.names = {"Tessavue-Office", "Tessavue-Media"};
    return r;
  }();
  RecordingShell shell;
  DeviceProtocol protocol{network, clock};
  DriveMap drives{connections};
  DialogLook look;
  std::unique_ptr<MainWindow> window;
  HWND dialog = nullptr;
};

}  // namespace tessavue::win32
