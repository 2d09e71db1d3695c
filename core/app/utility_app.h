// The application object: owns the protocol and the drive map, and starts the
// program in its fixed order.
#pragma once

#include "main_dialog.h"
#include "drive_table.h"
#include "network.h"
#include "system.h"
#include "protocol.h"

namespace tessavue {

class UtilityApp;

// What a front end does at start: its window system's preparations and the
// modal run of the main dialog (which constructs a MainDialog over its own
// controls and calls its handlers).
class AppPlatform {
 public:
  virtual ~AppPlatform() = default;
  // Registers the window classes of the controls the dialogs hold, before
  // the first dialog is made (nothing where the toolkit needs no such step).
  virtual void RegisterControlClasses() {}
  // Background and text colour of every dialog, as 0x00BBGGRR.
  virtual void SetDialogColors(unsigned background, unsigned text) = 0;
  // Creates the main dialog, runs it until it ends and destroys it.
  virtual void RunMainDialog(UtilityApp& app) = 0;
};

class UtilityApp {
 public:
  UtilityApp(DatagramNetwork& network, Clock& clock, NetworkConnections& connections, Shell& shell,
             SystemInfo& system, NameResolver& resolver);

  // The program's run: transport, colours, the main dialog's modal run until
  // it ends. The process's exit code: 1 when the socket layer could not be
  // started, else 0.
  int Run(AppPlatform& platform);

  SystemServices services() {
    return SystemServices{connections_, shell_, system_, resolver_, targetStore_};
  }
  // The search targets entered in the window are remembered in `store`
  // (by default they last for the run).
  void RememberTargetsIn(TargetStore& store) { targetStore_ = &store; }

  DeviceProtocol protocol;
  DriveLetterTable drives;

 private:
  NetworkConnections& connections_;
  Shell& shell_;
  SystemInfo& system_;
  NameResolver& resolver_;
  TargetStore* targetStore_ = nullptr;
};

}  // namespace tessavue
