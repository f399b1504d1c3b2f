#include "HtmlHelpLoader.h"

#include <type_traits>

namespace {

// The entry's type comes from the platform's own declaration of HtmlHelpW, so
// a mismatch in parameters or calling convention cannot compile.
using HtmlHelpEntry = decltype(&HtmlHelpW);
static_assert(std::is_same<HtmlHelpEntry, HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR)>::value,
              "HtmlHelpW has the platform's signature");
#if defined(__i386__) || defined(_M_IX86)
static_assert(!std::is_same<HtmlHelpEntry, HWND(__cdecl*)(HWND, LPCWSTR, UINT, DWORD_PTR)>::value,
              "on x86 the entry is stdcall");
#endif

const char kRegisteredLocationKey[] =
    "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";
const char kControlFileName[] = "hhctrl.ocx";
const WORD kHtmlHelpWOrdinal = 15;

HMODULE g_control;
bool g_loadFailed;
HtmlHelpEntry g_entry;

// The location under which the control is registered, expanded; false when
// there is none or it does not fit the path unshortened. A string may be
// stored without its terminator: the one after the bytes read is set here.
bool LookUpRegisteredLocation(char (&path)[MAX_PATH])
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, kRegisteredLocationKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;

    char value[MAX_PATH];
    DWORD size = sizeof(value);
    DWORD type = REG_NONE;
    const LONG status =
        RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    // The value is the bytes returned and nothing after them; one that fills
    // the buffer without its terminator was longer than a path.
    if (size < sizeof(value))
        value[size] = '\0';
    else if (value[sizeof(value) - 1] != '\0')
        return false;

    if (type == REG_EXPAND_SZ) {
        // The ANSI version needs room for one byte more than the result and
        // its terminator; what it returns may count that byte or not.
        char expanded[MAX_PATH + 1];
        const DWORD length = ExpandEnvironmentStringsA(value, expanded, ARRAYSIZE(expanded));
        if (length == 0 || length > ARRAYSIZE(expanded) || lstrlenA(expanded) >= MAX_PATH)
            return false;
        lstrcpyA(path, expanded);
        return true;
    }
    if (lstrlenA(value) >= MAX_PATH)
        return false;
    lstrcpyA(path, value);
    return true;
}

// Whether a location names one file wherever the program runs: a path from a
// drive's root ("C:\\...") or a UNC or device path ("\\\\server\\..."). Any other
// ("hhctrl.ocx", "sub\\hhctrl.ocx", "\\hhctrl.ocx", "C:hhctrl.ocx") depends on
// the library search path or the current directory.
bool IsAbsolutePath(const char* path)
{
    const auto separator = [](char c) { return c == '\\' || c == '/'; };
    const char letter = static_cast<char>(path[0] | 0x20);
    if (letter >= 'a' && letter <= 'z' && path[1] == ':')
        return separator(path[2]);
    return separator(path[0]) && separator(path[1]);
}

// A file name without any folder, drive or stream part ("hhctrl.ocx").
bool IsBareFileName(const char* path)
{
    for (const char* c = path; *c; ++c)
        if (*c == '\\' || *c == '/' || *c == ':')
            return false;
    return *path != '\0';
}

// A file in the Windows system directory, by full path: by a bare name the
// library search would look in the program's and the current directory first.
HMODULE LoadFromSystemDirectory(const char* name)
{
    char path[MAX_PATH];
    const UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length + 1 + static_cast<UINT>(lstrlenA(name)) >= MAX_PATH)
        return nullptr;
    path[length] = '\\';
    lstrcpyA(path + length + 1, name);
    return LoadLibraryA(path);
}

bool LoadEntry()
{
    if (!g_control && !g_loadFailed) {
        char path[MAX_PATH];
        // A relative location other than a bare name (..\..\x.ocx) could
        // lead anywhere from the system directory: it is not taken.
        if (LookUpRegisteredLocation(path)) {
            if (IsAbsolutePath(path))
                g_control = LoadLibraryA(path);
            else if (IsBareFileName(path))
                g_control = LoadFromSystemDirectory(path);
        }
        if (!g_control)
            g_control = LoadFromSystemDirectory(kControlFileName);
        if (!g_control)
            g_loadFailed = true;
    }
    if (g_control && !g_entry && !g_loadFailed) {
        g_entry = reinterpret_cast<HtmlHelpEntry>(
            reinterpret_cast<void*>(GetProcAddress(g_control, MAKEINTRESOURCEA(kHtmlHelpWOrdinal))));
        if (!g_entry)
            g_loadFailed = true;
    }
    return g_entry != nullptr;
}

}  // namespace

HWND WINAPI HtmlHelpW(HWND caller, LPCWSTR file, UINT command, DWORD_PTR data)
{
    if (!LoadEntry())
        return nullptr;
    return g_entry(caller, file, command, data);
}
