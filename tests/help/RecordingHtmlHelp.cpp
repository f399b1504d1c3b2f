// Stand-in for the HTML Help control. Wine's own control does not show text
// popups, so the tests register this DLL in its place: it records every call of
// its wide entry (exported by ordinal 15 only) and its loading, one line each,
// to the file named by HOTKEY_HELP_RECORD in the loading process's environment.
// Built twice more without the entry: as a control that lacks it, and as one
// that records its loading and then refuses to load.
//
// It also brings about, in the program's own process, the moments of the
// settings dialog's life that input from another process always comes too late
// for: those between WM_INITDIALOG and the dialog's first appearance. A test
// installs EarlyMomentHook as a global WH_CALLWNDPROCRET hook with this DLL's
// module handle, so the platform loads the DLL into every process whose
// windows receive sent messages and calls the hook after each window
// procedure. Only a process with HOTKEY_EARLY_MOMENT in its environment (the
// program started by the test) acts, once, when the settings dialog has
// answered WM_INITDIALOG and is not yet shown:
//   help    queues a help request for the Fn lock box
//   cancel  posts the dialog the Cancel button's command
//   hold    holds the thread until the dialog's timer message is due
// and records what it did as a "moment" line.
#include <windows.h>
#include <htmlhelp.h>

#include <cstdio>

#include "resources/resource.h"

namespace {

// One line of the record.
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

// The cookie handed out at initialisation, to be handed back when closing.
const DWORD kCookie = 0x5EED1234;

// The Fn lock check box, which only the settings dialog has.
const int kLockBoxId = IDC_LOCK_FN;

bool IsSettingsDialog(HWND window)
{
    wchar_t className[16] = {};
    GetClassNameW(window, className, ARRAYSIZE(className));
    return !lstrcmpW(className, L"#32770") && GetDlgItem(window, kLockBoxId);
}

// The settings dialog of this process.
BOOL CALLBACK FindOwnDialog(HWND window, LPARAM found)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId != GetCurrentProcessId() || !IsSettingsDialog(window))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

BOOL CALLBACK NeedsPainting(HWND window, LPARAM pending)
{
    *reinterpret_cast<bool*>(pending) |= GetUpdateRect(window, nullptr, FALSE) != FALSE;
    return TRUE;
}

// Whether the dialog is on screen, and painted: neither it nor a control of
// it has a pending update region.
void DescribeDialog(char* out, size_t size)
{
    HWND dialog = nullptr;
    EnumWindows(FindOwnDialog, reinterpret_cast<LPARAM>(&dialog));
    bool pending = false;
    if (dialog)
        NeedsPainting(dialog, reinterpret_cast<LPARAM>(&pending));
    EnumChildWindows(dialog, NeedsPainting, reinterpret_cast<LPARAM>(&pending));
    snprintf(out, size, dialog ? " dialogVisible=%d dialogPainted=%d" : " dialog=none",
             IsWindowVisible(dialog) ? 1 : 0, pending ? 0 : 1);
}

void ToUtf8(LPCWSTR text, char (&out)[512])
{
    out[0] = '\0';
    if (text)
        WideCharToMultiByte(CP_UTF8, 0, text, -1, out, sizeof(out), nullptr, nullptr);
}


// Longest hold: a zero-delay timer is due after the system's minimum interval,
// a small fraction of this.
const DWORD kLongestHoldMs = 5000;

// A message-only window of this DLL in the program's thread; the dialog's
// message loop dispatches it what is posted to it.
const wchar_t kRelayClass[] = L"EarlyMomentRelay";
const UINT kRelayHelpRequest = WM_APP;

HINSTANCE g_module;
bool g_acted;

// Sends the dialog in lParam the help request that F1 on the lock box makes,
// with the mouse pointer at (100, 100), then goes.
LRESULT CALLBACK RelayProc(HWND relay, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != kRelayHelpRequest)
        return DefWindowProcW(relay, message, wParam, lParam);
    const HWND dialog = reinterpret_cast<HWND>(lParam);
    HELPINFO request = {};
    request.cbSize = sizeof(request);
    request.iContextType = HELPINFO_WINDOW;
    request.iCtrlId = kLockBoxId;
    request.hItemHandle = GetDlgItem(dialog, kLockBoxId);
    request.MousePos = {100, 100};
    SendMessageW(dialog, WM_HELP, 0, reinterpret_cast<LPARAM>(&request));
    DestroyWindow(relay);
    return 0;
}

// WM_HELP carries a pointer, so it cannot be posted; the request waits in the
// queue as a message to the relay, which sends it when it is dispatched, as
// F1 in the queue is turned into WM_HELP.
bool QueueHelpRequest(HWND dialog)
{
    WNDCLASSW relayClass = {};
    relayClass.lpfnWndProc = RelayProc;
    relayClass.hInstance = g_module;
    relayClass.lpszClassName = kRelayClass;
    RegisterClassW(&relayClass);
    const HWND relay = CreateWindowExW(0, kRelayClass, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                       g_module, nullptr);
    return relay && PostMessageW(relay, kRelayHelpRequest, 0, reinterpret_cast<LPARAM>(dialog));
}

// Waits until a timer message for the dialog can be retrieved, leaving it in
// the queue; false when none was due within the longest hold.
bool HoldUntilTimerIsDue(HWND dialog)
{
    const ULONGLONG deadline = GetTickCount64() + kLongestHoldMs;
    MSG message;
    while (!PeekMessageW(&message, dialog, WM_TIMER, WM_TIMER, PM_NOREMOVE | PM_NOYIELD)) {
        if (GetTickCount64() >= deadline)
            return false;
        Sleep(1);
    }
    return true;
}

void BringAboutMoment(HWND dialog)
{
    char moment[16];
    const DWORD length = GetEnvironmentVariableA("HOTKEY_EARLY_MOMENT", moment, sizeof(moment));
    if (length == 0 || length >= sizeof(moment) || !IsSettingsDialog(dialog))
        return;
    g_acted = true;

    // Seen before acting: whether the dialog was still hidden at this moment.
    const bool visible = IsWindowVisible(dialog) != FALSE;
    bool done = false;
    if (!lstrcmpA(moment, "help"))
        done = QueueHelpRequest(dialog);
    else if (!lstrcmpA(moment, "cancel"))  // the Cancel button's command
        done = PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                            reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
    else if (!lstrcmpA(moment, "hold"))
        done = HoldUntilTimerIsDue(dialog);

    char line[128];
    snprintf(line, sizeof(line), "moment name=%s done=%d dialogVisible=%d", moment, done ? 1 : 0, visible ? 1 : 0);
    Record(line);
}

}  // namespace

#if RECORDER_HAS_ENTRY
extern "C" HWND WINAPI RecordingHtmlHelpW(HWND caller, LPCWSTR file, UINT command, DWORD_PTR data)
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

extern "C" LRESULT CALLBACK EarlyMomentHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && !g_acted) {
        const CWPRETSTRUCT* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        if (call->message == WM_INITDIALOG)
            BringAboutMoment(call->hwnd);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, void*)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = module;
        Record("load");
    }
    return !RECORDER_REFUSES_TO_LOAD;
}
