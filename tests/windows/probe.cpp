// tessavue-probe.exe: looks at a running tessavue.exe from outside it and
// works its window as a user would, as a test needs to. Run under the same
// Wine prefix and display.
//
//   tessavue-probe rows SECONDS [LIST]  prints the rows of a list view (the
//                                  device list, control 1000, unless LIST
//                                  says otherwise), one per line, columns
//                                  split by tabs, once it has at least one row
//                                  (the device list: and its search has ended)
//   tessavue-probe rowpos ROW [LIST]   prints the screen point "x y" at the
//                                  middle of that row
//   tessavue-probe version         prints the Windows version text the
//                                  program names this system with
//   tessavue-probe items COMBO     prints the items of a combo box
//   tessavue-probe select COMBO TEXT   selects the first item of a combo box
//                                  that starts with TEXT
//   tessavue-probe address CONTROL A.B.C.D   fills an IP address control
//   tessavue-probe click CONTROL   presses a button of the main window
//   tessavue-probe searchat A.B.C.D SECONDS   "Search at address..." from the
//                                  window menu, the address typed into its
//                                  dialog and OK pressed; 0 once it closed
//   tessavue-probe next SECONDS    waits for the program's next modal window
//                                  and prints it: `Login user="..."
//                                  user-enabled=0|1` for the "Login" dialog
//                                  (left open), `CAPTION: TEXT` for a message
//                                  box (then closed with its OK button)
//   tessavue-probe startbox SECONDS  waits for a message box shown before any
//                                  main window (the usage) and prints it as
//                                  `CAPTION: TEXT`, then closes it with OK
//   tessavue-probe login USER PASSWORD | cancel   fills the open "Login"
//                                  dialog (the user name only where the edit
//                                  is enabled) and presses OK, or Cancel
//   tessavue-probe ctlpos ID       the same for the middle of control ID
//   tessavue-probe enabled         prints 1 when the main window takes input,
//                                  0 while it is disabled (during a wait)
//   tessavue-probe repaint         has the main window painted anew, as when
//                                  another window has lain over it
//   tessavue-probe count [LIST]    prints how many rows a list view has now
//   tessavue-probe hostaddrs SECONDS   prints the addresses of the host's own
//                                  name (gethostbyname, as the program reads
//                                  them), one line "MS A B ..." at start and
//                                  at each change, MS the milliseconds since
//                                  start, read anew every 100 ms in this one
//                                  process for SECONDS
//   tessavue-probe refreshwatch SECONDS   presses "Refresh" and, until the
//                                  window takes input again (at most
//                                  SECONDS), prints "MS ROWS ENABLED" at the
//                                  start and at each change of the device
//                                  list's row count or of the window's state,
//                                  MS the milliseconds since the press; the
//                                  list answers only at the program's
//                                  keep-alives, so a count is what was on
//                                  screen then
//   tessavue-probe startwatch SECONDS   waits for the main window and prints
//                                  the system time (ms since 1970) at which
//                                  it was first visible, first showed a device
//                                  row, and then took input
//   tessavue-probe layout [LIST]   prints the DPI, the main window's client
//                                  size, the list's column widths, and a
//                                  `cut ROW COLUMN TEXT` line for every cell
//                                  whose text is wider than its column
//
// A list view's messages carry pointers that are not carried between
// processes, so the item structure and its text live in the other process.
// Commands are posted as the buttons' own WM_COMMAND: the program runs its
// modal windows inside the handler, and the probe must not wait for it.
// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "version_name.h"
#include "win32_system.h"

namespace {

constexpr int kDeviceList = 1000;

HWND MainWindow() { return FindWindowA(nullptr, "Quillon Tessavue"); }

HWND FindControl(int id) {
  HWND dialog = MainWindow();
  return dialog ? GetDlgItem(dialog, id) : nullptr;
}

// A block of memory inside the process that owns `window`.
class RemoteBlock {
 public:
  RemoteBlock(HWND window, SIZE_T size) : size_(size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_) address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
  }
  ~RemoteBlock() {
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  bool ok() const { return address_ != nullptr; }
  char* at(SIZE_T offset) const { return static_cast<char*>(address_) + offset; }
  bool Write(SIZE_T offset, const void* data, SIZE_T length) {
    return offset + length <= size_ &&
           WriteProcessMemory(process_, at(offset), data, length, nullptr);
  }
  bool Read(SIZE_T offset, void* data, SIZE_T length) {
    return offset + length <= size_ &&
           ReadProcessMemory(process_, at(offset), data, length, nullptr);
  }

 private:
  SIZE_T size_;
  HANDLE process_ = nullptr;
  void* address_ = nullptr;
};

std::string ItemText(HWND list, RemoteBlock& block, int row, int column) {
  constexpr SIZE_T kText = 512;
  LVITEMA item{};
  item.iSubItem = column;
  item.cchTextMax = 300;
  item.pszText = block.at(kText);
  char empty[300] = {};
  block.Write(kText, empty, sizeof empty);
  block.Write(0, &item, sizeof item);
  SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(block.at(0)));
  char text[300] = {};
  block.Read(kText, text, sizeof text - 1);
  return text;
}

