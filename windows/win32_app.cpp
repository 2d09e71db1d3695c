#include "win32_app.h"

namespace tessavue::win32 {

void Win32AppPlatform::RegisterControlClasses() {
  // The dialogs host list views and IP address fields from the common controls.
  InitCommonControlClasses();
}

void Win32AppPlatform::SetDialogColors(unsigned background, unsigned text) {
  look_.SetColors(background, text);
}

void Win32AppPlatform::RunMainDialog(UtilityApp& app) {
  MainWindow window(instance_, app.protocol, app.drives, app.services(), look_);
  window.RunModal();
}

}  // namespace tessavue::win32
