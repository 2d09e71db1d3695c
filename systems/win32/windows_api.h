// <windows.h> for the platform layer. The ANSI forms of the functions are
// called by name (MessageBoxA, GetDriveTypeA, ...); the generic macros that
// would rename members of the platform interfaces are dropped.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <commctrl.h>
#include <winnetwk.h>
#include <wincred.h>

#undef MessageBox
#undef GetDriveType
#undef GetUserName