HWND OpenModal();

int Rows(int seconds, int listId) {
  for (int waited = 0; waited <= seconds * 10; ++waited) {
    HWND list = FindControl(listId);
    int rows = list ? static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)) : 0;
    // The device list fills while its search runs (the window takes no input
    // then, and no modal window is up): its rows are read once it has ended.
    const bool searching =
        listId == kDeviceList && list && !IsWindowEnabled(MainWindow()) && !OpenModal();
    if (rows > 0 && !searching) {
      RemoteBlock block(list, 1024);
      if (!block.ok()) return 3;
      for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < 4; ++column)
          std::printf("%s%s", column ? "\t" : "", ItemText(list, block, row, column).c_str());
        std::printf("\n");
      }
      return 0;
    }
    Sleep(100);
  }
  std::fprintf(stderr, "no device rows within %d s\n", seconds);
  return 1;
}

int Count(int listId) {
  HWND list = FindControl(listId);
  if (!list) return 1;
  std::printf("%d\n", static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)));
  return 0;
}

std::string HostAddresses() {
  char name[128] = {};
  if (gethostname(name, sizeof name) != 0) return "(no host name)";
  hostent* host = gethostbyname(name);
  if (host == nullptr || host->h_addr_list == nullptr) return "(none)";
  std::string all;
  for (int i = 0; host->h_addr_list[i] != nullptr && i < 64; ++i) {
    const unsigned char* a = reinterpret_cast<const unsigned char*>(host->h_addr_list[i]);
    char text[20];
    std::snprintf(text, sizeof text, " %u.%u.%u.%u", a[0], a[1], a[2], a[3]);
    all += text;
  }
  return all.empty() ? " (empty)" : all;
}

int HostAddressChanges(int seconds) {
  WSADATA data;
  if (WSAStartup(0x0101, &data) != 0) return 1;
  const DWORD start = GetTickCount();
  std::string last = "-";
  while (GetTickCount() - start < static_cast<DWORD>(seconds) * 1000) {
    const std::string now = HostAddresses();
    if (now != last) {
      std::printf("%lu%s\n", static_cast<unsigned long>(GetTickCount() - start), now.c_str());
      std::fflush(stdout);
      last = now;
    }
    Sleep(100);
  }
  WSACleanup();
  return 0;
}

int RefreshWatch(int seconds) {
  constexpr int kRefresh = 1002;
  HWND dialog = MainWindow();
  HWND list = FindControl(kDeviceList);
  if (!dialog || !list) return 1;
  LARGE_INTEGER frequency, start, now;
  QueryPerformanceFrequency(&frequency);
  auto elapsed = [&] {
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
  };
  QueryPerformanceCounter(&start);
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(kRefresh, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, kRefresh)));
  long lastRows = -1;
  int lastEnabled = -1;
  bool began = false;
  while (elapsed() < seconds * 1000.0) {
    const int enabled = IsWindowEnabled(dialog) ? 1 : 0;
    DWORD_PTR rows = 0;
    if (!SendMessageTimeoutA(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, 5000, &rows)) return 1;
    if (static_cast<long>(rows) != lastRows || enabled != lastEnabled) {
      std::printf("%.1f %ld %d\n", elapsed(), static_cast<long>(rows), enabled);
      lastRows = static_cast<long>(rows);
      lastEnabled = enabled;
    }
    if (!enabled) began = true;
    if (began && enabled) return 0;
    Sleep(1);
  }
  std::fprintf(stderr, "the search did not end within %d s\n", seconds);
  return 1;
}

