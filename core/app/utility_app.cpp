#include "utility_app.h"

namespace tessavue {

UtilityApp::UtilityApp(DatagramNetwork& network, Clock& clock, NetworkConnections& connections,
                       Shell& shell, SystemInfo& system, NameResolver& resolver)
    : protocol(network, clock),
      drives(connections),
      connections_(connections),
      shell_(shell),
      system_(system),
      resolver_(resolver) {}

bool UtilityApp::InitInstance(AppPlatform& platform, int& exitCode) {
  exitCode = 0;
  platform.EnableControlContainer();
  if (!protocol.InitTransport()) {
    exitCode = 1;
    return false;
  }
  platform.Enable3dControls();
  platform.SetDialogColors(kDialogBackground, kDialogText);
  platform.RunMainDialog(*this);
  // The dialog has ended; no message loop follows.
  return false;
}

}  // namespace tessavue
