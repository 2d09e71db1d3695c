// tessavue-probe.exe: looks at a running tessavue.exe from outside it, as a
// test needs to. Run under the same Wine prefix and display.
//
//   tessavue-probe rows SECONDS    prints the device list's rows (control
//                                  1000), one per line, columns split by tabs,
//                                  once the window has at least one row
//   tessavue-probe rowpos ROW      prints the screen point "x y" at the middle
//                                  of that row
//   tessavue-probe ctlpos ID       the same for the middle of control ID
//   tessavue-probe enabled         prints 1 when the main window takes input,
//                                  0 while it is disabled (during a wait)
//
// A list view's messages carry pointers that are not carried between
// processes, so the item structure and its text live in the other process.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

HWND FindDeviceList() {
  HWND dialog = FindWindowA(nullptr, "Quillon Tessavue");
  return dialog ? GetDlgItem(dialog, 1000) : nullptr;
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
    return offset + length <= size_ && WriteProcessMemory(process_, at(offset), data, length, nullptr);
  }
  bool Read(SIZE_T offset, void* data, SIZE_T length) {
    return offset + length <= size_ && ReadProcessMemory(process_, at(offset), data, length, nullptr);
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

int Rows(int seconds) {
  for (int waited = 0; waited <= seconds * 10; ++waited) {
    HWND list = FindDeviceList();
    int rows = list ? static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)) : 0;
    if (rows > 0) {
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

int RowPosition(int row) {
  HWND list = FindDeviceList();
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
  HWND dialog = FindWindowA(nullptr, "Quillon Tessavue");
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
  HWND dialog = FindWindowA(nullptr, "Quillon Tessavue");
  if (!dialog) return 1;
  std::printf("%d\n", IsWindowEnabled(dialog) ? 1 : 0);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "rows") == 0) return Rows(std::atoi(argv[2]));
  if (argc >= 3 && std::strcmp(argv[1], "rowpos") == 0) return RowPosition(std::atoi(argv[2]));
  if (argc >= 3 && std::strcmp(argv[1], "ctlpos") == 0) return ControlPosition(std::atoi(argv[2]));
  if (argc >= 2 && std::strcmp(argv[1], "enabled") == 0) return Enabled();
  std::fprintf(stderr, "usage: tessavue-probe rows SECONDS | rowpos ROW | ctlpos ID | enabled\n");
  return 2;
}
