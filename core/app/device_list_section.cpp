#include "device_list_section.h"

#include <algorithm>

#include "login_dialog.h"
#include "text.h"
#include "search_address_dialog.h"

namespace tessavue {

int FindSelectedRow(const ListView& list, int startRow) {
  int row = startRow > list.GetTopIndex() ? startRow : list.GetTopIndex();
  if (row < 0) row = 0;
  for (; row < list.GetItemCount(); ++row) {
    if (list.GetItemState(row, kListItemSelected) == kListItemSelected) return row;
  }
  return -1;
}

namespace {

// At most this much of one turn of the window's loop goes to new rows (and
// at least one row).
constexpr std::int64_t kRowsMicrosPerTurn = 4000;

}  // namespace

// For the life of one search, every device that joins DeviceList gets its
// row just before the window paints: at once when the list is due for rows,
// else at the first turn of the window's loop (kDeviceRowsTimer, which the
// wait's keep-alive runs) once it is. Rows are due again kKeepAliveMicros
// after the last ones went in, or twice as long as they and their paint took
// if that is longer: a list that is slow to take rows and paint them (a
// visible list under Wine on a busy machine takes milliseconds a row and
// tens a paint) costs the search no replies. The rows go in between
// replies, never in the middle of one; those that do not fit in one go wait
// for the next time, or for the search's end.
//
// For the search's life the rows stand between the protocol and the
// window's wait hook, to learn what the paint after the rows cost.
class DeviceListSection::DeviceRows : public DeviceListener, public WaitHook {
 public:
  explicit DeviceRows(DeviceListSection& section)
      : section_(section),
        previousListener_(section.protocol_.deviceListener()),
        previousHook_(section.protocol_.waitHook()) {
    section_.protocol_.SetDeviceListener(this);
    section_.protocol_.SetWaitHook(this);
    section_.rows_ = this;
    section_.host_.Time().StartTimer(kDeviceRowsTimer, 0, true, section_.timers_);
  }
  ~DeviceRows() override {
    section_.host_.Time().StopTimer(kDeviceRowsTimer);
    section_.rows_ = nullptr;
    section_.protocol_.SetWaitHook(previousHook_);
    section_.protocol_.SetDeviceListener(previousListener_);
  }
  DeviceRows(const DeviceRows&) = delete;
  DeviceRows& operator=(const DeviceRows&) = delete;

  // Before the first request leaves: the window paints what the search
  // cleared, so that the first replies do not wait behind that paint.
  void PaintBeforeSearch() {
    if (previousHook_) previousHook_->KeepAlive();
  }

  void DeviceJoined(const DeviceRecord& device, int index) override {
    // Records arrive in list order; the row's place is the record's.
    if (index != static_cast<int>(joined_.size())) return;
    joined_.push_back(&device);
    // Due rows go in now and are painted: the first reply's row does not
    // wait for the loop's next turn.
    if (!RowsDue()) return;
    InsertJoinedRows();
    KeepAlive();
  }

  // The loop's turn: the rows that joined, when due.
  void ShowJoined() {
    if (RowsDue()) InsertJoinedRows();
  }

  void WaitBegins() override {
    if (previousHook_) previousHook_->WaitBegins();
  }
  void KeepAlive() override {
    if (previousHook_) previousHook_->KeepAlive();
    if (!painting_) return;
    // Rows and their paint take at most half of the wait; the rest is left
    // to reading the replies.
    painting_ = false;
    const std::int64_t cost = section_.protocol_.clock().NowMicros() - insertedAt_;
    nextRowsAt_ = insertedAt_ + std::max(kKeepAliveMicros, 2 * cost);
  }
  void WaitEnds() override {
    if (previousHook_) previousHook_->WaitEnds();
  }

  // After the search: rows for any record of DeviceList not shown yet, so
  // that the list ends as one row per record, in DeviceList order.
  void ShowRemaining() {
    if (shown_ >= static_cast<int>(section_.protocol_.deviceList().size())) return;
    ListView& list = section_.c_.deviceList;
    list.SetRedraw(false);
    int row = 0;
    for (const DeviceRecord& d : section_.protocol_.deviceList()) {
      if (row >= shown_) section_.ShowDeviceRow(row, d);
      ++row;
    }
    shown_ = row;
    list.SetRedraw(true);
  }

 private:
  bool RowsDue() const {
    return !painting_ && shown_ < static_cast<int>(joined_.size()) &&
           section_.protocol_.clock().NowMicros() >= nextRowsAt_;
  }

