#include "headless_controls.h"

#include <algorithm>
#include <cctype>

#include "protocol.h"

namespace tessavue {

// ---- list view ----

int HeadlessListView::InsertColumn(int index, const std::string& heading, int widthPixels) {
  index = std::clamp(index, 0, static_cast<int>(columns_.size()));
  columns_.insert(columns_.begin() + index, ListColumn{heading, widthPixels});
  return index;
}

int HeadlessListView::InsertItem(int row, const std::string& text) {
  if (onEdit) onEdit();
  if (row < 0) return -1;
  row = std::min(row, GetItemCount());
  Row r;
  r.cells.push_back(text);
  rows_.insert(rows_.begin() + row, std::move(r));
  return row;
}

bool HeadlessListView::SetItemText(int row, int column, const std::string& text) {
  if (onEdit) onEdit();
  if (row < 0 || row >= GetItemCount() || column < 0) return false;
  // Sub-items exist for the columns there are (column 0 always).
  if (column > 0 && column >= static_cast<int>(columns_.size())) return false;
  auto& cells = rows_[row].cells;
  if (static_cast<int>(cells.size()) <= column) cells.resize(column + 1);
  cells[column] = text;
  return true;
}

std::string HeadlessListView::GetItemText(int row, int column) const {
  if (row < 0 || row >= GetItemCount() || column < 0) return {};
  const auto& cells = rows_[row].cells;
  return column < static_cast<int>(cells.size()) ? cells[column] : std::string();
}

void HeadlessListView::DeleteAllItems() {
  rows_.clear();
  top_ = 0;
}

unsigned HeadlessListView::GetItemState(int row, unsigned mask) const {
  if (row < 0 || row >= GetItemCount()) return 0;
  unsigned state = rows_[row].selected ? kListItemSelected : 0;
  return state & mask;
}

void HeadlessListView::ClickRow(int row) {
  ClearSelection();
  if (row >= 0 && row < GetItemCount()) rows_[row].selected = true;
}

void HeadlessListView::ClearSelection() {
  for (auto& r : rows_) r.selected = false;
}

void HeadlessListView::ScrollTo(int row) {
  top_ = row;
  ClampTop();
}

void HeadlessListView::ClampTop() {
  int maxTop = std::max(0, GetItemCount() - std::max(1, visibleRows_));
  top_ = std::clamp(top_, 0, maxTop);
}

void HeadlessListView::SelectByKeyboard(int row) {
  if (GetItemCount() == 0) return;
  row = std::clamp(row, 0, GetItemCount() - 1);
  if (row == SelectedRow()) return;
  ClearSelection();
  rows_[row].selected = true;
  // Scrolled into sight: at the top when above, at the bottom when below.
  int page = std::max(1, visibleRows_);
  if (row < top_) top_ = row;
  if (row >= top_ + page) top_ = row - page + 1;
  ClampTop();
  if (onSelectionChange) onSelectionChange();
}

void HeadlessListView::PressKey(Key key) {
  int count = GetItemCount();
  if (count == 0) return;
  int page = std::max(1, visibleRows_);
  int current = SelectedRow();
  int last = count - 1;
  switch (key) {
    case Key::Down: SelectByKeyboard(current < 0 ? 0 : current + 1); break;
    case Key::Up: SelectByKeyboard(current < 0 ? 0 : current - 1); break;
    case Key::Home: SelectByKeyboard(0); break;
    case Key::End: SelectByKeyboard(last); break;
    case Key::PageDown: {
      // To the last visible row; from there, a page further.
      int bottom = std::min(last, top_ + page - 1);
      SelectByKeyboard(current < 0 ? 0 : (current < bottom ? bottom : current + page - 1));
      break;
    }
    case Key::PageUp: {
      int top = top_;
      SelectByKeyboard(current < 0 ? 0 : (current > top ? top : current - page + 1));
      break;
    }
  }
}

void HeadlessListView::TypeAhead(const std::string& prefix) {
  int count = GetItemCount();
  if (count == 0 || prefix.empty()) return;
  int start = SelectedRow();
  for (int step = 1; step <= count; ++step) {
    int row = (start + step + count) % count;
    const std::string name = GetItemText(row, 0);
    if (name.size() < prefix.size()) continue;
    bool match = true;
    for (std::size_t i = 0; i < prefix.size() && match; ++i) {
      match = std::tolower(static_cast<unsigned char>(name[i])) ==
              std::tolower(static_cast<unsigned char>(prefix[i]));
    }
    if (match) {
      SelectByKeyboard(row);
      return;
    }
  }
}

int HeadlessListView::SelectedRow() const {
  for (int i = 0; i < GetItemCount(); ++i) {
    if (rows_[i].selected) return i;
  }
  return -1;
}

std::vector<std::string> HeadlessListView::ColumnTexts(int column) const {
  std::vector<std::string> out;
  out.reserve(static_cast<std::size_t>(std::max(GetItemCount(), 0)));
  for (int i = 0; i < GetItemCount(); ++i) out.push_back(GetItemText(i, column));
  return out;
}

// ---- combo box ----

namespace {

// Case-insensitive order of two texts, as the sorted style compares them.
int CompareIgnoringCase(const std::string& a, const std::string& b) {
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    int ca = std::tolower(static_cast<unsigned char>(a[i]));
    int cb = std::tolower(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace

void HeadlessComboBox::ResetContent() {
  items_.clear();
  current_ = -1;
  ++resetCount_;
}

int HeadlessComboBox::AddString(const std::string& text) {
  std::size_t at = items_.size();
  if (sorted_) {
    at = 0;
    while (at < items_.size() && CompareIgnoringCase(items_[at], text) <= 0) ++at;
  }
  items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(at), text);
  // The selection stays on its item.
  if (current_ >= static_cast<int>(at)) ++current_;
  return static_cast<int>(at);
}

void HeadlessComboBox::SetCurSel(int index) {
  current_ = (index >= 0 && index < GetCount()) ? index : -1;
}

std::string HeadlessComboBox::GetLBText(int index) const {
  if (index < 0 || index >= GetCount()) return {};
  return items_[index];
}

bool HeadlessComboBox::SelectText(const std::string& text) {
  for (int i = 0; i < GetCount(); ++i) {
    if (items_[i] == text) {
      current_ = i;
      return true;
    }
  }
  return false;
}

std::string HeadlessComboBox::CurrentText() const { return GetLBText(current_); }

// ---- IP address control ----

bool HeadlessIpAddressControl::IsBlank() const {
  return std::none_of(fields_.begin(), fields_.end(), [](const auto& f) { return f.has_value(); });
}

int HeadlessIpAddressControl::GetAddress(std::uint8_t fields[4]) const {
  int filled = 0;
  for (int i = 0; i < 4; ++i) {
    fields[i] = fields_[i].value_or(0);
    if (fields_[i]) ++filled;
  }
  return filled;
}

void HeadlessIpAddressControl::SetAddress(const std::uint8_t fields[4]) {
  for (int i = 0; i < 4; ++i) fields_[i] = fields[i];
}

void HeadlessIpAddressControl::ClearAddress() {
  for (auto& f : fields_) f.reset();
}

void HeadlessIpAddressControl::TypeField(int index, std::uint8_t value) {
  if (index >= 0 && index < 4) fields_[index] = value;
}

void HeadlessIpAddressControl::ClearField(int index) {
  if (index >= 0 && index < 4) fields_[index].reset();
}

bool HeadlessIpAddressControl::TypeText(const std::string& dotted) {
  std::uint8_t octets[4];
  if (!ParseDotted(dotted.c_str(), octets)) return false;
  for (int i = 0; i < 4; ++i) fields_[i] = octets[i];
  return true;
}

std::string HeadlessIpAddressControl::Text() const {
  if (IsBlank()) return {};
  std::string out;
  for (int i = 0; i < 4; ++i) {
    if (i) out += '.';
    if (fields_[i]) out += std::to_string(*fields_[i]);
  }
  return out;
}

// ---- edit ----

bool HeadlessEdit::Type(const std::string& text) {
  if (!enabled_) return false;
  text_ = (limit_ > 0 && static_cast<int>(text.size()) > limit_) ? text.substr(0, limit_) : text;
  return true;
}

// ---- wait hook ----

void RecordingWaitHook::WaitBegins() {
  ++begins;
  ++depth;
}

void RecordingWaitHook::KeepAlive() {
  ++keepAlives;
  if (!busy()) ++keepAlivesWhileIdle;
  if (timers) timers->FireDue();
  if (onKeepAlive) onKeepAlive();
}

void RecordingWaitHook::WaitEnds() {
  ++ends;
  if (depth == 0) {
    ++unmatchedEnds;
    return;
  }
  --depth;
}

// ---- dialog host ----

void ScriptedDialogHost::MessageBox(const std::string& text, const std::string& caption,
                                    MessageIcon icon) {
  if (waits.busy()) ++modalsWhileBusy;
  messages.push_back(RecordedMessage{text, caption, icon});
}

int ScriptedDialogHost::RunLoginDialog(LoginDialogLogic& dialog) {
  if (waits.busy()) ++modalsWhileBusy;
  HeadlessEdit userNameEdit;
  HeadlessEdit passwordEdit;
  HeadlessCheckBox rememberBox;
  // A box left ticked from an earlier use of the window.
  rememberBox.SetCheck(true);
  dialog.OnInitDialog(userNameEdit, passwordEdit, rememberBox);

  LoginRun run;
  run.userNameShown = userNameEdit.GetText();
  run.userNameEnabled = userNameEdit.IsEnabled();
  run.passwordShown = passwordEdit.GetText();
  run.userNameLimit = userNameEdit.limit();
  run.passwordLimit = passwordEdit.limit();
  run.rememberShown = rememberBox.IsShown();
  run.rememberTicked = rememberBox.GetCheck();

  LoginAnswer answer{std::nullopt, "", false};
  if (!loginScript.empty()) {
    answer = std::move(loginScript.front());
    loginScript.pop_front();
  }
  if (answer.userName) userNameEdit.Type(*answer.userName);
  passwordEdit.Type(answer.password);
  if (answer.remember) rememberBox.Click();
  run.endCode = answer.ok ? dialog.OnOK() : dialog.OnCancel();
  loginRuns.push_back(run);
  return run.endCode;
}

bool ScriptedDialogHost::AddSystemMenuAbout(const std::string& text) {
  if (!hasSystemMenu) return false;
  systemMenuEntries.push_back(text);
  systemMenuCommands.push_back(0x0010);
  return true;
}

bool ScriptedDialogHost::AddSystemMenuEntry(const std::string& text, unsigned commandId) {
  if (!hasSystemMenu) return false;
  systemMenuEntries.push_back(text);
  systemMenuCommands.push_back(commandId);
  return true;
}

int ScriptedDialogHost::RunSearchAtAddressDialog(AddressPrompts& dialog) {
  if (waits.busy()) ++modalsWhileBusy;
  HeadlessIpAddressControl field;
  HeadlessEdit prefix;
  dialog.OnInitDialog(field);
  dialog.OnInitPrefix(prefix);
  int endCode = 0;
  while (endCode == 0) {
    if (addressScript.empty()) {
      endCode = dialog.OnCancel();
      break;
    }
    AddressAnswer answer = std::move(addressScript.front());
    addressScript.pop_front();
    if (!answer.ok) {
      endCode = dialog.OnCancel();
      break;
    }
    // Field by field, as typed: an empty part is a field left blank. What
    // follows a '/' goes into the prefix field.
    const std::size_t slash = answer.typed.find('/');
    const std::string typed = answer.typed.substr(0, slash);
    prefix.Type(slash == std::string::npos ? "" : answer.typed.substr(slash + 1));
    field.ClearAddress();
    std::size_t start = 0;
    for (int i = 0; i < 4 && start <= typed.size(); ++i) {
      std::size_t dot = typed.find('.', start);
      std::string part = typed.substr(start, dot == std::string::npos ? dot : dot - start);
      if (!part.empty()) field.TypeField(i, static_cast<std::uint8_t>(std::stoi(part)));
      if (dot == std::string::npos) break;
      start = dot + 1;
    }
    endCode = dialog.OnOK();
  }
  addressRuns.push_back(endCode);
  return endCode;
}

// ---- timers ----

VirtualTimers::Timer& VirtualTimers::Find(int timerId) {
  for (Timer& t : timers_) {
    if (t.id == timerId) return t;
  }
  timers_.push_back(Timer{});
  timers_.back().id = timerId;
  return timers_.back();
}

const VirtualTimers::Timer* VirtualTimers::Get(int timerId) const {
  for (const Timer& t : timers_) {
    if (t.id == timerId) return &t;
  }
  return nullptr;
}

void VirtualTimers::StartTimer(int timerId, int milliseconds, bool repeating,
                               TimerHandler& handler) {
  Timer& t = Find(timerId);
  t.periodMicros = std::int64_t{milliseconds} * 1000;
  t.due = (clock ? clock->NowMicros() : 0) + t.periodMicros;
  t.repeating = repeating;
  t.handler = &handler;
  t.running = true;
  ++t.starts;
}

void VirtualTimers::StopTimer(int timerId) { Find(timerId).running = false; }

bool VirtualTimers::Running(int timerId) const {
  const Timer* t = Get(timerId);
  return t != nullptr && t->running;
}

int VirtualTimers::starts(int timerId) const {
  const Timer* t = Get(timerId);
  return t ? t->starts : 0;
}

int VirtualTimers::fires(int timerId) const {
  const Timer* t = Get(timerId);
  return t ? t->fires : 0;
}

VirtualTimers::Timer* VirtualTimers::NextDue(std::int64_t until) {
  Timer* next = nullptr;
  for (Timer& t : timers_) {
    if (t.running && t.due <= until && (next == nullptr || t.due < next->due)) next = &t;
  }
  return next;
}

void VirtualTimers::Fire(Timer& timer) {
  // A one-shot timer is over before its handler runs (which may start it
  // again); a repeating one is next due a period after this turn.
  const std::int64_t now = clock ? clock->NowMicros() : 0;
  if (timer.repeating) {
    timer.due = now + timer.periodMicros;
  } else {
    timer.running = false;
  }
  ++timer.fires;
  timer.handler->TimerFired(timer.id);
}

void VirtualTimers::FireDue() {
  const std::int64_t now = clock ? clock->NowMicros() : 0;
  // Once each in this turn, even a timer whose period is shorter than its
  // handler's run.
  std::vector<int> due;
  for (const Timer& t : timers_) {
    if (t.running && t.due <= now) due.push_back(t.id);
  }
  for (int id : due) {
    Timer& t = Find(id);
    if (t.running && t.due <= now) Fire(t);
  }
}

void VirtualTimers::Pass(std::int64_t micros) {
  if (!clock) return;
  const std::int64_t end = clock->NowMicros() + micros;
  // Each firing may start a timer again (a key still held); the time still
  // runs out.
  for (int fired = 0; fired < 10000; ++fired) {
    Timer* next = NextDue(end);
    if (next == nullptr) break;
    const std::int64_t now = clock->NowMicros();
    if (next->due > now) clock->SleepMicros(next->due - now);
    Fire(*next);
  }
  const std::int64_t now = clock->NowMicros();
  if (end > now) clock->SleepMicros(end - now);
}

}  // namespace tessavue
