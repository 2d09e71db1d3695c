// The "Server" group: the device list with its search and rows, the row the
// user chooses (clicked, or reached with the keyboard and settled) and the
// device the window shows for it, the addresses searched beyond the
// segment, and "Configuration" (the device's web page).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "controls.h"
#include "handler_state.h"
#include "protocol.h"
#include "system.h"
#include "window_targets.h"

namespace tessavue {

// The first selected row of `list` at or after `startRow` and at or after the
// list's first visible row (rows above it are not looked at); -1 when none.
// Every handler finds a list's selected row this way.
int FindSelectedRow(const ListView& list, int startRow = 0);

// The device the window shows: its row's texts as the row showed them.
struct ShownDevice {
  int row = -1;
  std::string name;
  std::string ip;
  std::string netmask;
  std::string gateway;
  // The share and web commands work for it: it is on the subnet of the
  // workstation's interface it was heard on, or was found through a search
  // target.
  bool reachable = false;
};

// What the rest of the window hears from the device list.
class DeviceListEvents {
 public:
  virtual ~DeviceListEvents() = default;
  // The rows went for a search: no device is shown any more.
  virtual void DevicesCleared() = 0;
  // `device` is shown now, with its record when the last search found one at
  // its address.
  virtual void DeviceShown(const ShownDevice& device, const DeviceRecord* record) = 0;
};

struct DeviceListControls {
  ListView& deviceList;
  Button& refreshButton;
  Button& configurationButton;
};

class DeviceListSection {
 public:
  // `timers` handles the section's timers (the window routes them back to
  // OnSelectionSettled and ShowJoinedRows).
  DeviceListSection(DeviceProtocol& protocol, DialogHost& host, HandlerState& state,
                    TimerHandler& timers, Shell& shell, TargetStore* targetStore,
                    DeviceListControls controls, DeviceListEvents& events);
  ~DeviceListSection();
  DeviceListSection(const DeviceListSection&) = delete;
  DeviceListSection& operator=(const DeviceListSection&) = delete;

  void InitColumns();
  // The refresh: rows and the shown device gone, a search, one row per
  // device, each as its device answers.
  void Refresh();
  bool FirstSearchDone() const { return firstSearchDone_; }

  // A click in the list: its row is shown now; beside the rows, none is.
  void OnClick();
  // The keyboard moved the selection: shown once it has settled.
  void OnSelectionChange();
  void OnSelectionSettled();
  // Every handler starts here: a row the keyboard chose that has not
  // settled yet is shown first, as its click would show it, so that the
  // handler acts on the device the list highlights with that device's
  // fields and shares. true when the device shown changed.
  bool SettleSelection();

  // "Configuration": the shown device's web page.
  void OpenWebPage();
  // "Search at address..." and "Forget searched addresses", each followed
  // by a refresh.
  void SearchAtAddress();
  void ForgetTargets();
  // After a change of address of the shown device, which was at `from`:
  // its search target follows it, then the list is searched anew.
  void DeviceMoved(bool viaTarget, const std::string& from);

  // During a search: rows for the devices that answered meanwhile.
  void ShowJoinedRows();

  bool deviceSelected() const { return deviceSelected_; }
  const ShownDevice& shown() const { return shown_; }
  // The device shown, while its list has a row selected from its first
  // visible row on (rows above it are not looked at); nullptr otherwise.
  const ShownDevice* InView() const;

 private:
  class DeviceRows;
  void RunSearch();
  // The steps of a click on device row `row`: its settings shown, its
  // shares asked for and listed.
  void ShowDevice(int row);
  bool Reachable(const std::string& ip, const std::string& netmask) const;
  void ShowDeviceRow(int row, const DeviceRecord& device);

  DeviceProtocol& protocol_;
  DialogHost& host_;
  HandlerState& state_;
  TimerHandler& timers_;
  Shell& shell_;
  DeviceListControls c_;
  DeviceListEvents& events_;
  WindowTargets targets_;
  DeviceRows* rows_ = nullptr;
  bool firstSearchDone_ = false;
  // Set by a click in the list (or a settled keyboard choice), cleared by
  // every refresh and by a click beside the rows.
  bool deviceSelected_ = false;
  ShownDevice shown_;
  // The keyboard moved the selection and it has not settled yet.
  bool selectionPending_ = false;
};

// The timers of the window.
enum WindowTimer : int {
  // The device list's selection has stayed put long enough to be shown.
  kSelectionSettleTimer = 1,
  // During a search: the devices that answered since the last turn of the
  // window's loop get their rows.
  kDeviceRowsTimer = 2,
};

// How long the device list's selection must stay put after a change by the
// keyboard before the row is shown: longer than the gap between two repeats
// of a held key, short enough that a single key press feels immediate.
constexpr int kSelectionSettleMillis = 250;

}  // namespace tessavue