  // Rows for those that joined, as many as kRowsMicrosPerTurn takes. They
  // go in unseen and are painted together: a list view that keeps its
  // scroll bar and paint up with every row (Wine's) spends tens of
  // milliseconds a row.
  void InsertJoinedRows() {
    ListView& list = section_.c_.deviceList;
    list.SetRedraw(false);
    Clock& clock = section_.protocol_.clock();
    insertedAt_ = clock.NowMicros();
    while (shown_ < static_cast<int>(joined_.size())) {
      section_.ShowDeviceRow(shown_, *joined_[shown_]);
      ++shown_;
      if (clock.NowMicros() - insertedAt_ >= kRowsMicrosPerTurn) break;
    }
    list.SetRedraw(true);
    painting_ = true;
  }

  DeviceListSection& section_;
  DeviceListener* previousListener_;
  WaitHook* previousHook_;
  // The records that joined, in list order; those from shown_ on have no
  // row yet.
  std::vector<const DeviceRecord*> joined_;
  int shown_ = 0;
  // When rows may go in again (the protocol's clock), and when the last
  // ones went in; painting_ until the keep-alive that paints them returns.
  std::int64_t nextRowsAt_ = 0;
  std::int64_t insertedAt_ = 0;
  bool painting_ = false;
};

DeviceListSection::DeviceListSection(DeviceProtocol& protocol, DialogHost& host,
                                     HandlerState& state, TimerHandler& timers, Shell& shell,
                                     TargetStore* targetStore, DeviceListControls controls,
                                     DeviceListEvents& events)
    : protocol_(protocol),
      host_(host),
      state_(state),
      timers_(timers),
      shell_(shell),
      c_(controls),
      events_(events),
      targets_(protocol, targetStore, state) {}

DeviceListSection::~DeviceListSection() { host_.Time().StopTimer(kSelectionSettleTimer); }

void DeviceListSection::InitColumns() {
  c_.deviceList.SetFullRowSelect();
  c_.deviceList.InsertColumn(0, "Name", 94);
  c_.deviceList.InsertColumn(1, "IP", 81);
  c_.deviceList.InsertColumn(2, "Netmask", 81);
  c_.deviceList.InsertColumn(3, "Gateway", 81);
}

void DeviceListSection::Refresh() {
  // The rows go: a row the keyboard chose has nothing left to settle to, and
  // no device is shown any more.
  selectionPending_ = false;
  host_.Time().StopTimer(kSelectionSettleTimer);
  deviceSelected_ = false;
  c_.deviceList.DeleteAllItems();
  events_.DevicesCleared();
  RunSearch();
}

void DeviceListSection::RunSearch() {
  // A search the user started before the window's own first one stands for it.
  firstSearchDone_ = true;
  c_.refreshButton.Enable(false);
  targets_.BeforeSearch();
  {
    DeviceRows rows(*this);
    rows.PaintBeforeSearch();
    protocol_.SearchDevices();
    c_.refreshButton.Enable(true);
    rows.ShowRemaining();
  }
  // The list shows no selection now, so none is kept.
  deviceSelected_ = false;
}

void DeviceListSection::ShowJoinedRows() {
  if (rows_ != nullptr) rows_->ShowJoined();
}

void DeviceListSection::ShowDeviceRow(int row, const DeviceRecord& device) {
  int at = c_.deviceList.InsertItem(row, "");
  if (at < 0) return;
  c_.deviceList.SetItemText(at, 0, device.name);
  c_.deviceList.SetItemText(at, 1, device.ip);
  c_.deviceList.SetItemText(at, 2, device.netmask);
  c_.deviceList.SetItemText(at, 3, device.gateway);
}

void DeviceListSection::OnClick() {
  // The click shows its row now; a change by the keyboard just before it has
  // nothing left to wait for.
  host_.Time().StopTimer(kSelectionSettleTimer);
  selectionPending_ = false;
  c_.deviceList.SetFocus();
  int row = FindSelectedRow(c_.deviceList);
  if (row < 0) {
    // A click beside the rows: no device is selected any more.
    deviceSelected_ = false;
    return;
  }
  ShowDevice(row);
}

void DeviceListSection::OnSelectionChange() {
  // The program's own changes (rows deleted and inserted by a refresh) come
  // while a handler runs; they are no choice of the user's.
  if (state_.Running()) return;
  selectionPending_ = true;
  host_.Time().StartTimer(kSelectionSettleTimer, kSelectionSettleMillis, false, timers_);
}

void DeviceListSection::OnSelectionSettled() {
  // Not now: a handler is busy (its wait lets the timer through), or the key
  // that moves the selection is still held down. Look again later.
  if (state_.Running() || host_.SelectionKeyHeld()) {
    host_.Time().StartTimer(kSelectionSettleTimer, kSelectionSettleMillis, false, timers_);
    return;
  }
  HandlerState::Handler handler(state_, true);
  if (!handler) return;
  selectionPending_ = true;
  SettleSelection();
}

bool DeviceListSection::SettleSelection() {
  if (!selectionPending_) return false;
  selectionPending_ = false;
  host_.Time().StopTimer(kSelectionSettleTimer);
  int row = FindSelectedRow(c_.deviceList);
  // The keyboard always lands on a row; no row means the rows went away.
  if (row < 0) return false;
  // Back where it started (Down, then Up): the window already shows it.
  if (deviceSelected_ && row == shown_.row && c_.deviceList.GetItemText(row, 1) == shown_.ip)
    return false;
  // The device's shares are asked for: a wait, also inside a handler that
  // does not wait itself.
  HandlerState::Wait wait(state_);
  ShowDevice(row);
  return true;
}

void DeviceListSection::ShowDevice(int row) {
  deviceSelected_ = true;
  shown_.row = row;
  shown_.name = c_.deviceList.GetItemText(row, 0);
  shown_.ip = c_.deviceList.GetItemText(row, 1);
  shown_.netmask = c_.deviceList.GetItemText(row, 2);
  shown_.gateway = c_.deviceList.GetItemText(row, 3);
  protocol_.SelectDevice(shown_.ip.c_str());
  shown_.reachable = Reachable(shown_.ip, shown_.netmask);
  c_.configurationButton.Enable(shown_.reachable);
  events_.DeviceShown(shown_, FindByAddress(protocol_.deviceList(), shown_.ip.c_str()));
}

bool DeviceListSection::Reachable(const std::string& ip, const std::string& netmask) const {
  // Text that is no address counts as 0.0.0.0, as a blank field reads.
  std::uint8_t device[4] = {}, mask[4] = {};
  if (!ParseDotted(ip.c_str(), device)) std::fill(device, device + 4, 0);
  if (!ParseDotted(netmask.c_str(), mask)) std::fill(mask, mask + 4, 0);
  // The workstation's side is the interface the device was heard on; the
  // first interface's when no record holds the row's address.
  const Ipv4Address first = protocol_.FirstInterfaceAddress();
  const std::uint8_t* workstation = first.octet;
  const DeviceRecord* heard = FindByAddress(protocol_.deviceList(), ip.c_str());
  if (heard != nullptr) workstation = protocol_.InterfaceOf(*heard).address.octet;
  // A device found through a search target is beyond the segment by
  // design: it counts as reachable.
  if (heard != nullptr && protocol_.TargetRouteOf(*heard) != nullptr) return true;
  return SameSubnet(workstation, device, mask);
}

const ShownDevice* DeviceListSection::InView() const {
  return deviceSelected_ && FindSelectedRow(c_.deviceList) >= 0 ? &shown_ : nullptr;
}

void DeviceListSection::OpenWebPage() {
  // A device shown now whose page cannot be reached has its button off.
  if (SettleSelection() && !shown_.reachable) return;
  int row = FindSelectedRow(c_.deviceList);
  if (row < 0) {
    state_.Report("You should select a sever to connect.", kCaptionWarning,
                  MessageIcon::Exclamation);
    return;
  }
  std::string ip = c_.deviceList.GetItemText(row, 1);
  // The row shows a dotted address made by the search; nothing else is
  // handed to the shell.
  std::uint8_t octets[4];
  if (!ParseDotted(ip.c_str(), octets)) return;
  shell_.OpenWebPage("http://" + ip);
}

void DeviceListSection::SearchAtAddress() {
  SearchAddressDialog dialog(host_);
  if (state_.RunSearchAtAddressDialog(dialog) != kIdOk) return;
  targets_.Add(dialog.target);
  // The refresh runs also for an address given twice.
  HandlerState::Wait wait(state_);
  Refresh();
}

void DeviceListSection::ForgetTargets() {
  targets_.ForgetAll();
  HandlerState::Wait wait(state_);
  Refresh();
}

void DeviceListSection::DeviceMoved(bool viaTarget, const std::string& from) {
  targets_.FollowMove(viaTarget, from);
  Refresh();
}

}  // namespace tessavue
