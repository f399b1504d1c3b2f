// Help tests' tools: the recording stand-in for the HTML Help control, its
// registration, and runs of the program whose help calls it records.
#pragma once

#include <windows.h>
#include <htmlhelp.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "Product.h"
#include "ProgramSession.h"
#include "TestRegistry.h"

namespace test {

static_assert(sizeof(HH_POPUP) == kPopupRecordSize, "the lane's popup record is the platform's");

inline const wchar_t kControlLocationKey[] = L"CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";

// One line of the stand-in's record: "load", or "call" with key=value fields.
struct RecordedCall {
    std::string kind;
    std::map<std::string, std::string> fields;
    unsigned long Number(const char* key) const { return std::stoul(fields.at(key), nullptr, 0); }
    std::string Field(const char* key) const
    {
        const auto field = fields.find(key);
        return field == fields.end() ? "<none>" : field->second;
    }
    // A text the stand-in wrote as UTF-16 code units in hexadecimal.
    std::wstring Text(const char* key) const
    {
        const std::string& hex = fields.at(key);
        std::wstring text;
        for (size_t i = 0; i + 4 <= hex.size(); i += 4)
            text += static_cast<wchar_t>(std::stoul(hex.substr(i, 4), nullptr, 16));
        return text;
    }
};

inline std::vector<RecordedCall> ReadRecord(const std::wstring& path)
{
    std::vector<RecordedCall> calls;
    std::ifstream file(path.c_str());
    for (std::string line; std::getline(file, line);) {
        std::istringstream words(line);
        RecordedCall call;
        words >> call.kind;
        for (std::string word; words >> word;) {
            const size_t equals = word.find('=');
            call.fields[word.substr(0, equals)] = equals == std::string::npos ? "" : word.substr(equals + 1);
        }
        calls.push_back(call);
    }
    return calls;
}

inline std::vector<RecordedCall> CallsWithCommand(const std::vector<RecordedCall>& record, UINT command)
{
    std::vector<RecordedCall> calls;
    for (const RecordedCall& call : record)
        if (call.kind == "call" && call.Number("command") == command)
            calls.push_back(call);
    return calls;
}

// The control's registered location, in the registry view the program
// reads, set for a test and restored afterwards.
class RegisteredControlLocation : public TemporaryValue {
public:
    RegisteredControlLocation() : TemporaryValue(HKEY_CLASSES_ROOT, kControlLocationKey, L"", kProgramView) {}

    void Set(const std::string& location, DWORD type = REG_SZ)
    {
        ASSERT_TRUE(SetText(std::wstring(location.begin(), location.end()), type));
    }
    // As a REG_SZ of exactly the location's characters, without a terminator.
    void SetUnterminated(const std::string& location)
    {
        ASSERT_TRUE(SetText(std::wstring(location.begin(), location.end()), REG_SZ, false));
        ASSERT_EQ(location.size() * sizeof(wchar_t), StoredSize()) << "stored without a terminator";
    }
};

// Wine's load order for the HTML Help control in the program
// (HotkeySettings.exe), set for one test: "" switches the control off,
// "native,builtin" prefers a DLL found by the library search over Wine's own.
class WineControlLoadOrder : public TemporaryValue {
public:
    explicit WineControlLoadOrder(const wchar_t* order)
        : TemporaryValue(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\HotkeySettings.exe\\DllOverrides",
                         L"hhctrl.ocx")
    {
        SetText(order);
    }
};

inline std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

inline std::wstring RecorderPathW() { return test::PathBesideTests(L"hhctrl-recorder.dll"); }
inline std::string RecorderPath() { return Narrow(RecorderPathW()); }

// Whether a module of that file name is loaded in the process.
inline bool HasModule(HANDLE process, const wchar_t* fileName)
{
    HMODULE modules[512];
    DWORD bytes = 0;
    if (!EnumProcessModulesEx(process, modules, sizeof(modules), &bytes, LIST_MODULES_ALL))
        return false;
    for (DWORD i = 0; i < bytes / sizeof(HMODULE); ++i) {
        wchar_t path[MAX_PATH];
        if (GetModuleFileNameExW(process, modules[i], path, MAX_PATH)) {
            const wchar_t* name = wcsrchr(path, L'\\');
            if (!lstrcmpiW(name ? name + 1 : path, fileName))
                return true;
        }
    }
    return false;
}

// Installs, for the life of the object, the recorder's early-moment hook: a
// global hook whose DLL the platform loads into the program's process, where
// it acts on the moment named by HOTKEY_EARLY_MOMENT in its environment.
class EarlyMomentHook {
public:
    EarlyMomentHook()
    {
        const FARPROC procedure = GetProcAddress(module_, "EarlyMomentHook");
        if (procedure)
            hook_ = SetWindowsHookExW(WH_CALLWNDPROCRET, reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(procedure)),
                                      module_, 0);
    }
    ~EarlyMomentHook()
    {
        if (hook_)
            UnhookWindowsHookEx(hook_);
        if (module_)
            FreeLibrary(module_);
    }
    EarlyMomentHook(const EarlyMomentHook&) = delete;
    EarlyMomentHook& operator=(const EarlyMomentHook&) = delete;

