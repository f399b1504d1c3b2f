// The record that the help tests read: one line per event, appended to the
// file named by HOTKEY_HELP_RECORD in the environment of the process that
// writes it. Shared by the DLLs that the platform loads into the program.
#pragma once

#include <windows.h>

namespace {

void Record(const char* line)
{
    char path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("HOTKEY_HELP_RECORD", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    const HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written;
    WriteFile(file, line, lstrlenA(line), &written, nullptr);
    WriteFile(file, "\n", 1, &written, nullptr);
    CloseHandle(file);
}

}  // namespace
