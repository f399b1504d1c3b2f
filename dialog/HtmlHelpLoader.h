// Finds the HTML Help control at run time and forwards calls to its wide entry.
#pragma once

#include <windows.h>
#include <htmlhelp.h>

// The program's HtmlHelpW (declared by <htmlhelp.h>): loads the control on the
// first call and keeps it loaded. Returns 0 without calling anything when the
// control or its entry cannot be found; once that has happened, no further
// attempt is made during the run.
//   HWND WINAPI HtmlHelpW(HWND caller, LPCWSTR file, UINT command, DWORD_PTR data);
