// Brings about, in the program's own process, the moments of the settings
// dialog's life that input from another process always comes too late for:
// those between WM_INITDIALOG and the dialog's first appearance.
//
// A test installs EarlyMomentHook as a global WH_CALLWNDPROCRET hook with this
// DLL's module handle, so the platform loads the DLL into every process whose
// windows receive sent messages and calls the hook there after each window
// procedure. Only a process with HOTKEY_EARLY_MOMENT in its environment (the
// program started by the test) acts, once, when the settings dialog has
// answered WM_INITDIALOG and is not yet shown:
//   help    queues a help request for the Fn lock box
//   cancel  posts the dialog the Cancel button's command
//   hold    holds the thread until the dialog's timer message is due
// and writes what it did as a "moment" line to the help record.
#include <windows.h>

#include <cstdio>

#include "RecordFile.h"
#include "resources/resource.h"

namespace {

// The Fn lock check box, which only the settings dialog has.
const int kLockBoxId = IDC_LOCK_FN;
// Longest hold: a zero-delay timer is due after the system's minimum interval,
// a small fraction of this.
const DWORD kLongestHoldMs = 5000;

// A message-only window of this DLL in the program's thread; the dialog's
// message loop dispatches it what is posted to it.
const wchar_t kRelayClass[] = L"EarlyMomentRelay";
const UINT kRelayHelpRequest = WM_APP;

HINSTANCE g_module;
bool g_acted;

bool IsSettingsDialog(HWND window)
{
    wchar_t className[16] = {};
    GetClassNameW(window, className, ARRAYSIZE(className));
    return !lstrcmpW(className, L"#32770") && GetDlgItem(window, kLockBoxId);
}

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

bool PostCancel(HWND dialog)
{
    return PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                        reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL))) != FALSE;
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
    else if (!lstrcmpA(moment, "cancel"))
        done = PostCancel(dialog);
    else if (!lstrcmpA(moment, "hold"))
        done = HoldUntilTimerIsDue(dialog);

    char line[128];
    snprintf(line, sizeof(line), "moment name=%s done=%d dialogVisible=%d", moment, done ? 1 : 0,
             visible ? 1 : 0);
    Record(line);
}

}  // namespace

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
    if (reason == DLL_PROCESS_ATTACH)
        g_module = module;
    return TRUE;
}
