// Tells the running hotkey manager that new settings are in the registry.
#pragma once

#include <windows.h>

// Window class, title and message by which the hotkey manager is reached.
const wchar_t kHotkeyManagerClass[] = L"HotKey";
const wchar_t kHotkeyManagerTitle[] = L"Quillmere HotKey Manager";
const UINT kSettingsChangedMessage = WM_APP + 0xCC;  // 0x80CC

// Longest wait for the manager to handle the message, so that a hung manager
// cannot keep the dialog from closing.
const UINT kManagerReplyTimeoutMs = 5000;

// Sends the message once if the manager's window exists; nothing otherwise.
void NotifyHotkeyManager();
