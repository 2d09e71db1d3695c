// The main window's behaviour: lists, address fields, drive list and every
// command handler, over the control interfaces of controls.h.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "drive_table.h"
#include "name_resolver.h"
#include "controls.h"
#include "system.h"
#include "protocol.h"
#include "remembered_targets.h"

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

// The "DHCP :" drop-down list's two items.
constexpr const char* kDhcpDisabled = "Disabled";
constexpr const char* kDhcpEnabled = "Enabled";

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

class MainDialog {
 public:
  // Gives the protocol and the connections the host's wait hook for the
  // dialog's life.
  MainDialog(DeviceProtocol& protocol, DriveMap& drives, SystemServices services, DialogHost& host,
             MainDialogControls controls);
  ~MainDialog();
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
  bool FirstSearchDone() const { return firstSearchDone_; }
  void OnRefresh();
  void OnDeviceListClick();
  // The device list's selected row changed other than by a mouse click (the
  // keyboard: arrows, Home/End, Page Up/Down, typing a name's first letters).
  // Once the selection has settled, the click's steps run for that row.
  void OnDeviceListSelectionChange();
  // The selection-settled timer has fired.
  void OnSelectionSettled();
  // The share list of the device shown, each share with the letter that
  // maps it (by the device's name or its address).
  void RefreshShareList();
  void OnPaint();
  // true when the command was the About entry; otherwise the host runs its
  // default processing.
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

  // The first selected row at or after `startRow` (and at or after the
  // list's first visible row); -1 when none.
  static int FindSelectedRow(const ListView& list, int startRow);
  // Where the icon goes when the window is minimised: centred in the client
  // area, with the icon's size from the system.
  static void CenteredIconOrigin(int clientWidth, int clientHeight, int iconWidth, int iconHeight,
                                 int& x, int& y);

  // A command handler is running (its waits included). Another one that
  // arrives meanwhile does nothing, and the window refuses to close.
  bool HandlerRunning() const { return handlerRunning_; }

  int deviceSelected = 0;
  int AdminLoginMode = 0;

 private:
  // Marks a handler as running for its life; false when another one already
  // is. A handler that waits also holds the host's wait state (wait cursor,
  // no user input) for its life, lifted while it asks the user something.
  class HandlerScope {
   public:
    HandlerScope(MainDialog& dialog, bool waits);
    ~HandlerScope();
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;
    explicit operator bool() const { return entered_; }

   private:
    MainDialog& dialog_;
    bool entered_;
    bool waits_;
  };

  // The steps of a click on device row `row`: its settings shown, its
  // shares asked for and listed.
  void ShowDevice(int row);
  // Every handler starts here: a row the keyboard chose that has not
  // settled yet is shown first, as its click would show it, so that the
  // handler acts on the device the list highlights with that device's
  // fields and shares. true when the device shown changed.
  bool SettleSelection();
  // The share and web commands only work for a device on the subnet of the
  // workstation's interface it was heard on, or found through a search
  // target; `ip` is the row's address, the address fields show the device.
  bool DeviceReachable(const std::string& ip);

  // Asks for an address, adds it to the targets, refreshes.
  void SearchAtAddress();
  void ForgetTargets();
  // Before every search: the remembered targets read anew (a damaged list
  // said once), with those that could not be stored.
  void UseRememberedTargets();
  // After a change of address of the selected device, which was at `from`
  // and found through a target (`viaTarget`): its remembered entry follows.
  void RememberMove(bool viaTarget, const std::string& from);
  // The refresh: lists and fields emptied, a search, one row per device.
  void Refresh();
  // The common tail of a refresh: a search, then one row per device.
  void RunSearchAndFillDevices();
  // The modal dialogs of a handler, with the wait state lifted while they
  // are up (the user answers them).
  void Report(const std::string& text, const std::string& caption, MessageIcon icon);
  void AskLogin();
  // The administrator login of Apply; false when refused twice.
  bool AdministratorLogin();
  // The two ways of Apply, after the device and the DHCP choice are known.
  void ApplyDhcp();
  void ApplyStaticAddress();
  // Connect's login and connection: on the NT family the "Login" dialog
  // first, elsewhere only after a first failure.
  ConnectionResult ConnectWithLogin(const std::string& localName, const std::string& remoteName,
                                    bool nt4OrEarlier);
  // After a change of drive letters: the table, the drive list and the
  // share list anew.
  void ShowDriveChange();
  // A failure message box: the message, then the reason on a line of its
  // own.
  void ReportFailure(const std::string& text, const char* reason);

  // ---- device rows during a search ----
  // For the life of one search, every device that joins DeviceList gets its
  // row just before the window paints: at once when the list is due for
  // rows, else at the first keep-alive once it is. Rows are due again
  // kKeepAliveMicros after the last ones went in, or twice as long as they
  // and their paint took if that is longer: a list that is slow to take rows
  // and paint them (a visible list under Wine on a busy machine takes
  // milliseconds a row and tens a paint) costs the search no replies. At
  // most kRowsMicrosPerKeepAlive of rows (and at least one) at a time; the
  // rest wait for the next time, or for the search's end.
  class DeviceRows : public DeviceListener, public WaitHook {
   public:
    explicit DeviceRows(MainDialog& dialog);
    ~DeviceRows() override;
    DeviceRows(const DeviceRows&) = delete;
    DeviceRows& operator=(const DeviceRows&) = delete;
    void DeviceJoined(const DeviceRecord& device, int index) override;
    void WaitBegins() override;
    void KeepAlive() override;
    void WaitEnds() override;
    // Before the first request leaves: the window paints what the search
    // cleared, so that the first replies do not wait behind that paint.
    void PaintBeforeSearch();
    // After the search: rows for any record of DeviceList not shown yet, so
    // that the list ends as one row per record, in DeviceList order.
    void ShowRemaining();

   private:
    MainDialog& dialog_;
    DeviceListener* previousListener_;
    WaitHook* previousHook_;
    // The records that joined, in list order; those from shown_ on have no
    // row yet.
    std::vector<const DeviceRecord*> joined_;
    int shown_ = 0;
    // When rows may go in again (the protocol's clock).
    std::int64_t nextRowsAt_ = 0;
    bool RowsDue() const;
    void InsertJoinedRows();
  };
  static constexpr std::int64_t kRowsMicrosPerKeepAlive = 4000;
  // Row `row` of the device list shows `device`'s name, ip, netmask, gateway.
  void ShowDeviceRow(int row, const DeviceRecord& device);

  DeviceProtocol& protocol_;
  DriveMap& drives_;
  SystemServices services_;
  DialogHost& host_;
  MainDialogControls c_;
  bool handlerRunning_ = false;
  bool firstSearchDone_ = false;
  bool waiting_ = false;
  // "Remember password" was ticked in the last "Login" dialog of a Connect.
  bool rememberPassword_ = false;
  // The device row whose settings and shares the window shows, by index and
  // address; meaningful while deviceSelected is 1.
  int shownRow_ = -1;
  std::string shownIp_;
  std::string shownName_;
  // The keyboard moved the selection and it has not settled yet.
  bool selectionPending_ = false;
  // The remembered targets (none without a store), and the targets of this
  // run that the store could not take.
  std::unique_ptr<RememberedTargets> remembered_;
  std::vector<SearchTarget> runOnly_;
};

// How long the device list's selection must stay put after a change by the
// keyboard before the row is shown: longer than the gap between two repeats
// of a held key, short enough that a single key press feels immediate.
constexpr int kSelectionSettleMillis = 250;

}  // namespace tessavue