// Milliseconds since 1970 on the system clock, which the Linux side of a
// benchmark reads too.
double UnixMillis() {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  const ULONGLONG ticks = (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  return static_cast<double>(ticks - 116444736000000000ULL) / 10000.0;
}

int StartWatch(int seconds) {
  const double end = UnixMillis() + seconds * 1000.0;
  double visible = 0, row = 0;
  while (UnixMillis() < end) {
    HWND dialog = MainWindow();
    HWND list = FindControl(kDeviceList);
    if (dialog && list) {
      if (visible == 0 && IsWindowVisible(dialog)) visible = UnixMillis();
      DWORD_PTR rows = 0;
      if (row == 0 && visible != 0 &&
          SendMessageTimeoutA(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, 5000, &rows) && rows > 0)
        row = UnixMillis();
      if (visible != 0 && row != 0 && IsWindowEnabled(dialog)) {
        std::printf("visible %.1f\nrow %.1f\nenabled %.1f\n", visible, row, UnixMillis());
        return 0;
      }
    }
    Sleep(1);
  }
  std::fprintf(stderr, "no window with a row within %d s\n", seconds);
  return 1;
}

int RowPosition(int row, int listId) {
  HWND list = FindControl(listId);
  if (!list) return 1;
  RemoteBlock block(list, sizeof(RECT));
  RECT rect{};
  rect.left = LVIR_BOUNDS;
  if (!block.ok() || !block.Write(0, &rect, sizeof rect)) return 3;
  if (!SendMessageA(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(block.at(0)))) return 1;
  block.Read(0, &rect, sizeof rect);
  POINT middle{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  if (middle.x > 60) middle.x = 60;  // on the name, well inside the view
  ClientToScreen(list, &middle);
  std::printf("%ld %ld\n", static_cast<long>(middle.x), static_cast<long>(middle.y));
  return 0;
}

int ControlPosition(int id) {
  HWND dialog = MainWindow();
  HWND control = dialog ? GetDlgItem(dialog, id) : nullptr;
  if (!control) return 1;
  RECT rect{};
  GetClientRect(control, &rect);
  POINT middle{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  ClientToScreen(control, &middle);
  std::printf("%ld %ld\n", static_cast<long>(middle.x), static_cast<long>(middle.y));
  return 0;
}

int Enabled() {
  HWND dialog = MainWindow();
  if (!dialog) return 1;
  std::printf("%d\n", IsWindowEnabled(dialog) ? 1 : 0);
  return 0;
}

int Layout(int listId) {
  HWND dialog = MainWindow();
  HWND list = FindControl(listId);
  if (!dialog || !list) return 1;
  HDC screen = GetDC(nullptr);
  std::printf("dpi %d\n", GetDeviceCaps(screen, LOGPIXELSX));
  ReleaseDC(nullptr, screen);
  RECT client{};
  GetClientRect(dialog, &client);
  std::printf("client %ldx%ld\n", static_cast<long>(client.right),
              static_cast<long>(client.bottom));
  std::vector<int> widths;
  for (int i = 0; i < 16; ++i) {
    int width = static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, i, 0));
    if (width <= 0) break;
    widths.push_back(width);
  }
  std::printf("columns");
  for (int width : widths) std::printf(" %d", width);
  std::printf("\n");
  RemoteBlock block(list, 1024);
  if (!block.ok()) return 3;
  int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  int cut = 0;
  for (int row = 0; row < rows; ++row) {
    for (int column = 0; column < static_cast<int>(widths.size()); ++column) {
      std::string text = ItemText(list, block, row, column);
      block.Write(0, text.c_str(), text.size() + 1);
      int width = static_cast<int>(
          SendMessageA(list, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(block.at(0))));
      // The list view keeps a margin on either side of a cell's text.
      if (width + 12 > widths[static_cast<std::size_t>(column)]) {
        std::printf("cut %d %d %s (%d + 12 > %d)\n", row, column, text.c_str(), width,
                    widths[static_cast<std::size_t>(column)]);
        ++cut;
      }
    }
  }
  std::printf("rows %d cut %d\n", rows, cut);
  return 0;
}

int Version() {
  tessavue::win32::Win32SystemInfo system;
  std::string name;
  tessavue::GetWindowsVersionName(system, name);
  std::printf("%s\n", name.c_str());
  return 0;
}

// CB_ messages are carried between processes, in their W forms under Wine.
int Select(int comboId, const char* text) {
  HWND combo = FindControl(comboId);
  if (!combo) return 1;
  wchar_t wide[64] = {};
  MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 63);
  LRESULT index =
      SendMessageW(combo, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(wide));
  if (index == CB_ERR) {
    std::fprintf(stderr, "no item starting with \"%s\" in combo %d\n", text, comboId);
    return 1;
  }
  return 0;
}

// Every item of combo box `comboId`, one a line.
int Items(int comboId) {
  HWND combo = FindControl(comboId);
  if (!combo) return 1;
  LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count && i < 64; ++i) {
    wchar_t wide[300] = {};
    if (SendMessageW(combo, CB_GETLBTEXTLEN, i, 0) >= 300) return 1;
    SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(wide));
    char text[600] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text - 1, nullptr, nullptr);
    std::printf("%s\n", text);
  }
  return 0;
}

