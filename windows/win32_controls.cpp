#include "win32_controls.h"

#include <vector>

namespace tessavue::win32 {

namespace {

// The message's LPARAM for a structure passed by address.
template <typename T>
LPARAM Address(T* structure) {
  return reinterpret_cast<LPARAM>(structure);
}

}  // namespace

std::string WindowText(HWND window) {
  int length = ::GetWindowTextLengthA(window);
  if (length <= 0) return {};
  std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
  int got = ::GetWindowTextA(window, buffer.data(), length + 1);
  return std::string(buffer.data(), got > 0 ? static_cast<std::size_t>(got) : 0);
}

// --- dots per inch ---

int WindowDpi(HWND window) {
  // Looked up at run time: older Windows lack the function and would refuse
  // to start a program that imports it.
  using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow =
      reinterpret_cast<GetDpiForWindowFunction>(reinterpret_cast<void*>(
          ::GetProcAddress(::GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
  if (getDpiForWindow && window) {
    UINT dpi = getDpiForWindow(window);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  HDC screen = ::GetDC(nullptr);
  int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSX) : 0;
  if (screen) ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

int ScaleToDpi(int pixels96, int dpi) { return ::MulDiv(pixels96, dpi, 96); }

// --- list view ---

void Win32ListView::SetFullRowSelect() {
  ::SendMessageA(window_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
}

int Win32ListView::InsertColumn(int index, const std::string& heading, int widthPixels) {
  LVCOLUMNA column{};
  column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
  column.fmt = LVCFMT_LEFT;
  // The widths are those of the 96-DPI layout; the column grows with the
  // dialog's font.
  column.cx = ScaleToDpi(widthPixels, WindowDpi(window_));
  column.pszText = const_cast<char*>(heading.c_str());
  column.iSubItem = index;
  return static_cast<int>(::SendMessageA(window_, LVM_INSERTCOLUMNA, index, Address(&column)));
}

int Win32ListView::InsertItem(int row, const std::string& text) {
  LVITEMA item{};
  item.mask = LVIF_TEXT;
  item.iItem = row;
  item.pszText = const_cast<char*>(text.c_str());
  return static_cast<int>(::SendMessageA(window_, LVM_INSERTITEMA, 0, Address(&item)));
}

bool Win32ListView::SetItemText(int row, int column, const std::string& text) {
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = const_cast<char*>(text.c_str());
  return ::SendMessageA(window_, LVM_SETITEMTEXTA, row, Address(&item)) != FALSE;
}

std::string Win32ListView::GetItemText(int row, int column) const {
  if (row < 0 || row >= GetItemCount() || column < 0) return {};
  // LVM_GETITEMTEXT returns the characters copied; a result that fills the
  // buffer may have been cut, so ask again with more room.
  for (std::size_t size = 256; size <= 65536; size *= 4) {
    std::vector<char> buffer(size, '\0');
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = buffer.data();
    item.cchTextMax = static_cast<int>(size);
    auto copied =
        static_cast<std::size_t>(::SendMessageA(window_, LVM_GETITEMTEXTA, row, Address(&item)));
    if (copied + 1 < size) return std::string(buffer.data(), copied);
  }
  return {};
}

void Win32ListView::DeleteAllItems() { ::SendMessageA(window_, LVM_DELETEALLITEMS, 0, 0); }

int Win32ListView::GetItemCount() const {
  return static_cast<int>(::SendMessageA(window_, LVM_GETITEMCOUNT, 0, 0));
}

int Win32ListView::GetTopIndex() const {
  return static_cast<int>(::SendMessageA(window_, LVM_GETTOPINDEX, 0, 0));
}

unsigned Win32ListView::GetItemState(int row, unsigned mask) const {
  return static_cast<unsigned>(::SendMessageA(window_, LVM_GETITEMSTATE, row, mask));
}

void Win32ListView::SetFocus() { ::SetFocus(window_); }

void Win32ListView::Redraw() {
  ::InvalidateRect(window_, nullptr, TRUE);
  ::UpdateWindow(window_);
}

void Win32ListView::SetRedraw(bool on) {
  ::SendMessageA(window_, WM_SETREDRAW, on ? TRUE : FALSE, 0);
  // Turned on again, the list paints at the next paint message.
  if (on) ::InvalidateRect(window_, nullptr, TRUE);
}

// --- combo box ---

void Win32ComboBox::ResetContent() { ::SendMessageA(window_, CB_RESETCONTENT, 0, 0); }

int Win32ComboBox::AddString(const std::string& text) {
  return static_cast<int>(
      ::SendMessageA(window_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

int Win32ComboBox::GetCount() const {
  return static_cast<int>(::SendMessageA(window_, CB_GETCOUNT, 0, 0));
}

int Win32ComboBox::GetCurSel() const {
  return static_cast<int>(::SendMessageA(window_, CB_GETCURSEL, 0, 0));
}

void Win32ComboBox::SetCurSel(int index) {
  ::SendMessageA(window_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

std::string Win32ComboBox::GetLBText(int index) const {
  LRESULT length = ::SendMessageA(window_, CB_GETLBTEXTLEN, index, 0);
  if (length == CB_ERR || length < 0) return {};
  std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
  LRESULT got =
      ::SendMessageA(window_, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(buffer.data()));
  if (got == CB_ERR || got < 0) return {};
  return std::string(buffer.data(), static_cast<std::size_t>(got));
}

// --- IP address field ---

bool Win32IpAddress::IsBlank() const { return ::SendMessageA(window_, IPM_ISBLANK, 0, 0) != 0; }

int Win32IpAddress::GetAddress(std::uint8_t fields[4]) const {
  DWORD address = 0;
  auto filled = static_cast<int>(::SendMessageA(window_, IPM_GETADDRESS, 0, Address(&address)));
  fields[0] = static_cast<std::uint8_t>(FIRST_IPADDRESS(address));
  fields[1] = static_cast<std::uint8_t>(SECOND_IPADDRESS(address));
  fields[2] = static_cast<std::uint8_t>(THIRD_IPADDRESS(address));
  fields[3] = static_cast<std::uint8_t>(FOURTH_IPADDRESS(address));
  return filled;
}

void Win32IpAddress::SetAddress(const std::uint8_t fields[4]) {
  ::SendMessageA(window_, IPM_SETADDRESS, 0,
                 static_cast<LPARAM>(MAKEIPADDRESS(fields[0], fields[1], fields[2], fields[3])));
}

void Win32IpAddress::ClearAddress() { ::SendMessageA(window_, IPM_CLEARADDRESS, 0, 0); }

// --- edit ---

void Win32Edit::SetText(const std::string& text) { ::SetWindowTextA(window_, text.c_str()); }

std::string Win32Edit::GetText() const { return WindowText(window_); }

void Win32Edit::SetLimitText(int characters) {
  ::SendMessageA(window_, EM_LIMITTEXT, static_cast<WPARAM>(characters), 0);
}

}  // namespace tessavue::win32
