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

int UtilityApp::Run(AppPlatform& platform) {
  platform.RegisterControlClasses();
  if (!protocol.InitTransport()) return 1;
  platform.SetDialogColors(kDialogBackground, kDialogText);
  platform.RunMainDialog(*this);
  // The dialog has ended; no message loop follows.
  return 0;
}

}  // namespace tessavue
