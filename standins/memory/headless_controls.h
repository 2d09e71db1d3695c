// Controls and a dialog host without a window system. They behave like the
// Windows common controls the window logic was shaped after (sorted combo,
// first visible row of a list view, blank fields of an IP address control), so
// the logic can run for the tests and for a scripted demonstration.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "controls.h"
#include "network.h"

namespace tessavue {

class HeadlessButton : public Button {
 public:
  void Enable(bool enabled) override { enabled_ = enabled; }
  bool IsEnabled() const override { return enabled_; }

 private:
  bool enabled_ = true;
};

struct ListColumn {
  std::string heading;
  int widthPixels = 0;
};

class HeadlessListView : public ListView {
 public:
  // How many rows fit in the view; scrolling keeps the first visible row so
  // that the last page is full, as a report view does.
  explicit HeadlessListView(int visibleRows = 4) : visibleRows_(visibleRows) {}

  void Enable(bool enabled) override { enabled_ = enabled; }
  bool IsEnabled() const override { return enabled_; }
  void SetFullRowSelect() override { fullRowSelect_ = true; }
  int InsertColumn(int index, const std::string& heading, int widthPixels) override;
  int InsertItem(int row, const std::string& text) override;
  bool SetItemText(int row, int column, const std::string& text) override;
  std::string GetItemText(int row, int column) const override;
  void DeleteAllItems() override;
  int GetItemCount() const override { return static_cast<int>(rows_.size()); }
  int GetTopIndex() const override { return top_; }
  unsigned GetItemState(int row, unsigned mask) const override;
  void SetFocus() override { ++focusCount_; }
  void Redraw() override { ++redrawCount_; }
  void SetRedraw(bool on) override {
    if (on && !redrawOn_) ++redrawCount_;
    redrawOn_ = on;
  }
  bool redrawOn() const { return redrawOn_; }

  // What a user does: click a row (single selection; a click below the last
  // row clears the selection) and scroll.
  void ClickRow(int row);
  void ClearSelection();
  // Scrolls so that `row` is the first visible row, as far as the rows allow.
  void ScrollTo(int row);
  // What a user does with the keyboard, as a single-selection report view
  // answers it: the selection moves (and the view scrolls to keep it in
  // sight), and onSelectionChange runs when it moved. With no row selected,
  // every key but End selects the first row.
  enum class Key { Up, Down, Home, End, PageUp, PageDown };
  void PressKey(Key key);
  // Type-ahead: the next row after the selected one (wrapping round) whose
  // name column begins with `prefix`, ignoring case.
  void TypeAhead(const std::string& prefix);
  // Called at every InsertItem and SetItemText, before the change: a test
  // makes the list slow to take rows (a visible list under Wine).
  std::function<void()> onEdit;
  // Called when the keyboard changed the selected row (not on a click, as
  // the list's owner hears of a click by its click notification).
  std::function<void()> onSelectionChange;
  // The selected row, wherever it is; -1 when none.
  int SelectedRow() const;

  bool fullRowSelect() const { return fullRowSelect_; }
  const std::vector<ListColumn>& columns() const { return columns_; }
  int focusCount() const { return focusCount_; }
  int redrawCount() const { return redrawCount_; }
  // Column `column` of every row, in row order.
  std::vector<std::string> ColumnTexts(int column) const;

 private:
  struct Row {
    std::vector<std::string> cells;
    bool selected = false;
  };
  void ClampTop();
  void SelectByKeyboard(int row);

  int visibleRows_;
  bool enabled_ = true;
  bool fullRowSelect_ = false;
  std::vector<ListColumn> columns_;
  std::vector<Row> rows_;
  int top_ = 0;
  int focusCount_ = 0;
  int redrawCount_ = 0;
  bool redrawOn_ = true;
};

class HeadlessComboBox : public ComboBox {
 public:
  explicit HeadlessComboBox(bool sorted = true) : sorted_(sorted) {}

  void Enable(bool enabled) override { enabled_ = enabled; }
  bool IsEnabled() const override { return enabled_; }
  void ResetContent() override;
  // Sorted: placed after every item that compares lower or equal, ignoring
  // case; unsorted: appended.
  int AddString(const std::string& text) override;
  int GetCount() const override { return static_cast<int>(items_.size()); }
  int GetCurSel() const override { return current_; }
  // An index outside the items clears the selection (CB_SETCURSEL).
  void SetCurSel(int index) override;
  std::string GetLBText(int index) const override;

