// Runs tessavue.exe's main window for a test as the program runs it (a modal
// dialog with no owner) and answers the dialogs and message boxes it opens,
// as a user would: from outside the program's code, through the windows.
//
// ModalRun: the main window's modal run goes on a fiber of its own; Start
// returns once the window is up and its first search is over, and the test
// then works the window on the same thread, between the modal loop's
// messages. Finish lets the modal loop end.
//
// DialogDriver: thread hooks that see every dialog this thread creates. A
// message box is read (caption, text, icon) and answered "OK"; the "Login",
// About and "Search at address" dialogs are handed to the test's answer
// each time they are in front (when made, and again after a message box of
// theirs is answered).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "win32_dialogs.h"

namespace tessavue::win32 {

// What a test does with each of the program's small dialogs.
struct DialogAnswers {
  std::function<void(HWND)> login;
  std::function<void(HWND)> about;
  std::function<void(HWND)> searchAddress;
  // The main window as it first comes on screen (nothing may be sent to it
  // from here: it is in the middle of showing itself).
  std::function<void(HWND)> mainShown;
};

// A message box as it was on screen.
struct ShownMessageBox {
  std::string text;
  std::string caption;
  MessageIcon icon;
};

class DialogDriver {
 public:
  DialogDriver();
  ~DialogDriver();
  DialogDriver(const DialogDriver&) = delete;
  DialogDriver& operator=(const DialogDriver&) = delete;

  DialogAnswers answers;
  // Every message box answered, in order.
  std::vector<ShownMessageBox> messageBoxes;

 private:
  static LRESULT CALLBACK AfterWindowProc(int code, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK OnGetMessage(int code, WPARAM wParam, LPARAM lParam);
  void Answer(HWND dialog);
  void AnswerMessageBox(HWND box);

  HHOOK afterWindowProc_ = nullptr;
  HHOOK getMessage_ = nullptr;
  bool mainShown_ = false;
};

class ModalRun {
 public:
  ModalRun() = default;
  ~ModalRun() { Finish(); }
  ModalRun(const ModalRun&) = delete;
  ModalRun& operator=(const ModalRun&) = delete;

  // The window's modal run, until it is up, idle and its first search is
  // over; its handle, or nullptr when the dialog could not be made.
  HWND Start(MainWindow& window);
  // Lets the modal loop run to its end, the dialog ended first if the test
  // has not ended it; the run's result.
  INT_PTR Finish();

 private:
  static void CALLBACK RunOnFiber(void* self);
  static void CALLBACK WhenIdle(HWND, UINT, UINT_PTR timer, DWORD);

  MainWindow* window_ = nullptr;
  HWND dialog_ = nullptr;
  void* caller_ = nullptr;
  void* fiber_ = nullptr;
  bool finished_ = false;
  INT_PTR result_ = 0;
};

}  // namespace tessavue::win32
