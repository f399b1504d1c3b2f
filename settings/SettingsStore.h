// Registry store of the options: the user's values over machine-wide defaults.
#pragma once

#include <windows.h>

#include "HotkeySettings.h"

// Reads one REG_DWORD value of the settings key under root. Returns false,
// leaving *value untouched, when the key or value is missing, the value is not
// a REG_DWORD or holds fewer than 4 bytes.
bool ReadDwordSetting(HKEY root, const wchar_t* name, DWORD* value);

// Writes one REG_DWORD value of the settings key under HKEY_CURRENT_USER.
bool WriteDwordSetting(const wchar_t* name, DWORD value);

// Each value from the user's key, else from the machine key, else off. The lock
// companions are read only when the lock is on.
HotkeySettings LoadSettings();

// Writes all four values (as 1 or 0) to the user's key, then tells the hotkey
// manager. Every write is attempted, and the manager is told in any case.
// Returns false if any write failed.
bool SaveSettings(const HotkeySettings& settings);