  // What a user does: pick the item with exactly this text. false when none.
  bool SelectText(const std::string& text);
  const std::vector<std::string>& items() const { return items_; }
  // The selected item's text; empty when none.
  std::string CurrentText() const;
  int resetCount() const { return resetCount_; }

 private:
  bool sorted_;
  bool enabled_ = true;
  std::vector<std::string> items_;
  int current_ = -1;
  int resetCount_ = 0;
};

class HeadlessIpAddressControl : public IpAddressControl {
 public:
  void Enable(bool enabled) override { enabled_ = enabled; }
  bool IsEnabled() const override { return enabled_; }
  bool IsBlank() const override;
  int GetAddress(std::uint8_t fields[4]) const override;
  void SetAddress(const std::uint8_t fields[4]) override;
  void ClearAddress() override;

  // What a user does: type a field (0 to 255) or empty it.
  void TypeField(int index, std::uint8_t value);
  void ClearField(int index);
  // Types "a.b.c.d" into the four fields; false (nothing changed) when the
  // text is not a dotted address.
  bool TypeText(const std::string& dotted);
  // "a.b.c.d" with an empty place for a blank field ("192..0.1"); "" when
  // all are blank.
  std::string Text() const;

 private:
  bool enabled_ = true;
  std::array<std::optional<std::uint8_t>, 4> fields_{};
};

class HeadlessEdit : public EditControl {
 public:
  void Enable(bool enabled) override { enabled_ = enabled; }
  bool IsEnabled() const override { return enabled_; }
  // As WM_SETTEXT: not bound by the typing limit.
  void SetText(const std::string& text) override { text_ = text; }
  std::string GetText() const override { return text_; }
  void SetLimitText(int characters) override { limit_ = characters; }

  // What a user does: replace the text by typing; the typing limit holds, and
  // a disabled edit takes nothing. false when the edit is disabled.
  bool Type(const std::string& text);
  int limit() const { return limit_; }

 private:
  bool enabled_ = true;
  std::string text_;
  int limit_ = 0;  // 0: the system's default, no practical limit
};

class HeadlessCheckBox : public CheckBox {
 public:
  void Enable(bool enabled) override { enabled_ = enabled; }
  bool IsEnabled() const override { return enabled_; }
  void SetCheck(bool checked) override { checked_ = checked; }
  bool GetCheck() const override { return checked_; }
  void Show(bool shown) override { shown_ = shown; }
  bool IsShown() const override { return shown_; }
  // What a user does: a click ticks or unticks a box that is there to click.
  void Click() {
    if (shown_ && enabled_) checked_ = !checked_;
  }

 private:
  bool enabled_ = true;
  bool checked_ = false;
  bool shown_ = true;
};

struct RecordedMessage {
  std::string text;
  std::string caption;
  MessageIcon icon;
  friend bool operator==(const RecordedMessage&, const RecordedMessage&) = default;
};

// How the user answers one run of the "Login" dialog.
struct LoginAnswer {
  // Typed into the user-name edit, when that edit can be typed in.
  std::optional<std::string> userName;
  std::string password;
  bool ok = true;
  // "Remember password" ticked, when the box is shown.
  bool remember = false;
};

// One press of a button in the "Search at address" dialog: the fields as
// the user leaves them ("a.b.c.d", "" for all blank, or fields left blank as
// in "10..0.5"), then OK, or Cancel.
struct AddressAnswer {
  // "a.b.c.d", or "a.b.c.d/nn" with the prefix field filled.
  std::string typed;
  bool ok = true;
};

// What the "Login" dialog showed when it opened.
struct LoginRun {
  std::string userNameShown;
  bool userNameEnabled = true;
  std::string passwordShown;
  int userNameLimit = 0;
  int passwordLimit = 0;
  bool rememberShown = false;
  bool rememberTicked = false;  // as the dialog opened
  int endCode = 0;
};

// The window's timers on a virtual clock (which must be set before a timer
// starts). A timer fires only when the loop turns: inside Pass, as the
// user's pauses between keys, and at every keep-alive of a wait, as a
// window's loop runs its timers there.
class VirtualTimers : public TimeService {
 public:
  void StartTimer(int timerId, int milliseconds, bool repeating, TimerHandler& handler) override;
  void StopTimer(int timerId) override;

