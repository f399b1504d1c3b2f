// Stand-in for the HTML Help control. Wine's own control does not show text
// popups, so the tests register this DLL in its place: it records every call of
// its wide entry (exported by ordinal 15 only) and its loading, one line each,
// to the file named by HOTKEY_HELP_RECORD in the loading process's environment.
// Built a second time without the entry, as a control that lacks it.
#include <windows.h>
#include <htmlhelp.h>

#include <cstdio>

#include "RecordFile.h"

namespace {

// The cookie handed out at initialisation, to be handed back when closing.
const DWORD kCookie = 0x5EED1234;

// The settings dialog of this process: a top-level window of the dialog class.
BOOL CALLBACK FindOwnDialog(HWND window, LPARAM found)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    wchar_t className[16] = {};
    GetClassNameW(window, className, ARRAYSIZE(className));
    if (processId != GetCurrentProcessId() || lstrcmpW(className, L"#32770"))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

BOOL CALLBACK NeedsPainting(HWND window, LPARAM pending)
{
    if (GetUpdateRect(window, nullptr, FALSE))
        *reinterpret_cast<bool*>(pending) = true;
    return TRUE;
}

// Whether the dialog is on screen, and painted: neither it nor a control of
// it has a pending update region.
void DescribeDialog(char* out, size_t size)
{
    HWND dialog = nullptr;
    EnumWindows(FindOwnDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog) {
        snprintf(out, size, " dialog=none");
        return;
    }
    bool pending = GetUpdateRect(dialog, nullptr, FALSE) != FALSE;
    EnumChildWindows(dialog, NeedsPainting, reinterpret_cast<LPARAM>(&pending));
    snprintf(out, size, " dialogVisible=%d dialogPainted=%d", IsWindowVisible(dialog) ? 1 : 0, pending ? 0 : 1);
}

void ToUtf8(LPCWSTR text, char (&out)[512])
{
    out[0] = '\0';
    if (text)
        WideCharToMultiByte(CP_UTF8, 0, text, -1, out, sizeof(out), nullptr, nullptr);
}

}  // namespace

#if RECORDER_HAS_ENTRY
extern "C" HWND WINAPI RecordingHtmlHelpW(HWND caller, LPCWSTR file,
                                                                 UINT command, DWORD_PTR data)
{
    char line[4096];
    char fileName[512];
    ToUtf8(file, fileName);
    const int prefix = snprintf(line, sizeof(line), "call command=%u caller=%llx file=%s", command,
                                static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(caller)),
                                file ? fileName : "(null)");
    if (command == HH_INITIALIZE && data) {
        *reinterpret_cast<DWORD*>(data) = kCookie;
        const int cookie = snprintf(line + prefix, sizeof(line) - prefix, " cookie=%lx",
                                    static_cast<unsigned long>(kCookie));
        DescribeDialog(line + prefix + cookie, sizeof(line) - prefix - cookie);
    } else if (command == HH_UNINITIALIZE) {
        snprintf(line + prefix, sizeof(line) - prefix, " cookie=%llx", static_cast<unsigned long long>(data));
    } else if (command == HH_DISPLAY_TEXT_POPUP && data) {
        const HH_POPUP* popup = reinterpret_cast<const HH_POPUP*>(data);
        char text[512];
        char font[512];
        ToUtf8(popup->pszText, text);
        ToUtf8(popup->pszFont, font);
        // The text the popup shows: the string of the module in the user's language,
        // as UTF-16 code units in hexadecimal (it may hold blanks and line feeds).
        char shown[1024] = "";
        const wchar_t* resource = nullptr;
        const int length = popup->hinst ? LoadStringW(popup->hinst, popup->idString,
                                                      reinterpret_cast<LPWSTR>(&resource), 0) : 0;
        for (int i = 0; i < length && i < 250; ++i)
            snprintf(shown + 4 * i, 5, "%04x", resource[i]);
        snprintf(line + prefix, sizeof(line) - prefix,
                 " cbStruct=%d hinstIsExe=%d idString=%u x=%ld y=%ld fg=%lx bg=%lx"
                 " margins=%ld,%ld,%ld,%ld text=%s font=%s shown=%s",
                 popup->cbStruct, popup->hinst == GetModuleHandleW(nullptr), popup->idString,
                 popup->pt.x, popup->pt.y, popup->clrForeground, popup->clrBackground,
                 popup->rcMargins.left, popup->rcMargins.top, popup->rcMargins.right,
                 popup->rcMargins.bottom, text, font, shown);
    }
    Record(line);
    return nullptr;
}
#else
extern "C" int WINAPI SomethingElse() { return 0; }
#endif

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*)
{
    if (reason == DLL_PROCESS_ATTACH)
        Record("load");
    return TRUE;
}
