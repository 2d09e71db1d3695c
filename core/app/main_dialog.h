// The main window: its three groups (the device list, the address settings,
// the drive letters) and the host's messages routed to them, over the
// control interfaces of controls.h.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "address_section.h"
#include "controls.h"
#include "device_list_section.h"
#include "drive_section.h"
#include "drive_table.h"
#include "handler_state.h"
#include "login_dialog.h"
#include "name_resolver.h"
#include "protocol.h"
#include "remembered_targets.h"
#include "system.h"

namespace tessavue {

// Control identifiers of the main dialog (template 102).
enum MainDialogId : int {
  kMainDialogTemplate = 102,
  kAboutDialogTemplate = 100,
  kIdDeviceList = 1000,
  kIdShareList = 1001,
  kIdRefresh = 1002,
  kIdConnect = 1003,
  kIdDisconnect = 1004,
  kIdIpAddress = 1006,
  kIdApply = 1007,
  kIdConfiguration = 1008,
  kIdExit = 1009,
  kIdNetmask = 1010,
  kIdGateway = 1011,
  kIdDriveCombo = 1013,
  kIdDhcpCombo = 1015,
  kIdAbout = 1021,
  kIdsAboutMenu = 101,
  kIdmAboutBox = 0x0010,
  kIdrMainIcon = 128,
};

// Colours of every dialog of the program, as 0x00BBGGRR.
constexpr unsigned kDialogBackground = 0x00936200;  // RGB(0, 98, 147)
constexpr unsigned kDialogText = 0x00FFFFFF;

// The controls a front end creates for the main dialog.
struct MainDialogControls {
  Button& configurationButton;       // 1008
  Button& disconnectButton;          // 1004
  Button& connectButton;             // 1003
  ComboBox& dhcpCombo;               // 1015
  ComboBox& driveCombo;              // 1013
  ListView& shareList;               // 1001
  ListView& deviceList;              // 1000
  Button& refreshButton;             // 1002
  IpAddressControl& ipAddress;       // 1006
  IpAddressControl& netmaskAddress;  // 1010
  IpAddressControl& gatewayAddress;  // 1011
};

// The system services the handlers use.
struct SystemServices {
  NetworkConnections& connections;
  Shell& shell;
  SystemInfo& system;
  NameResolver& resolver;
  // Where the addresses searched at are remembered between runs; nullptr:
  // they last for the run.
  TargetStore* targetStore = nullptr;
};

// The entry below "Search at address..." in the system menu, and its text.
constexpr unsigned kIdmForgetTargets = 0x0030;
constexpr const char* kForgetTargetsMenuText = "Forget searched addresses";

class MainDialog : public TimerHandler, private DeviceListEvents {
 public:
  // Gives the protocol and the connections the host's wait hook for the
  // dialog's life.
  MainDialog(DeviceProtocol& protocol, DriveLetterTable& drives, SystemServices services,
             DialogHost& host, MainDialogControls controls);
  ~MainDialog() override;
  MainDialog(const MainDialog&) = delete;
  MainDialog& operator=(const MainDialog&) = delete;

  // The host calls these from its messages.
  // The columns, the address-mode choices and the drive list; no search, so
  // that the window can be on screen at once.
  bool OnInitDialog();
  // The window is on screen (shown and painted once): the first search, run
  // as a "Refresh" runs, with its rows coming in as the devices answer. Only
  // the first call searches.
  void OnWindowShown();
  bool FirstSearchDone() const { return devices_.FirstSearchDone(); }
  void OnRefresh();
  void OnDeviceListClick();
  // The device list's selected row changed other than by a mouse click (the
  // keyboard: arrows, Home/End, Page Up/Down, typing a name's first letters).
  // Once the selection has settled, the click's steps run for that row.
  void OnDeviceListSelectionChange();
  // One of the window's timers (WindowTimer) has fired.
  void TimerFired(int timerId) override;
  // The window is painted anew (on Linux: shown, activated or restored): the
  // drive letters, the drive list and the shown device's share letters are
  // read again, so that mappings made outside the program show up.
  void RescanDrives();
  // true when the command (its system bits already masked off) is one of
  // the window menu's own entries; otherwise the host runs its default
  // processing.
  bool OnSysCommand(unsigned commandId);
  void OnAbout();
  // "Search at address...": the address or subnet asked for becomes one of
  // the remembered search targets, and the device list is refreshed.
  void OnSearchAtAddress();
  // "Forget searched addresses": the remembered targets are forgotten, and
  // the device list is refreshed.
  void OnForgetTargets();
  void OnDhcpModeChange();
  void OnExit();
  void OnDestroy();
  void OnApply();
  void OnConfiguration();
  void OnConnect();
  void OnDisconnect();

  // The user asks to end the window (Enter, Escape, the close box, "Exit"):
  // the host ends it only when this says so, never while a handler runs.
  bool MayClose() const { return state_.MayClose(); }

  // A device row has been clicked (or chosen with the keyboard) since the
  // last refresh.
  bool deviceSelected() const { return devices_.deviceSelected(); }
  // The login texts of the run, and whom the "Login" dialog asks for.
  const Login& login() const { return login_; }

 private:
  // DeviceListEvents: the device list tells the other groups.
  void DevicesCleared() override;
  void DeviceShown(const ShownDevice& device, const DeviceRecord* record) override;

  DeviceProtocol& protocol_;
  SystemServices services_;
  DialogHost& host_;
  HandlerState state_;
  Login login_;
  DeviceListSection devices_;
  AddressSection address_;
  DriveSection drives_;
};

}  // namespace tessavue
