// Context help of the settings dialog: HTML Help text popups for the check boxes.
#pragma once

#include <windows.h>

// Brackets the dialog's life: initialise when it opens, uninitialise when it closes.
void InitHelpEngine();
void CloseHelpEngine();

// Answers WM_HELP: the help string of the check box under the request, in a
// popup just below the mouse pointer. Other controls have no help.
void ShowControlHelp(HWND dialog, const HELPINFO* request);