int Repaint() {
  HWND dialog = MainWindow();
  if (!dialog || !InvalidateRect(dialog, nullptr, TRUE)) return 1;
  // The paint is sent to the program's thread and done when UpdateWindow
  // returns; a message sent after it makes sure the thread has got that far.
  UpdateWindow(dialog);
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored) ? 0 : 1;
}

int Address(int controlId, const char* dotted) {
  HWND control = FindControl(controlId);
  unsigned a, b, c, d;
  if (!control || std::sscanf(dotted, "%u.%u.%u.%u", &a, &b, &c, &d) != 4) return 1;
  SendMessageA(control, IPM_SETADDRESS, 0, MAKEIPADDRESS(a, b, c, d));
  return 0;
}

int Click(int controlId) {
  HWND dialog = MainWindow();
  HWND button = dialog ? GetDlgItem(dialog, controlId) : nullptr;
  if (!button) return 1;
  return PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(controlId, BN_CLICKED),
                      reinterpret_cast<LPARAM>(button))
             ? 0
             : 1;
}

int SearchAt(const char* dotted, int seconds) {
  HWND main = MainWindow();
  unsigned a, b, c, d;
  if (!main || std::sscanf(dotted, "%u.%u.%u.%u", &a, &b, &c, &d) != 4) return 1;
  PostMessageA(main, WM_SYSCOMMAND, 0x0020, 0);
  HWND box = nullptr;
  for (int i = 0; i < seconds * 10 && !(box = FindWindowA(nullptr, "Search at address")); ++i)
    Sleep(100);
  if (!box) return 2;
  SendMessageA(GetDlgItem(box, 1022), IPM_SETADDRESS, 0, MAKEIPADDRESS(a, b, c, d));
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
  for (int i = 0; i < seconds * 10 && IsWindow(box); ++i) Sleep(100);
  return IsWindow(box) ? 3 : 0;
}

// The program's open modal window: a visible, enabled dialog of the main
// window's process other than the main window itself.
struct ModalSearch {
  DWORD process = 0;
  HWND main = nullptr;
  HWND found = nullptr;
};

BOOL CALLBACK FindModal(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<ModalSearch*>(context);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  char className[16] = {};
  GetClassNameA(window, className, sizeof className);
  if (window != search->main && process == search->process && IsWindowVisible(window) &&
      IsWindowEnabled(window) && std::strcmp(className, "#32770") == 0) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND OpenModal() {
  ModalSearch search;
  search.main = MainWindow();
  if (!search.main) return nullptr;
  GetWindowThreadProcessId(search.main, &search.process);
  EnumWindows(FindModal, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// WM_GETTEXT itself: GetWindowText does not ask a control of another process
// (an edit keeps its text apart from the window's title).
std::string WindowText(HWND window) {
  wchar_t wide[512] = {};
  DWORD_PTR ignored = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(wide),
                           SMTO_ABORTIFHUNG, 5000, &ignored))
    return "";
  char text[1024] = {};
  WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text - 1, nullptr, nullptr);
  return text;
}

constexpr int kUserNameEdit = 1016;
constexpr int kPasswordEdit = 1017;
constexpr int kMessageBoxText = 0xFFFF;  // the static text of a message box

