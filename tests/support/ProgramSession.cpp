#include "ProgramSession.h"

#include <vector>

#include <gtest/gtest.h>

#include "Product.h"

namespace test {

std::wstring PathBesideTests(const wchar_t* fileName)
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring result(path, length);
    result.resize(result.find_last_of(L"\\/") + 1);
    return result + fileName;
}

std::wstring ProgramPath()
{
    return PathBesideTests(kI686Lane ? L"product\\HotkeySettings.exe" : L"HotkeySettings.exe");
}

std::wstring EnvironmentWith(const std::vector<std::pair<std::wstring, std::wstring>>& variables)
{
    std::wstring block;
    wchar_t* current = GetEnvironmentStringsW();
    for (const wchar_t* entry = current; *entry; entry += lstrlenW(entry) + 1) {
        const std::wstring text(entry);
        bool replaced = false;
        for (const auto& variable : variables)
            replaced |= text.size() > variable.first.size() && text[variable.first.size()] == L'=' &&
                        CompareStringOrdinal(text.c_str(), static_cast<int>(variable.first.size()),
                                             variable.first.c_str(), -1, TRUE) == CSTR_EQUAL;
        if (!replaced)
            block += text + L'\0';
    }
    FreeEnvironmentStringsW(current);
    for (const auto& variable : variables)
        block += variable.first + L'=' + variable.second + L'\0';
    return block + L'\0';
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (condition())
            return true;
        if (GetTickCount64() >= deadline)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

ProgramSession::~ProgramSession()
{
    if (!process_)
        return;
    if (IsRunning()) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
}

bool ProgramSession::Start(const std::wstring& exe, const wchar_t* environment)
{
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE,
                        environment ? CREATE_UNICODE_ENVIRONMENT : 0,
                        const_cast<wchar_t*>(environment), nullptr, &startup, &info)) {
        ADD_FAILURE() << "CreateProcessW failed with error " << GetLastError();
        return false;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    return true;
}

namespace {

struct DialogSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindProcessDialog(HWND window, LPARAM lParam)
{
    DialogSearch* search = reinterpret_cast<DialogSearch*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t className[16] = {};
    GetClassNameW(window, className, ARRAYSIZE(className));
    if (owner == search->processId && IsWindowVisible(window) && !lstrcmpW(className, L"#32770")) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND ProgramSession::WaitForDialog(DWORD timeoutMs)
{
    DialogSearch search = {GetProcessId(process_), nullptr};
    WaitUntil([&] {
        EnumWindows(FindProcessDialog, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr || !IsRunning();
    }, timeoutMs);
    if (search.found)
        Settle();
    return search.found;
}

HWND ProgramSession::OpenDialog(const std::wstring& exe, const wchar_t* environment)
{
    const HWND dialog = Start(exe, environment) ? WaitForDialog() : nullptr;
    if (!dialog || !BringToFront(dialog)) {
        ADD_FAILURE() << (dialog ? "the dialog did not come to the front" : "the program showed no dialog");
        return nullptr;
    }
    return dialog;
}

void ProgramSession::Click(HWND dialog, int id) const
{
    ClickControl(GetDlgItem(dialog, id));
    Settle();
}

bool ProgramSession::WaitForExit(DWORD timeoutMs, DWORD* exitCode)
{
    if (!WaitUntil([&] { return !IsRunning(); }, timeoutMs))
        return false;
    return GetExitCodeProcess(process_, exitCode) != FALSE;
}

void ProgramSession::Settle() const
{
    WaitForInputIdle(process_, 2000);
    // Input travels through the server queue; give the dialog a moment to take it.
    WaitUntil([] { return false; }, 150);
}

bool ProgramSession::IsRunning() const
{
    return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

namespace {

INPUT MouseInput(POINT screenPoint, DWORD flags)
{
    // Absolute coordinates run from 0 to 65535 across the screen; round up so
    // that the system's conversion lands on the very pixel.
    const LONG width = GetSystemMetrics(SM_CXSCREEN);
    const LONG height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = (screenPoint.x * 65536 + width - 1) / width;
    input.mi.dy = (screenPoint.y * 65536 + height - 1) / height;
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return input;
}

}  // namespace

void ClickAt(POINT screenPoint)
{
    INPUT press[2] = {MouseInput(screenPoint, 0), MouseInput(screenPoint, MOUSEEVENTF_LEFTDOWN)};
    SendInput(2, press, sizeof(INPUT));
    // Like a finger, release only after the press has been seen (caption
    // buttons track the mouse in a loop of their own).
    Sleep(50);
    INPUT release = MouseInput(screenPoint, MOUSEEVENTF_LEFTUP);
    SendInput(1, &release, sizeof(INPUT));
}

void MoveMouseTo(POINT screenPoint)
{
    INPUT move = MouseInput(screenPoint, 0);
    SendInput(1, &move, sizeof(INPUT));
}

void ClickControl(HWND control)
{
    RECT rect;
    GetWindowRect(control, &rect);
    // Aim at the left part: a check box's square and the start of its text.
    ClickAt({rect.left + 8, (rect.top + rect.bottom) / 2});
}

void PressKey(WORD virtualKey)
{
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = inputs[1].ki.wVk = virtualKey;
    inputs[0].ki.wScan = inputs[1].ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
}

bool ClickCloseBox(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    const int captionMiddle = rect.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
    for (int x = rect.right - 1; x > rect.left; --x) {
        if (SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(x, captionMiddle)) == HTCLOSE)
            return ClickAt({x - 4, captionMiddle}), true;
    }
    return false;
}

bool BringToFront(HWND window)
{
    SetForegroundWindow(window);
    return WaitUntil([&] { return GetForegroundWindow() == window; }, 3000);
}

bool TabTo(HWND dialog, int id)
{
    const HWND target = GetDlgItem(dialog, id);
    const DWORD thread = GetWindowThreadProcessId(dialog, nullptr);
    for (int presses = 0; presses < 12; ++presses) {
        GUITHREADINFO gui = {sizeof(gui)};
        if (WaitUntil([&] { return GetGUIThreadInfo(thread, &gui) && gui.hwndFocus == target; }, 300))
            return true;
        PressKey(VK_TAB);
    }
    return false;
}

bool IsChecked(HWND dialog, int id)
{
    return SendDlgItemMessageW(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool IsEnabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

std::wstring WindowText(HWND window)
{
    std::vector<wchar_t> text(GetWindowTextLengthW(window) + 1);
    GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    return text.data();
}

}  // namespace test
