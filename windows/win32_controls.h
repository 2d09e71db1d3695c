// The controls of controls.h over the window handles of a dialog:
// list views through LVM_ messages, combo boxes through CB_, IP address
// fields through IPM_, buttons and edits through the plain window calls.
#pragma once

#include "windows_api.h"

#include "controls.h"

namespace tessavue::win32 {

// What every control does alike: enabled state over EnableWindow.
template <typename Base>
class WindowControl : public Base {
 public:
  explicit WindowControl(HWND window = nullptr) : window_(window) {}
  void Attach(HWND window) { window_ = window; }
  HWND window() const { return window_; }
  void Enable(bool enabled) override { ::EnableWindow(window_, enabled ? TRUE : FALSE); }
  bool IsEnabled() const override { return ::IsWindowEnabled(window_) != FALSE; }

 protected:
  HWND window_;
};

class Win32Button : public WindowControl<Button> {
 public:
  using WindowControl::WindowControl;
};

class Win32CheckBox : public WindowControl<CheckBox> {
 public:
  using WindowControl::WindowControl;
  void SetCheck(bool checked) override {
    ::SendMessageA(window_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  bool GetCheck() const override {
    return ::SendMessageA(window_, BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
  void Show(bool shown) override { ::ShowWindow(window_, shown ? SW_SHOW : SW_HIDE); }
  bool IsShown() const override { return ::IsWindowVisible(window_) != FALSE; }
};

class Win32ListView : public WindowControl<ListView> {
 public:
  using WindowControl::WindowControl;
  void SetFullRowSelect() override;
  int InsertColumn(int index, const std::string& heading, int widthPixels) override;
  int InsertItem(int row, const std::string& text) override;
  bool SetItemText(int row, int column, const std::string& text) override;
  std::string GetItemText(int row, int column) const override;
  void DeleteAllItems() override;
  int GetItemCount() const override;
  int GetTopIndex() const override;
  unsigned GetItemState(int row, unsigned mask) const override;
  void SetFocus() override;
  void Redraw() override;
  void SetRedraw(bool on) override;
};

class Win32ComboBox : public WindowControl<ComboBox> {
 public:
  using WindowControl::WindowControl;
  void ResetContent() override;
  int AddString(const std::string& text) override;
  int GetCount() const override;
  int GetCurSel() const override;
  void SetCurSel(int index) override;
  std::string GetLBText(int index) const override;
};

class Win32IpAddress : public WindowControl<IpAddressControl> {
 public:
  using WindowControl::WindowControl;
  bool IsBlank() const override;
  int GetAddress(std::uint8_t fields[4]) const override;
  void SetAddress(const std::uint8_t fields[4]) override;
  void ClearAddress() override;
};

class Win32Edit : public WindowControl<EditControl> {
 public:
  using WindowControl::WindowControl;
  void SetText(const std::string& text) override;
  std::string GetText() const override;
  void SetLimitText(int characters) override;
};

// Text of any window, in the ANSI code page.
std::string WindowText(HWND window);

// The dots per inch `window` is drawn at: its monitor's under per-monitor
// awareness (GetDpiForWindow, Windows 10 1607 and later), else the system's
// (LOGPIXELSX, every Windows). 96 is 100 %.
int WindowDpi(HWND window);
// A length in pixels of the 96-DPI layout, at `dpi`.
int ScaleToDpi(int pixels96, int dpi);

}  // namespace tessavue::win32
