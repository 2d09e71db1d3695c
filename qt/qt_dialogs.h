// The program's window and its two small dialogs in Qt Widgets, laid out
// from the same dialog templates as the Windows program (positions in dialog
// units, scaled by the dialog font), and the start-up glue for UtilityApp.
#pragma once

#include <QDialog>
#include <QFont>
#include <QRect>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "main_dialog.h"
#include "utility_app.h"
#include "controls.h"
#include "qt_controls.h"

class QGroupBox;
class QTimer;
class QLabel;

namespace tessavue {

// Dialog units of a font: a horizontal unit is a quarter of the font's
// average character width, a vertical unit an eighth of its height.
struct DialogUnits {
  explicit DialogUnits(const QFont& font);
  QRect Rect(int x, int y, int width, int height) const;
  int baseX;
  int baseY;
};

// The dialog font: "Arial" at `points` (Liberation Sans where Arial itself
// is not installed).
QFont DialogFont(int points);

// Background and text colour of every dialog (0x00BBGGRR), set once at start.
void SetDialogColors(unsigned background, unsigned text);
// Paints `dialog` in those colours; its controls (buttons, lists, fields)
// keep the system's own look, as on Windows.
void ApplyDialogColors(QWidget* dialog);

// The About box (template 100).
class QtAboutBox : public QDialog {
 public:
  explicit QtAboutBox(QWidget* parent);
};

// The "Login" dialog (template 134) over the logic's LoginDialog.
class QtLoginWindow : public QDialog {
 public:
  QtLoginWindow(LoginDialogLogic& logic, QWidget* parent);
  // Ends with "OK" (1) or "Cancel" (2); Escape and the close box cancel.
  void done(int result) override;

 private:
  // The controls, each named (objectName) as here.
  QtEditControl* userNameEdit;
  QtEditControl* passwordEdit;
  QtCheckBox* rememberBox;
  QtButton* okButton;
  QtButton* cancelButton;
  LoginDialogLogic& logic_;
  bool ended_ = false;
};

// The "Search at address" dialog (template 136) over the logic's
// SearchAddressDialog: one address field, "OK" and "Cancel".
class QtSearchAddressWindow : public QDialog {
 public:
  QtSearchAddressWindow(AddressPrompts& logic, QWidget* parent);
  // "OK" closes it only when the logic takes the address; "Cancel", Escape
  // and the close box cancel.
  void done(int result) override;

 private:
  // The controls, each named (objectName) as here.
  QtIpAddressEdit* addressField;
  // "/NN": empty for one address.
  QtEditControl* prefixField;
  QtButton* okButton;
  QtButton* cancelButton;
  AddressPrompts& logic_;
  bool ended_ = false;
};

// Start-up for UtilityApp: the dialog colours and the main window's run.
class QtAppPlatform : public AppPlatform {
 public:
  void SetDialogColors(unsigned background, unsigned text) override;
  void RunMainDialog(UtilityApp& app) override;
};

// The main window (template 102): the controls, the dispatch of their
// notifications to MainDialog, and the dialog host it asks for message
// boxes, the two small dialogs and the About entry.
class QtMainWindow : public QDialog, public DialogHost, public WaitHook, public TimeService {
 public:
  explicit QtMainWindow(UtilityApp& app, QWidget* parent = nullptr);
  ~QtMainWindow() override;

  // OnInitDialog, then the modal run until the window ends; the first search
  // runs once the window has been painted (OnWindowShown).
  int Run();
  // OnInitDialog alone, for a window shown without a modal run (its first
  // paint starts the first search all the same).
  void InitDialog();

  MainDialog& logic() { return *logic_; }

  // DialogHost
  void MessageBox(const std::string& text, const std::string& caption, MessageIcon icon) override;
  int RunLoginDialog(LoginDialogLogic& dialog) override;
  void RunAboutDialog() override;
  bool AddSystemMenuAbout(const std::string& text) override;
  bool AddSystemMenuEntry(const std::string& text, unsigned commandId) override;
  int RunSearchAtAddressDialog(AddressPrompts& dialog) override;
  void DestroyWindow() override;
  bool SelectionKeyHeld() const override;
  WaitHook& Waits() override { return *this; }
  TimeService& Time() override { return *this; }

  // TimeService: one QTimer for each of the logic's timers; a wait's
  // KeepAlive runs them too.
  void StartTimer(int timerId, int milliseconds, bool repeating, TimerHandler& handler) override;
  void StopTimer(int timerId) override;

  // WaitHook: during a wait the application's cursor is the wait cursor, the
  // events of the window system are handled without user input, and input
  // meant for this window (mouse, keys, close) is thrown away, also what the
  // window system held back until the wait's end.
  void WaitBegins() override;
  void KeepAlive() override;
  void WaitEnds() override;
  bool Waiting() const;

  // Ends the window: OnDestroy runs once, whatever ended it.
  void done(int result) override;

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  // Runs a window-menu command as the menu does.
  void SystemCommand(unsigned commandId);
  void CreateControls(const DialogUnits& du);
  void NameControls();
  void ConnectHandlers();
  void Repaint();

  // The controls, by their Windows names; each is named (objectName) so.
  QtListView* deviceList;
  QtButton* refreshButton;
  QtButton* configurationButton;
  QtIpAddressEdit* ipAddress;
  QtIpAddressEdit* netmaskAddress;
  QtIpAddressEdit* gatewayAddress;
  QtButton* applyButton;
  QtListView* shareList;
  QtButton* connectButton;
  QtButton* disconnectButton;
  QtButton* exitButton;
  QtComboBox* driveCombo;
  QtComboBox* dhcpCombo;
  QtButton* aboutButton;

  UtilityApp& app_;
  std::unique_ptr<MainDialog> logic_;
  std::map<int, QTimer*> timers_;
  // Starts the first search: at once after the first paint, or a second
  // after the modal run begins when no paint comes.
  QTimer* firstSearchTimer_ = nullptr;
  QString aboutMenuText_;
  std::vector<std::pair<QString, unsigned>> menuEntries_;
  bool destroyed_ = false;
  bool initialised_ = false;
  bool searchQueued_ = false;
  int waitDepth_ = 0;
};

}  // namespace tessavue
