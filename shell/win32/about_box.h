// The modal About box (dialog resource 103).
#pragma once

#include <windows.h>

namespace vemtora {

INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Blocks until the box is closed; the owner is disabled meanwhile, its timers keep running.
// Returns IDOK or IDCANCEL as the box was closed.
INT_PTR showAboutBox(HINSTANCE instance, HWND owner);

}  // namespace vemtora
