// Entry point: one copy per logon session, then the settings dialog.
#include <windows.h>
#include <commctrl.h>

#include "SingleInstanceGuard.h"
#include "dialog/SettingsDialog.h"
#include "resources/resource.h"

// Exit codes: 0 another copy is running (or the guard failed), 1 OK, 2 cancelled,
// -1 the dialog could not be created.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    CMultipleInstancePreventer guard;
    if (!guard.IsFirstInstance())
        return 0;

    InitCommonControls();
    return static_cast<int>(DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_SETTINGS), nullptr,
                                            SettingsDlgProc, 0));
}
