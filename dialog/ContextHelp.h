// Context help of the settings dialog: HTML Help text popups for the check boxes.
#pragma once

#include <windows.h>

// The help engine is started once the dialog has been shown and painted, so
// that loading the HTML Help control does not hold up the dialog's appearance:
// WM_INITDIALOG arms a timer, and WM_TIMER starts the engine once the dialog is
// on screen with nothing left to paint. A help request that comes first starts
// it at once.
void StartHelpEngineWhenShown(HWND dialog);
// Answers the timer armed above; false for another timer.
bool OnHelpEngineTimer(HWND dialog, UINT_PTR timerId);

// Uninitialises the engine, if it was started, as the dialog closes.
void CloseHelpEngine(HWND dialog);

// Answers WM_HELP: the help string of the check box under the request, in a
// popup just below the mouse pointer. Other controls have no help.
void ShowControlHelp(HWND dialog, const HELPINFO* request);