  // One turn of the loop: every timer due now fires once, in the order of
  // their times.
  void FireDue();
  // `micros` of the clock's time go by; each timer fires at its time, and
  // its handler's own waits count towards the time passed.
  void Pass(std::int64_t micros);
  bool Running(int timerId) const;
  // How often the timer was started, and how often it fired.
  int starts(int timerId) const;
  int fires(int timerId) const;

  Clock* clock = nullptr;

 private:
  struct Timer {
    int id = 0;
    std::int64_t due = 0;
    std::int64_t periodMicros = 0;
    bool repeating = false;
    TimerHandler* handler = nullptr;
    int starts = 0;
    int fires = 0;
    bool running = false;
  };
  Timer& Find(int timerId);
  const Timer* Get(int timerId) const;
  // The running timer due first at or before `until`; nullptr when none.
  Timer* NextDue(std::int64_t until);
  void Fire(Timer& timer);

  std::vector<Timer> timers_;
};

// A wait hook that counts what the waits ask of the window. `onKeepAlive`
// plays what happens while the window handles its messages during a wait,
// after the timers due then have fired.
class RecordingWaitHook : public WaitHook {
 public:
  void WaitBegins() override;
  void KeepAlive() override;
  void WaitEnds() override;

  // Between the outermost WaitBegins and its WaitEnds: wait cursor shown,
  // user input refused.
  bool busy() const { return depth > 0; }

  std::function<void()> onKeepAlive;
  // The loop's timers, run at every keep-alive; nullptr: none.
  VirtualTimers* timers = nullptr;
  int depth = 0;
  int begins = 0;
  int ends = 0;
  int keepAlives = 0;
  // KeepAlive calls outside any WaitBegins/WaitEnds pair.
  int keepAlivesWhileIdle = 0;
  // WaitEnds without its WaitBegins.
  int unmatchedEnds = 0;
};

// A dialog host that records what the logic shows and answers the "Login"
// dialog from a script. A login run without a scripted answer is cancelled.
class ScriptedDialogHost : public DialogHost {
 public:
  void MessageBox(const std::string& text, const std::string& caption, MessageIcon icon) override;
  int RunLoginDialog(LoginDialogLogic& dialog) override;
  void RunAboutDialog() override { ++aboutRuns; }
  bool AddSystemMenuAbout(const std::string& text) override;
  bool AddSystemMenuEntry(const std::string& text, unsigned commandId) override;
  // Plays the scripted answers in turn until one closes the dialog; with
  // none left, Cancel.
  int RunSearchAtAddressDialog(AddressPrompts& dialog) override;
  void DestroyWindow() override { ++destroyCount; }

  void ScriptLogin(LoginAnswer answer) { loginScript.push_back(std::move(answer)); }

  ScriptedDialogHost() { waits.timers = &timers; }
  ScriptedDialogHost(const ScriptedDialogHost&) = delete;
  ScriptedDialogHost& operator=(const ScriptedDialogHost&) = delete;

  TimeService& Time() override { return timers; }
  bool SelectionKeyHeld() const override { return selectionKeyHeld; }
  // `micros` of the clock's time go by (VirtualTimers::Pass).
  void Pass(std::int64_t micros) { timers.Pass(micros); }

  // The timers run on this clock; set it before the window starts one.
  VirtualTimers timers;
  bool selectionKeyHeld = false;

  std::deque<LoginAnswer> loginScript;
  WaitHook& Waits() override { return waits; }

  std::vector<RecordedMessage> messages;
  // Messages and login runs shown while the wait state was on.
  int modalsWhileBusy = 0;
  RecordingWaitHook waits;
  std::vector<LoginRun> loginRuns;
  int aboutRuns = 0;
  bool hasSystemMenu = true;
  std::vector<std::string> systemMenuEntries;
  std::vector<unsigned> systemMenuCommands;
  std::deque<AddressAnswer> addressScript;
  // Runs of the "Search at address" dialog, and its end code each time.
  std::vector<int> addressRuns;
  int destroyCount = 0;
};

}  // namespace tessavue
