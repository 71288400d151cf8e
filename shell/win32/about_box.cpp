#include "shell/win32/about_box.h"

#include "resources/resource_ids.h"

namespace vemtora {

INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: return TRUE;  // let the dialog manager put the focus on OK
        case WM_COMMAND:
            // The dialog manager turns Escape and the close box into IDCANCEL.
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, LOWORD(wParam));
                return TRUE;
            }
            break;
        default: break;
    }
    return FALSE;
}

INT_PTR showAboutBox(HINSTANCE instance, HWND owner) {
    return DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_ABOUTBOX), owner, aboutDialogProc, 0);
}

}  // namespace vemtora
