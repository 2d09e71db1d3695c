// Screen reader names of the dialogs' fields and drop-down lists: their
// labels. Windows' accessibility layer finds a control's label itself (the
// static text just before it); one that does not (Wine's reads a field's
// address and a list's chosen item) is given the label through WM_GETOBJECT.
#pragma once

#include "windows_api.h"

namespace tessavue::win32 {

// Every edit, drop-down list and IP address field of `dialog` whose previous
// sibling is a static text answers the accessibility layer with that text as
// its name; everything else of its accessible object is the system's own.
// Without oleacc.dll (Windows 95 before Active Accessibility) nothing changes.
void NameFieldsByLabels(HWND dialog);

}  // namespace tessavue::win32