    bool Installed() const { return hook_ != nullptr; }

private:
    HMODULE module_ = LoadLibraryW(RecorderPathW().c_str());
    HHOOK hook_ = nullptr;
};

// One run of the program with the stand-in's record file (and any other
// variables) in its environment.
using Variables = std::vector<std::pair<std::wstring, std::wstring>>;

class HelpRun {
public:
    // Settled: the dialog is idle and in front before the test goes on.
    // Unwatched: the program is started and left alone; it may end by itself.
    enum class Opening { Settled, Unwatched };

    explicit HelpRun(Variables variables = {},
                     const std::wstring& exe = test::ProgramPath(), Opening opening = Opening::Settled)
    {
        wchar_t directory[MAX_PATH];
        wchar_t file[MAX_PATH];
        GetTempPathW(MAX_PATH, directory);
        GetTempFileNameW(directory, L"hlp", 0, file);
        record_ = file;
        DeleteFileW(file);
        variables.emplace_back(L"HOTKEY_HELP_RECORD", record_);
        environment_ = test::EnvironmentWith(variables);
        if (opening == Opening::Settled)
            dialog = program_.OpenDialog(exe, environment_.c_str());
        else
            EXPECT_TRUE(program_.Start(exe, environment_.c_str()));
    }
    ~HelpRun() { DeleteFileW(record_.c_str()); }
    HelpRun(const HelpRun&) = delete;
    HelpRun& operator=(const HelpRun&) = delete;

    // F1 on the control, with the mouse pointer at a known point.
    void AskForHelp(int id, POINT mouse = {100, 100})
    {
        ASSERT_TRUE(test::TabTo(dialog, id));
        test::MoveMouseTo(mouse);
        program_.Settle();
        test::PressKey(VK_F1);
        program_.Settle();
    }

    void Click(int id) { program_.Click(dialog, id); }

    bool HasLoaded(const wchar_t* fileName) const { return HasModule(program_.Process(), fileName); }

    // Wait until the record shows the control loaded, or the engine initialised:
    // the dialog starts it some ticks after it appears, and input such as a key
    // that closes the dialog is handled before timer messages.
    bool WaitForLoad() const { return test::WaitUntil([&] { return !ReadRecord(record_).empty(); }, 10000); }
    bool WaitForEngineStart() const
    {
        return test::WaitUntil([&] { return !CallsWithCommand(ReadRecord(record_), HH_INITIALIZE).empty(); }, 10000);
    }

    std::vector<RecordedCall> EndWith(WORD key, DWORD expectedExitCode)
    {
        test::PressKey(key);
        return End(expectedExitCode);
    }

    // Waits for the program to end by itself; its record.
    std::vector<RecordedCall> End(DWORD expectedExitCode)
    {
        DWORD code = 0;
        EXPECT_TRUE(program_.WaitForExit(10000, &code));
        EXPECT_EQ(expectedExitCode, code);
        return ReadRecord(record_);
    }

    HWND dialog = nullptr;

private:
    test::ProgramSession program_;
    std::wstring record_;
    std::wstring environment_;
};

}  // namespace test