int Next(int seconds) {
  for (int waited = 0; waited <= seconds * 10; ++waited) {
    HWND modal = OpenModal();
    if (modal) {
      std::string caption = WindowText(modal);
      if (caption == "Login") {
        HWND user = GetDlgItem(modal, kUserNameEdit);
        std::printf("Login user=\"%s\" user-enabled=%d\n", WindowText(user).c_str(),
                    IsWindowEnabled(user) ? 1 : 0);
        return 0;
      }
      std::string text = WindowText(GetDlgItem(modal, kMessageBoxText));
      std::printf("%s: %s\n", caption.c_str(), text.c_str());
      PostMessageA(modal, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      // Gone before the next look, so that it is not reported twice.
      for (int i = 0; i < 50 && IsWindow(modal) && IsWindowVisible(modal); ++i) Sleep(100);
      return 0;
    }
    Sleep(100);
  }
  std::printf("none within %d s\n", seconds);
  return 1;
}

// A message box of a tessavue.exe that has no main window (its usage, at
// start): prints its text, each line apart, and closes it with OK.
BOOL CALLBACK FindStartBox(HWND window, LPARAM found) {
  char className[16] = {};
  GetClassNameA(window, className, sizeof className);
  if (std::strcmp(className, "#32770") != 0 || !IsWindowVisible(window) ||
      !GetDlgItem(window, kMessageBoxText))
    return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

int StartBox(int seconds) {
  for (int waited = 0; waited <= seconds * 10; ++waited) {
    HWND box = nullptr;
    EnumWindows(FindStartBox, reinterpret_cast<LPARAM>(&box));
    if (box) {
      std::printf("%s: %s\n", WindowText(box).c_str(),
                  WindowText(GetDlgItem(box, kMessageBoxText)).c_str());
      PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      for (int i = 0; i < 50 && IsWindow(box) && IsWindowVisible(box); ++i) Sleep(100);
      return 0;
    }
    Sleep(100);
  }
  std::printf("none within %d s\n", seconds);
  return 1;
}

int Login(int argc, char** argv) {
  HWND modal = OpenModal();
  if (!modal || WindowText(modal) != "Login") {
    std::fprintf(stderr, "no Login dialog open\n");
    return 1;
  }
  if (argc == 3 && std::strcmp(argv[2], "cancel") == 0) {
    PostMessageA(modal, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return 0;
  }
  if (argc < 4) return 2;
  HWND user = GetDlgItem(modal, kUserNameEdit);
  if (IsWindowEnabled(user)) SetWindowTextA(user, argv[2]);
  SetWindowTextA(GetDlgItem(modal, kPasswordEdit), argv[3]);
  PostMessageA(modal, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  // Closed before the caller looks for what comes next.
  for (int i = 0; i < 50 && IsWindow(modal) && IsWindowVisible(modal); ++i) Sleep(100);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  auto list = [&](int index) { return argc > index ? std::atoi(argv[index]) : kDeviceList; };
  if (argc >= 3 && std::strcmp(argv[1], "rows") == 0) return Rows(std::atoi(argv[2]), list(3));
  if (argc >= 3 && std::strcmp(argv[1], "rowpos") == 0)
    return RowPosition(std::atoi(argv[2]), list(3));
  if (argc >= 3 && std::strcmp(argv[1], "ctlpos") == 0) return ControlPosition(std::atoi(argv[2]));
  if (argc >= 2 && std::strcmp(argv[1], "enabled") == 0) return Enabled();
  if (argc == 2 && std::strcmp(argv[1], "repaint") == 0) return Repaint();
  if (argc >= 2 && std::strcmp(argv[1], "count") == 0) return Count(list(2));
  if (argc == 3 && std::strcmp(argv[1], "hostaddrs") == 0)
    return HostAddressChanges(std::atoi(argv[2]));
  if (argc >= 2 && std::strcmp(argv[1], "layout") == 0) return Layout(list(2));
  if (argc == 3 && std::strcmp(argv[1], "refreshwatch") == 0)
    return RefreshWatch(std::atoi(argv[2]));
  if (argc == 3 && std::strcmp(argv[1], "startbox") == 0) return StartBox(std::atoi(argv[2]));
  if (argc == 3 && std::strcmp(argv[1], "startwatch") == 0) return StartWatch(std::atoi(argv[2]));
  if (argc == 2 && std::strcmp(argv[1], "version") == 0) return Version();
  if (argc == 4 && std::strcmp(argv[1], "select") == 0) return Select(std::atoi(argv[2]), argv[3]);
  if (argc == 3 && std::strcmp(argv[1], "items") == 0) return Items(std::atoi(argv[2]));
  if (argc == 4 && std::strcmp(argv[1], "address") == 0)
    return Address(std::atoi(argv[2]), argv[3]);
  if (argc == 3 && std::strcmp(argv[1], "click") == 0) return Click(std::atoi(argv[2]));
  if (argc == 4 && std::strcmp(argv[1], "searchat") == 0)
    return SearchAt(argv[2], std::atoi(argv[3]));
  if (argc == 3 && std::strcmp(argv[1], "next") == 0) return Next(std::atoi(argv[2]));
  if (argc >= 3 && std::strcmp(argv[1], "login") == 0) return Login(argc, argv);
  std::fprintf(
      stderr,
      "usage: tessavue-probe rows SECONDS [LIST] | rowpos ROW [LIST] | ctlpos ID | enabled |\n"
      "       layout [LIST] | version | select COMBO TEXT | address CONTROL A.B.C.D |\n"
      "       click CONTROL | next SECONDS | login USER PASSWORD | login cancel | repaint |\n"
      "       count [LIST] | hostaddrs SECONDS | refreshwatch SECONDS\n");
  return 2;
}
