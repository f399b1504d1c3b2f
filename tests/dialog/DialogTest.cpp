// The program end to end: started as a process, its dialog driven with real
// mouse clicks and keys, its effects read from the registry and a stand-in
// manager; and under faults: a user key the user may not fully write, or not
// write at all, and a hotkey manager that hangs or vanishes.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <algorithm>
#include <memory>
#include <optional>

#include "support/ManagerStandIn.h"
#include "support/Product.h"
#include "support/ProgramSession.h"
#include "support/TestRegistry.h"

namespace {

using test::GetDword;
using test::kOptionBoxes;
using test::kValueNames;
using test::SetDword;

const HKEY HKCU = HKEY_CURRENT_USER;
const HKEY HKLM = HKEY_LOCAL_MACHINE;

// Check states of the four boxes (lock, sounds, icon, popups) and whether the
// two companions are enabled.
struct BoxStates {
    bool checked[4];
    bool companionsEnabled;
};

void ExpectBoxes(HWND dialog, const BoxStates& expected)
{
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(expected.checked[i], test::IsChecked(dialog, kOptionBoxes[i])) << "box " << kOptionBoxes[i];
    EXPECT_EQ(expected.companionsEnabled, test::IsEnabled(dialog, IDC_MAKE_SOUNDS));
    EXPECT_EQ(expected.companionsEnabled, test::IsEnabled(dialog, IDC_SHOW_ICON));
}

void ExpectUserValues(const DWORD (&expected)[4])
{
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(std::optional<DWORD>(expected[i]), GetDword(HKCU, kValueNames[i])) << kValueNames[i];
}

DWORD ExitCode(test::ProgramSession& program)
{
    DWORD code = 0xDEAD;
    EXPECT_TRUE(program.WaitForExit(10000, &code)) << "the program did not end";
    return code;
}

class DialogTest : public ::testing::Test {
protected:
    test::CleanSettingsKeys clean_;
};

// Stored values of several kinds, from both roots: the boxes show what the
// store made of them, the focus is on OK, and Esc ends with 2 having written
// and told nothing.
TEST_F(DialogTest, ShowsWhatTheStoreLoadedAndEscWritesNothing)
{
    for (const wchar_t* name : {L"LockFn", L"MakeSounds", L"ShowIcon"})
        SetDword(HKLM, name, 1);
    test::SetRawValue(HKCU, L"MakeSounds", REG_SZ, {'0', 0, 0, 0});  // unusable: the machine's 1
    SetDword(HKCU, L"ShowIcon", 0);                                    // the user's 0 decides
    test::SetRawValue(HKCU, L"HidePopup", REG_DWORD, {5, 0, 0, 0, 9, 9, 9, 9});
    test::ManagerStandIn manager;

    test::ProgramSession program;
    const HWND dialog = program.OpenDialog();
    ASSERT_TRUE(dialog);
    ExpectBoxes(dialog, {{true, true, false, true}, true});
    GUITHREADINFO gui = {sizeof(gui)};
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &gui);
    EXPECT_EQ(GetDlgItem(dialog, IDOK), gui.hwndFocus) << "the focus starts on OK";
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDHELP))) << "the Help button stays hidden";

    test::PressKey(VK_ESCAPE);
    EXPECT_EQ(2u, ExitCode(program));
    EXPECT_EQ(3u, test::CountValues(HKCU)) << "Esc writes nothing";
    EXPECT_EQ(0u, GetDword(HKCU, L"ShowIcon"));
    EXPECT_EQ(std::nullopt, GetDword(HKCU, L"LockFn"));
    EXPECT_EQ(3u, test::CountValues(HKLM));
    EXPECT_TRUE(manager.Received().empty()) << "Esc tells the manager nothing";
}

