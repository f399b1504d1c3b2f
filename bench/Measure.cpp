// Starts programs in turn, interleaved, and measures for each run the time from
// process start until its dialog is visible and the process's peak memory.
//   bench_measure <runs> <program.exe>...
// Prints one line per run: "<file name> <milliseconds> <peak working set KiB> <peak private KiB>".
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>

namespace {

struct Search {
    DWORD processId;
    HWND dialog;
};

BOOL CALLBACK FindVisibleDialog(HWND window, LPARAM lParam)
{
    Search* search = reinterpret_cast<Search*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsWindowVisible(window)) {
        search->dialog = window;
        return FALSE;
    }
    return TRUE;
}

bool MeasureOnce(const wchar_t* exe, double* milliseconds, SIZE_T* peakWorkingSet, SIZE_T* peakPrivate)
{
    LARGE_INTEGER frequency, started, visible;
    QueryPerformanceFrequency(&frequency);
    STARTUPINFOW startup = {sizeof(startup)};
    PROCESS_INFORMATION info = {};
    wchar_t commandLine[MAX_PATH + 2];
    wsprintfW(commandLine, L"\"%s\"", exe);

    QueryPerformanceCounter(&started);
    if (!CreateProcessW(exe, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return false;
    Search search = {info.dwProcessId, nullptr};
    // Poll each millisecond: a tighter loop would compete with the starting
    // program for the two processors and the Wine server.
    for (int polls = 0; !search.dialog && polls < 10000; ++polls) {
        EnumWindows(FindVisibleDialog, reinterpret_cast<LPARAM>(&search));
        if (!search.dialog)
            Sleep(1);
    }
    QueryPerformanceCounter(&visible);
    *milliseconds = 1000.0 * (visible.QuadPart - started.QuadPart) / frequency.QuadPart;

    // The peaks of start-up, read once the dialog has settled (work it defers
    // until after it is shown counts too) and while the process still runs:
    // not every system keeps the counters of a process that has ended.
    WaitForInputIdle(info.hProcess, 5000);
    Sleep(300);
    PROCESS_MEMORY_COUNTERS counters = {sizeof(counters)};
    const bool counted = GetProcessMemoryInfo(info.hProcess, &counters, sizeof(counters)) &&
                         counters.PeakWorkingSetSize != 0;
    *peakWorkingSet = counters.PeakWorkingSetSize;
    *peakPrivate = counters.PeakPagefileUsage;
    if (search.dialog)
        PostMessageW(search.dialog, WM_COMMAND, IDCANCEL, 0);
    WaitForSingleObject(info.hProcess, 10000);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return search.dialog != nullptr && counted;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: bench_measure <runs> <program.exe>...\n");
        return 2;
    }
    const int runs = _wtoi(argv[1]);
    const int programs = argc - 2;
    for (int run = 0; run < runs; ++run) {
        for (int turn = 0; turn < programs; ++turn) {
            // Rotate the order, so that no program always meets a warmer system.
            const wchar_t* exe = argv[2 + (turn + run) % programs];
            // Let the system finish with the previous run (window teardown,
            // desktop repaint) before the next one starts.
            Sleep(250);
            double milliseconds = 0;
            SIZE_T workingSet = 0, privateBytes = 0;
            if (!MeasureOnce(exe, &milliseconds, &workingSet, &privateBytes)) {
                fwprintf(stderr, L"no dialog or no memory counters from %ls\n", exe);
                return 1;
            }
            const wchar_t* name = wcsrchr(exe, L'\\');
            const wchar_t* slash = wcsrchr(exe, L'/');
            name = (slash && (!name || slash > name)) ? slash + 1 : (name ? name + 1 : exe);
            printf("%ls %.2f %zu %zu\n", name, milliseconds, workingSet / 1024, privateBytes / 1024);
            fflush(stdout);
        }
    }
    return 0;
}
