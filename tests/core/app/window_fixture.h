// A workstation with the main window on headless controls, the in-memory
// network with simulated devices, and in-memory drive letters and system.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

#include "main_dialog.h"
#include "demo_devices.h"
#include "memory_segment.h"
#include "drive_table.h"
#include "headless_controls.h"
#include "memory_connections.h"
#include "memory_network.h"
#include "memory_resolver.h"
#include "memory_system.h"
#include "memory_target_store.h"
#include "virtual_clock.h"
#include "protocol.h"
#include "wire.h"

namespace tessavue {

inline void PrintTo(const RecordedMessage& m, std::ostream* os) {
  *os << "{\"" << m.text << "\", \"" << m.caption << "\", icon " << static_cast<int>(m.icon) << "}";
}

// Sees every datagram the workstation sends before the devices do.
struct SendHook {
  explicit SendHook(MemoryNetwork& network) {
    network.AddGroupListener([this](const std::uint8_t* data, std::size_t length) {
      if (onSend) onSend(data, length);
    });
  }
  std::function<void(const std::uint8_t*, std::size_t)> onSend;
};

class WindowTest : public ::testing::Test {
 protected:
  // Rows in the order the demo devices answer.
  static constexpr int kOffice = 0;  // 192.168.0.20, static, default password
  static constexpr int kMedia = 1;   // 192.168.0.31, DHCP, password "tessavue"
  static constexpr int kLab = 2;     // 192.168.1.40, another subnet

  WindowTest() {
    for (const DeviceSettings& d : DemoDevices(Ipv4Address{{192, 168, 0, 100}})) {
      segment.AddDevice(d);
    }
    connections.AddShare("Tessavue-Office", "public");
    connections.AddShare("Tessavue-Office", "backup");
    connections.AddShare("192.168.0.20", "public");
    connections.AddShare("Tessavue-Media", "music", "mary", "pw");
    // Name service knows the devices on this workstation's subnet.
    resolver.names = {"Tessavue-Office", "Tessavue-Media"};
    // The front ends' wiring: keyboard changes of the device list go to the
    // window logic; its timers run on the virtual clock.
    host.timers.clock = &clock;
    deviceList.onSelectionChange = [this] { dialog.OnDeviceListSelectionChange(); };
  }

  // The window as the program opens it: initialised, then on screen, which
  // starts the first search.
  void Open() {
    ASSERT_TRUE(protocol.InitTransport());
    ASSERT_TRUE(dialog.OnInitDialog());
    dialog.OnWindowShown();
  }
  void ClickDevice(int row) {
    deviceList.ClickRow(row);
    dialog.OnDeviceListClick();
  }
  const RecordedMessage& LastMessage() {
    static const RecordedMessage none{"<no message>", "", MessageIcon::Stop};
    return host.messages.empty() ? none : host.messages.back();
  }
  SimulatedDevice& Device(int index) { return segment.device(index); }

  VirtualClock clock;
  MemoryNetwork network{clock};
  SendHook hook{network};
  SimulatedSegment segment{network};
  MemoryConnections connections;
  MemorySystem system;
  MemoryNameResolver resolver;
  RecordingShell shell;
  ScriptedDialogHost host;
  MemoryTargetStore remembered;
  DeviceProtocol protocol{network, clock};
  DriveLetterTable drives{connections};

  HeadlessButton configurationButton, disconnectButton, connectButton, refreshButton;
  HeadlessComboBox dhcpCombo, driveCombo;
  HeadlessListView shareList, deviceList;
  HeadlessIpAddressControl ipAddress, netmaskAddress, gatewayAddress;
  MainDialog dialog{protocol, drives,
                    SystemServices{connections, shell, system, resolver, &remembered}, host,
                    MainDialogControls{configurationButton, disconnectButton, connectButton,
                                       dhcpCombo, driveCombo, shareList, deviceList, refreshButton,
                                       ipAddress, netmaskAddress, gatewayAddress}};
};

}  // namespace tessavue
