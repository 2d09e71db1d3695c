// The Windows side of the application's start: the common control classes,
// the dialogs' colours and the modal run of the main window.
#pragma once

#include "utility_app.h"
#include "win32_dialogs.h"

namespace tessavue::win32 {

class Win32AppPlatform : public AppPlatform {
 public:
  explicit Win32AppPlatform(HINSTANCE instance) : instance_(instance) {}

  void RegisterControlClasses() override;
  void SetDialogColors(unsigned background, unsigned text) override;
  void RunMainDialog(UtilityApp& app) override;

  const DialogLook& look() const { return look_; }

 private:
  HINSTANCE instance_;
  DialogLook look_;
};

}  // namespace tessavue::win32