// The lock box switches its companions on and off while the user edits, a
// disabled companion cannot be changed, and Enter writes what the boxes show,
// then tells the manager once.
TEST_F(DialogTest, EditingKeepsTheLockRuleAndEnterWritesWhatTheBoxesShow)
{
    SetDword(HKCU, L"LockFn", 0);
    SetDword(HKCU, L"MakeSounds", 1);
    SetDword(HKCU, L"ShowIcon", 1);
    test::ManagerStandIn manager;

    test::ProgramSession program;
    const HWND dialog = program.OpenDialog();
    ASSERT_TRUE(dialog);
    ExpectBoxes(dialog, {{false, false, false, false}, false});

    // A click and the states it must leave.
    const std::pair<int, BoxStates> steps[] = {
        {IDC_MAKE_SOUNDS, {{false, false, false, false}, false}},  // disabled: nothing changes
        {IDC_LOCK_FN, {{true, true, true, false}, true}},
        {IDC_MAKE_SOUNDS, {{true, false, true, false}, true}},
        {IDC_LOCK_FN, {{false, false, false, false}, false}},
        {IDC_LOCK_FN, {{true, true, true, false}, true}},  // both on anew
        {IDC_HIDE_POPUP, {{true, true, true, true}, true}},
        {IDC_SHOW_ICON, {{true, true, false, true}, true}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(testing::Message() << "after a click on " << step.first);
        program.Click(dialog, step.first);
        ExpectBoxes(dialog, step.second);
    }

    test::PressKey(VK_RETURN);
    EXPECT_EQ(1u, ExitCode(program));
    ExpectUserValues({1, 1, 0, 1});
    EXPECT_EQ(0u, test::CountValues(HKLM));
    ASSERT_EQ(1u, manager.Received().size()) << "exactly one message";
    const test::ReceivedNotification& received = manager.Received()[0];
    EXPECT_EQ(0u, received.wParam);
    EXPECT_EQ(0, received.lParam);
    const DWORD stored[4] = {1, 1, 0, 1};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(std::optional<DWORD>(stored[i]), received.values[i]) << "written before the message";
}

// The other ways of ending the dialog: the OK button saves (with no manager
// running), the Cancel button and the close box end with 2 and write and tell
// nothing.
TEST_F(DialogTest, EndsByItsButtonsOrCloseBox)
{
    struct EndCase {
        const char* how;
        void (*end)(HWND dialog);
        bool managerRunning;
        DWORD exitCode;
    };
    const EndCase cases[] = {
        {"OK button", [](HWND d) { test::ClickControl(GetDlgItem(d, IDOK)); }, false, 1},
        {"Cancel button", [](HWND d) { test::ClickControl(GetDlgItem(d, IDCANCEL)); }, true, 2},
        {"close box", [](HWND d) { ASSERT_TRUE(test::ClickCloseBox(d)); }, true, 2},
    };
    for (const EndCase& c : cases) {
        SCOPED_TRACE(c.how);
        test::CleanSettingsKeys clean;
        SetDword(HKLM, L"LockFn", 1);
        std::unique_ptr<test::ManagerStandIn> manager;
        if (c.managerRunning)
            manager = std::make_unique<test::ManagerStandIn>();

        test::ProgramSession program;
        const HWND dialog = program.OpenDialog();
        ASSERT_TRUE(dialog);
        program.Click(dialog, IDC_HIDE_POPUP);
        c.end(dialog);
        EXPECT_EQ(c.exitCode, ExitCode(program));
        if (c.exitCode == 1) {
            ExpectUserValues({1, 0, 0, 1});
        } else {
            EXPECT_EQ(0u, test::CountValues(HKCU)) << "nothing written";
            EXPECT_TRUE(manager->Received().empty()) << "nobody told";
        }
        EXPECT_EQ(1u, test::CountValues(HKLM));
    }
}

// A second start while the dialog is open ends at once with 0, showing
// nothing and leaving the open dialog as it was; of many starts at once
// exactly one shows the dialog, and the others end with 0.
TEST_F(DialogTest, OneCopyRunsPerSession)
{
    SetDword(HKCU, L"LockFn", 1);
    {
        test::ProgramSession first;
        const HWND dialog = first.OpenDialog();
        ASSERT_TRUE(dialog);
        first.Click(dialog, IDC_MAKE_SOUNDS);

        test::ProgramSession second;
        ASSERT_TRUE(second.Start());
        DWORD code = 0xDEAD;
        ASSERT_TRUE(second.WaitForExit(15000, &code)) << "the second copy kept running";
        EXPECT_EQ(0u, code);
        EXPECT_EQ(nullptr, second.WaitForDialog(0)) << "the second copy shows no window";

        EXPECT_TRUE(IsWindowVisible(dialog));
        EXPECT_EQ(dialog, GetForegroundWindow()) << "the first dialog is not disturbed";
        ExpectBoxes(dialog, {{true, true, false, false}, true});
        test::PressKey(VK_ESCAPE);
        EXPECT_EQ(2u, ExitCode(first));
    }

    // Once the first copy has ended, a new one runs: here one of a burst.
    const int kStarts = 20;
    std::vector<std::unique_ptr<test::ProgramSession>> programs;
    for (int i = 0; i < kStarts; ++i) {
        programs.push_back(std::make_unique<test::ProgramSession>());
        ASSERT_TRUE(programs.back()->Start());
    }
    // All but one end with 0; the one left shows the dialog and runs until
    // it is closed, so waiting for the others is not a race against a clock.
    const auto running = [&] {
        return std::count_if(programs.begin(), programs.end(), [](const auto& p) { return p->IsRunning(); });
    };
    test::WaitUntil([&] { return running() <= 1; }, 60000);
    ASSERT_EQ(1, running()) << "copies still running after a minute";
    test::ProgramSession* survivor = nullptr;
    for (auto& program : programs) {
        DWORD code = 0xDEAD;
        if (program->IsRunning())
            survivor = program.get();
        else if (GetExitCodeProcess(program->Process(), &code))
            EXPECT_EQ(0u, code);
    }
    const HWND dialog = survivor->WaitForDialog();
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(test::BringToFront(dialog));
    test::PressKey(VK_ESCAPE);
    EXPECT_EQ(2u, ExitCode(*survivor));
}

// Gives the user's settings key a DACL (in SDDL) for one test; afterwards full
// access is restored (the owner may always change the DACL) and the key removed.
class UserKeyAccess {
public:
    explicit UserKeyAccess(const wchar_t* dacl) { Apply(dacl); }
    ~UserKeyAccess()
    {
        Apply(L"D:(A;OICI;KA;;;WD)");
        test::DeleteSettingsKey(HKCU);
    }

private:
    static void Apply(const wchar_t* dacl)
    {
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKCU, test::kSettingsKey, 0, nullptr, 0, WRITE_DAC,
                                                 nullptr, &key, nullptr));
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(dacl, SDDL_REVISION_1, &descriptor, nullptr));
        EXPECT_EQ(ERROR_SUCCESS, RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor));
        LocalFree(descriptor);
        RegCloseKey(key);
    }
};

