// The program end to end: started as a process, its dialog driven with real
// mouse clicks and keys, its effects read from the registry and a stand-in manager.
#include <gtest/gtest.h>

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

}  // namespace
