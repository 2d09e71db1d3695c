// The controls and the dialog host that the window logic drives. Shaped after
// the Windows common controls: Win32, Qt and headless (memory/) implementations
// behave alike, so every decision the user can see is made once, in app/.
#pragma once

#include <cstdint>
#include <string>

#include "time_service.h"
#include "wait_hook.h"

namespace tessavue {

// Any control: enabled or greyed out (a control that may not be used is
// disabled, not hidden).
class Control {
 public:
  virtual ~Control() = default;
  virtual void Enable(bool enabled) = 0;
  virtual bool IsEnabled() const = 0;
};

class Button : public Control {};

// A check box, unticked or ticked. One that has no use in a dialog's present
// purpose is not shown at all.
class CheckBox : public Control {
 public:
  virtual void SetCheck(bool checked) = 0;
  virtual bool GetCheck() const = 0;
  virtual void Show(bool shown) = 0;
  virtual bool IsShown() const = 0;
};

// Item state bit of a selected list row.
constexpr unsigned kListItemSelected = 0x0002;  // LVIS_SELECTED

// A report-style, single-selection list view.
class ListView : public Control {
 public:
  // Full-row select extended style and the columns, done once at start.
  virtual void SetFullRowSelect() = 0;
  virtual int InsertColumn(int index, const std::string& heading, int widthPixels) = 0;

  // Inserts an empty row at `row` (clamped to the row count); returns its
  // index, or -1.
  virtual int InsertItem(int row, const std::string& text) = 0;
  virtual bool SetItemText(int row, int column, const std::string& text) = 0;
  // Empty for a row or column that does not exist.
  virtual std::string GetItemText(int row, int column) const = 0;
  virtual void DeleteAllItems() = 0;
  virtual int GetItemCount() const = 0;
  // The first visible row (LVM_GETTOPINDEX).
  virtual int GetTopIndex() const = 0;
  // The row's state bits under `mask` (LVM_GETITEMSTATE).
  virtual unsigned GetItemState(int row, unsigned mask) const = 0;
  virtual void SetFocus() = 0;
  // Has the control redraw itself after a change.
  virtual void Redraw() = 0;
  // Off: changes of the rows are not shown (nor the scroll bar kept up with
  // them) until it is on again, which has the whole list painted anew once.
  virtual void SetRedraw(bool on) = 0;
};

// A drop-down list combo box. When `sorted`, AddString places the text in
// order (case-insensitive, as CBS_SORT) and returns its index.
class ComboBox : public Control {
 public:
  virtual void ResetContent() = 0;
  virtual int AddString(const std::string& text) = 0;
  virtual int GetCount() const = 0;
  // -1 when nothing is selected.
  virtual int GetCurSel() const = 0;
  // -1 clears the selection.
  virtual void SetCurSel(int index) = 0;
  virtual std::string GetLBText(int index) const = 0;
};

// An IPv4 address field of four octets, any of which may be blank.
class IpAddressControl : public Control {
 public:
  // true when all four fields are blank (IPM_ISBLANK).
  virtual bool IsBlank() const = 0;
  // The four fields, first field first; a blank field reads as 0. Returns the
  // number of non-blank fields (CIPAddressCtrl::GetAddress).
  virtual int GetAddress(std::uint8_t fields[4]) const = 0;
  virtual void SetAddress(const std::uint8_t fields[4]) = 0;
  // All four fields blank (IPM_CLEARADDRESS).
  virtual void ClearAddress() = 0;
};

// A single-line edit, used by the "Login" dialog.
class EditControl : public Control {
 public:
  virtual void SetText(const std::string& text) = 0;
  virtual std::string GetText() const = 0;
  // Most characters the user may type (EM_LIMITTEXT).
  virtual void SetLimitText(int characters) = 0;
};

enum class MessageIcon { Stop, Exclamation, Information };

// The "Login" dialog's logic as the window that shows it sees it: two edits
// to fill, then OK or Cancel. The host calls OnInitDialog() once its edits
// exist, and OnOK() or OnCancel() when the user closes it; both return the
// end code (1 OK, 2 Cancel).
class LoginDialogLogic {
 public:
  virtual ~LoginDialogLogic() = default;
  virtual void OnInitDialog(EditControl& userNameEdit, EditControl& passwordEdit,
                            CheckBox& rememberBox) = 0;
  virtual int OnOK() = 0;
  virtual int OnCancel() = 0;
};

// The "Search at address" dialog's logic as the window that shows it sees
// it: one address field and a prefix-length field after a "/", then OK or
// Cancel. The host calls OnInitDialog() once the fields exist, and
// OnInitPrefix() when it has the prefix field. OnOK() returns the end code (1), or 0 when the
// address was refused (the logic has told the user why) and the dialog
// stays open; OnCancel() returns 2.
class AddressPrompts {
 public:
  virtual ~AddressPrompts() = default;
  virtual void OnInitDialog(IpAddressControl& addressField) = 0;
  // The "/NN" field: empty for one address, 22 to 32 for a subnet.
  virtual void OnInitPrefix(EditControl& prefixField) { (void)prefixField; }
  virtual int OnOK() = 0;
  virtual int OnCancel() = 0;
};

// What the window logic asks of the window that holds the controls.
class DialogHost {
 public:
  virtual ~DialogHost() = default;
  // One modal message box with an OK button.
  virtual void MessageBox(const std::string& text, const std::string& caption,
                          MessageIcon icon) = 0;
  // Runs the "Login" dialog modally over `dialog`'s logic. Returns the end
  // code (1 OK, 2 Cancel).
  virtual int RunLoginDialog(LoginDialogLogic& dialog) = 0;
  // Runs the About box modally.
  virtual void RunAboutDialog() = 0;
  // Adds a separator and the About entry (command ID 16) to the window's
  // system menu. false when the window has none.
  virtual bool AddSystemMenuAbout(const std::string& text) = 0;
  // Adds an entry with `commandId` below the About entry (where the window
  // keeps it: the system menu on Windows, the window's context menu on
  // Linux). false when the window has no such menu.
  virtual bool AddSystemMenuEntry(const std::string& text, unsigned commandId) = 0;
  // Runs the "Search at address" dialog modally over `dialog`'s logic; an OK
  // that the logic answers with 0 leaves it open. Returns the end code (1 OK,
  // 2 Cancel).
  virtual int RunSearchAtAddressDialog(AddressPrompts& dialog) = 0;
  // Ends the main dialog (the window is destroyed).
  virtual void DestroyWindow() = 0;
  // The window's side of every wait of a handler: wait cursor, no user
  // input, paint and system messages handled.
  virtual WaitHook& Waits() = 0;

  // The timers of the window's loop, which also run during its waits.
  virtual TimeService& Time() = 0;
  // A key that moves the device list's selection is still held down (its
  // repeat is running): the selection has not settled yet.
  virtual bool SelectionKeyHeld() const = 0;
};

}  // namespace tessavue
