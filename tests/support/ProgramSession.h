// Starts the built program and drives its dialog through real input, as a
// person at the keyboard and mouse would.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace test {

// Full path of a file in the directory of the running test executable.
std::wstring PathBesideTests(const wchar_t* fileName);

// The program this lane drives: the x86_64 twin beside the test executables,
// or the i686 product copied into their "product" folder.
std::wstring ProgramPath();

// Runs Windows messages of this thread until the condition holds or the time is up.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);

// This process's environment with the given variables added or replaced, as
// a block for CreateProcessW.
std::wstring EnvironmentWith(const std::vector<std::pair<std::wstring, std::wstring>>& variables);

// One run of the program.
class ProgramSession {
public:
    ProgramSession() = default;
    ~ProgramSession();  // ends a process that is still running
    ProgramSession(const ProgramSession&) = delete;
    ProgramSession& operator=(const ProgramSession&) = delete;

    bool Start(const std::wstring& exe = ProgramPath(), const wchar_t* environment = nullptr);

    // The visible dialog of the process, once idle, or null when none appeared in time.
    HWND WaitForDialog(DWORD timeoutMs = 15000);

    // Starts the program and returns its dialog in front, ready for input;
    // null (with a test failure) when that does not happen.
    HWND OpenDialog(const std::wstring& exe = ProgramPath(), const wchar_t* environment = nullptr);

    // Clicks a control of the dialog and waits until the dialog has handled it.
    void Click(HWND dialog, int id) const;

    // True with the exit code once the process ended within the time; pumps
    // this thread's messages meanwhile so windows of the test stay responsive.
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode);

    // Waits until the dialog has handled the input sent so far.
    void Settle() const;

    bool IsRunning() const;
    HANDLE Process() const { return process_; }

private:
    HANDLE process_ = nullptr;
};

// Real input through the system's input queue.
void ClickAt(POINT screenPoint);
void ClickControl(HWND control);
void MoveMouseTo(POINT screenPoint);
void PressKey(WORD virtualKey);
// The caption's close box, found by hit-testing along the caption.
bool ClickCloseBox(HWND window);
// Makes the window the foreground window so that keys reach it.
bool BringToFront(HWND window);
// Moves the keyboard focus with Tab, as a person would, until it is on the control.
bool TabTo(HWND dialog, int id);

bool IsChecked(HWND dialog, int id);
bool IsEnabled(HWND dialog, int id);
std::wstring WindowText(HWND window);

}  // namespace test
