// The settings dialog: four check boxes, OK and Cancel.
#pragma once

#include <windows.h>

INT_PTR CALLBACK SettingsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