// The visible message box of the process owned by the dialog, or null.
HWND FindOwnedMessageBox(HWND dialog)
{
    for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, L"#32770", nullptr));)
        if (GetWindow(window, GW_OWNER) == dialog && IsWindowVisible(window))
            return window;
    return nullptr;
}

// Texts of the box's static controls, and whether one of them shows an icon.
void ReadMessageBox(HWND box, std::wstring* text, bool* hasIcon)
{
    *hasIcon = false;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t className[16] = {};
        GetClassNameW(child, className, ARRAYSIZE(className));
        if (lstrcmpiW(className, L"Static"))
            continue;
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            *hasIcon |= SendMessageW(child, STM_GETICON, 0, 0) != 0;
        else
            *text += test::WindowText(child);
    }
}

using FaultTest = DialogTest;

// A key the user may read and write but not fully control is written
// through the write-only retry; a manager that never answers keeps the
// program open no longer than the message's time limit.
TEST_F(FaultTest, KeyWithoutFullAccessIsWrittenAndAHungManagerIsNotWaitedFor)
{
    UserKeyAccess readWrite(L"D:P(A;OICI;KRKW;;;WD)");
    test::ManagerStandIn manager(test::ManagerStandIn::Behaviour::Hang);
    ASSERT_TRUE(manager.Window());
    test::ProgramSession program;
    const HWND dialog = program.OpenDialog();
    ASSERT_TRUE(dialog);
    program.Click(dialog, IDC_LOCK_FN);

    const ULONGLONG pressed = GetTickCount64();
    test::PressKey(VK_RETURN);
    EXPECT_EQ(1u, ExitCode(program)) << "no message box may keep it open";
    EXPECT_LE(GetTickCount64() - pressed, 10000u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(1u, test::GetDword(HKCU, test::kValueNames[i]));
    EXPECT_EQ(0u, test::GetDword(HKCU, L"HidePopup"));
}

// A key the user may only read: every write fails, the manager is still told
// (here one that vanishes while the message is in flight), and then an error
// box says so before the dialog ends with 1; nothing stored changes.
TEST_F(FaultTest, ReadOnlyKeyReportsTheFailedSaveAfterTellingTheManager)
{
    test::SetDword(HKLM, L"LockFn", 1);
    test::SetDword(HKCU, L"HidePopup", 1);
    UserKeyAccess readOnly(L"D:P(A;OICI;KR;;;WD)");
    test::ManagerStandIn manager(test::ManagerStandIn::Behaviour::Vanish);
    ASSERT_TRUE(manager.Window());
    test::ProgramSession program;
    const HWND dialog = program.OpenDialog();
    ASSERT_TRUE(dialog);
    program.Click(dialog, IDC_HIDE_POPUP);
    test::PressKey(VK_RETURN);

    HWND box = nullptr;
    ASSERT_TRUE(test::WaitUntil([&] { return (box = FindOwnedMessageBox(dialog)) != nullptr; }, 10000))
        << "a failed save must be reported";
    EXPECT_EQ(L"Hotkey Settings", test::WindowText(box));
    std::wstring text;
    bool hasIcon = false;
    ReadMessageBox(box, &text, &hasIcon);
    EXPECT_EQ(L"The settings could not be saved.", text);
    EXPECT_TRUE(hasIcon) << "an error icon";
    EXPECT_EQ(1u, manager.Received().size()) << "the manager is told before the report";
    EXPECT_TRUE(program.IsRunning()) << "the dialog waits for the user to read it";

    test::BringToFront(box);
    test::PressKey(VK_RETURN);
    EXPECT_EQ(1u, ExitCode(program)) << "exit codes keep their meaning";
    EXPECT_EQ(1u, test::GetDword(HKCU, L"HidePopup")) << "the stored value is unchanged";
    EXPECT_EQ(1u, test::CountValues(HKCU));
    EXPECT_EQ(1u, test::CountValues(HKLM));
    EXPECT_EQ(1u, test::GetDword(HKLM, L"LockFn"));
}

}  // namespace
