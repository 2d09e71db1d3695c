// The program's start and one typical use from end to end: the application
// object starts the transport and runs the main window, in which a user
// searches, picks a device, maps a share, moves the device to a new address
// and leaves.
#include "utility_app.h"

#include <gtest/gtest.h>

#include <functional>

#include "demo_devices.h"
#include "memory_segment.h"
#include "headless_controls.h"
#include "memory_connections.h"
#include "memory_resolver.h"
#include "memory_network.h"
#include "memory_system.h"
#include "virtual_clock.h"

namespace tessavue {
namespace {

// The main window over headless controls, as a front end builds it.
struct HeadlessWindow {
  explicit HeadlessWindow(UtilityApp& app, ScriptedDialogHost& host)
      : dialog(app.protocol, app.drives, app.services(), host,
               MainDialogControls{configurationButton, disconnectButton, connectButton, dhcpCombo,
                                  driveCombo, shareList, deviceList, refreshButton, ipAddress,
                                  netmaskAddress, gatewayAddress}) {}
  HeadlessButton configurationButton, disconnectButton, connectButton, refreshButton;
  HeadlessComboBox dhcpCombo, driveCombo;
  HeadlessListView shareList, deviceList;
  HeadlessIpAddressControl ipAddress, netmaskAddress, gatewayAddress;
  MainDialog dialog;
};

// Records the start steps, then runs the window with a scripted user.
class ScriptedPlatform : public AppPlatform {
 public:
  explicit ScriptedPlatform(ScriptedDialogHost& host) : host_(host) {}
  void RegisterControlClasses() override { steps.push_back("controls"); }
  void SetDialogColors(unsigned background, unsigned text) override {
    steps.push_back("colors");
    this->background = background;
    this->text = text;
  }
  void RunMainDialog(UtilityApp& app) override {
    steps.push_back(app.protocol.TransportStarted() ? "dialog (transport up)" : "dialog");
    HeadlessWindow window(app, host_);
    window.dialog.OnInitDialog();
    window.dialog.OnWindowShown();
    rowsAtStart = window.deviceList.GetItemCount();
    if (user) user(window);
    // The window goes: "Exit", then its destruction.
    window.dialog.OnExit();
    window.dialog.OnDestroy();
  }

  std::vector<std::string> steps;
  unsigned background = 0, text = 0;
  int rowsAtStart = -1;  // the device list once the window is up
  std::function<void(HeadlessWindow&)> user;

 private:
  ScriptedDialogHost& host_;
};

class UtilityAppTest : public ::testing::Test {
 protected:
  UtilityAppTest() {
    for (const DeviceSettings& d : DemoDevices(Ipv4Address{{192, 168, 0, 100}})) {
      segment.AddDevice(d);
    }
  }

  VirtualClock clock;
  MemoryNetwork network{clock};
  SimulatedSegment segment{network};
  MemoryConnections connections;
  MemorySystem system;
  RecordingShell shell;
  MemoryNameResolver resolver;
  ScriptedDialogHost host;
  UtilityApp app{network, clock, connections, shell, system, resolver};
  ScriptedPlatform platform{host};
};

// The start's order, the window finding the devices when it opens, and the
// transport shut down once the window has gone.
TEST_F(UtilityAppTest, StartsInOrderAndShutsTheTransportDownAfterTheWindow) {
  EXPECT_EQ(app.Run(platform), 0);
  EXPECT_EQ(platform.steps,
            (std::vector<std::string>{"controls", "colors", "dialog (transport up)"}));
  EXPECT_EQ(platform.rowsAtStart, 3);
  EXPECT_FALSE(app.protocol.TransportStarted());
  EXPECT_EQ(platform.background, 0x00936200u);
  EXPECT_EQ(platform.text, 0x00FFFFFFu);
  EXPECT_FALSE(network.IsOpen());
  EXPECT_EQ(network.cleanups(), 1);
}

TEST_F(UtilityAppTest, NoSocketLayerEndsWithExitCodeOne) {
  network.SetStartupFails(true);
  EXPECT_EQ(app.Run(platform), 1);
  // No window, and nothing sent.
  EXPECT_EQ(platform.steps, std::vector<std::string>{"controls"});
  EXPECT_EQ(platform.rowsAtStart, -1);
  EXPECT_TRUE(network.sent().empty());
  EXPECT_FALSE(network.IsOpen());
}

TEST_F(UtilityAppTest, TypicalUseFromEndToEnd) {
  connections.AddShare("Tessavue-Office", "public");
  resolver.names = {"Tessavue-Office"};
  platform.user = [&](HeadlessWindow& w) {
    MainDialog& d = w.dialog;
    // 1. The first search ran at start; the user searches again.
    ASSERT_EQ(w.deviceList.GetItemCount(), 3);
    d.OnRefresh();
    ASSERT_EQ(w.deviceList.GetItemCount(), 3);

    // 2. The office device: its settings and shares.
    w.deviceList.ClickRow(0);
    d.OnDeviceListClick();
    EXPECT_EQ(w.ipAddress.Text(), "192.168.0.20");
    ASSERT_EQ(w.shareList.GetItemCount(), 3);
    EXPECT_EQ(w.shareList.GetItemText(0, 0), "public");

    // 3. Its "public" share on the preselected first free letter.
    w.shareList.ClickRow(0);
    ASSERT_EQ(w.driveCombo.CurrentText(), "D:");
    d.OnConnect();
    EXPECT_EQ(host.messages.back().text, "Mount Disk OK!");
    EXPECT_EQ(w.shareList.GetItemText(0, 1), "D:");
    EXPECT_EQ(w.driveCombo.GetLBText(0), "D: \\\\Tessavue-Office\\public");
    d.RescanDrives();  // the message box closing repaints the window
    EXPECT_EQ(w.shareList.GetItemText(0, 1), "D:");

    // The web page of the device.
    d.OnConfiguration();
    EXPECT_EQ(shell.openedUrls, std::vector<std::string>{"http://192.168.0.20"});

    // 4. A fixed address for it.
    w.ipAddress.TypeText("192.168.0.21");
    d.OnApply();
    EXPECT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(w.deviceList.GetItemText(0, 1), "192.168.0.21");
    EXPECT_EQ(segment.device(0).settings().ip, (Ipv4Address{{192, 168, 0, 21}}));

    // The device is found under its new address and still shows its share.
    w.deviceList.ClickRow(0);
    d.OnDeviceListClick();
    EXPECT_EQ(w.ipAddress.Text(), "192.168.0.21");
    EXPECT_EQ(w.shareList.GetItemText(0, 1), "D:");

    // And the share is unmapped again.
    w.shareList.ClickRow(0);
    d.OnDisconnect();
    EXPECT_EQ(host.messages.back().text, "Umount Disk OK!");
    EXPECT_EQ(w.shareList.GetItemText(0, 1), "");
  };
  std::int64_t start = clock.NowMicros();
  EXPECT_EQ(app.Run(platform), 0);
  EXPECT_FALSE(connections.Connection('D').has_value());
  // Three searches, three share queries, a login and a change: seconds of
  // virtual time, none of them real.
  EXPECT_GT(clock.NowMicros() - start, 3'000'000);
}

}  // namespace
}  // namespace tessavue
