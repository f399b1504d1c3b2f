// The program end to end: started as a process, its dialog driven with real
// mouse clicks and keys, its effects read from the registry and a stand-in manager.
#include <gtest/gtest.h>

#include <optional>

#include "support/ManagerStandIn.h"
#include "support/ProgramSession.h"
#include "support/TestRegistry.h"

namespace {

using test::GetDword;
using test::SetDword;

const HKEY HKCU = HKEY_CURRENT_USER;
const HKEY HKLM = HKEY_LOCAL_MACHINE;

enum Control { kOk = 1, kCancel = 2, kLock = 1075, kSounds = 1076, kIcon = 1077, kHidePopup = 1078 };

// Check and enabled states of the four boxes, in the order lock, sounds, icon, popup.
struct BoxStates {
    bool checked[4];
    bool companionsEnabled;
};

BoxStates ReadBoxes(HWND dialog)
{
    return {{test::IsChecked(dialog, kLock), test::IsChecked(dialog, kSounds),
             test::IsChecked(dialog, kIcon), test::IsChecked(dialog, kHidePopup)},
            test::IsEnabled(dialog, kSounds)};
}

void ExpectBoxes(HWND dialog, const BoxStates& expected)
{
    const BoxStates actual = ReadBoxes(dialog);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(expected.checked[i], actual.checked[i]) << "box " << kLock + i;
    EXPECT_EQ(expected.companionsEnabled, test::IsEnabled(dialog, kSounds));
    EXPECT_EQ(expected.companionsEnabled, test::IsEnabled(dialog, kIcon));
}


void ExpectStored(const std::optional<DWORD> (&actual)[4], const DWORD (&expected)[4])
{
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(expected[i], actual[i]) << "value " << i;
}

void ExpectUserValues(const DWORD (&expected)[4])
{
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(expected[i], GetDword(HKCU, test::kValueNames[i])) << "value " << i;
}

class DialogTest : public ::testing::Test {
protected:
    HWND Open() { return program_.OpenDialog(); }
    void Click(HWND dialog, int id) { program_.Click(dialog, id); }

    DWORD ExitCode(DWORD timeoutMs = 10000)
    {
        DWORD code = 0xDEAD;
        EXPECT_TRUE(program_.WaitForExit(timeoutMs, &code)) << "the program did not end";
        return code;
    }

    test::CleanSettingsKeys clean_;
    test::ProgramSession program_;
};

TEST_F(DialogTest, ShowsEnglishTextsWithFocusOnOk)
{
    const HWND dialog = Open();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(L"Hotkey Settings", test::WindowText(dialog));
    EXPECT_EQ(L"&Use Fn key lock", test::WindowText(GetDlgItem(dialog, kLock)));
    EXPECT_EQ(L"Notification", test::WindowText(GetDlgItem(dialog, 1000)));
    EXPECT_EQ(L"&Make sounds when Fn key is pressed", test::WindowText(GetDlgItem(dialog, kSounds)));
    EXPECT_EQ(L"&Show status on screen", test::WindowText(GetDlgItem(dialog, kIcon)));
    EXPECT_EQ(L"&Disable popup", test::WindowText(GetDlgItem(dialog, kHidePopup)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, 9))) << "the Help button stays hidden";

    GUITHREADINFO gui = {sizeof(gui)};
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &gui);
    EXPECT_EQ(GetDlgItem(dialog, kOk), gui.hwndFocus);
}

struct LoadCase {
    const char* what;
    std::vector<std::pair<const wchar_t*, DWORD>> user, machine;
    BoxStates shown;
};

TEST_F(DialogTest, ShowsLoadedOptionsUnderTheLockRule)
{
    const LoadCase cases[] = {
        {"nothing stored", {}, {}, {{false, false, false, false}, false}},
        {"user values", {{L"LockFn", 1}, {L"ShowIcon", 1}, {L"HidePopup", 5}}, {},
         {{true, false, true, true}, true}},
        {"machine defaults", {}, {{L"LockFn", 1}, {L"MakeSounds", 1}}, {{true, true, false, false}, true}},
        {"lock off hides stored companions", {{L"LockFn", 0}, {L"MakeSounds", 1}, {L"ShowIcon", 1}}, {},
         {{false, false, false, false}, false}},
    };
    for (const LoadCase& c : cases) {
        SCOPED_TRACE(c.what);
        test::CleanSettingsKeys clean;
        for (const auto& v : c.user) SetDword(HKCU, v.first, v.second);
        for (const auto& v : c.machine) SetDword(HKLM, v.first, v.second);

        test::ProgramSession program;
        ASSERT_TRUE(program.Start());
        const HWND dialog = program.WaitForDialog();
        ASSERT_TRUE(dialog);
        ExpectBoxes(dialog, c.shown);
    }
}

TEST_F(DialogTest, LockBoxSwitchesItsCompanionsWhileEditing)
{
    SetDword(HKCU, L"LockFn", 1);
    SetDword(HKCU, L"ShowIcon", 1);
    const HWND dialog = Open();
    ASSERT_TRUE(dialog);
    ExpectBoxes(dialog, {{true, false, true, false}, true});

    Click(dialog, kLock);
    ExpectBoxes(dialog, {{false, false, false, false}, false});

    Click(dialog, kSounds);  // disabled: a click changes nothing
    ExpectBoxes(dialog, {{false, false, false, false}, false});

    Click(dialog, kLock);
    ExpectBoxes(dialog, {{true, true, true, false}, true});

    Click(dialog, kHidePopup);
    ExpectBoxes(dialog, {{true, true, true, true}, true});
    Click(dialog, kSounds);
    ExpectBoxes(dialog, {{true, false, true, true}, true});
}

// Clicks made before Enter and the four values OK must store.
struct EditCase {
    const char* what;
    std::vector<std::pair<const wchar_t*, DWORD>> stored;
    std::vector<int> clicks;
    DWORD written[4];
};

TEST_F(DialogTest, OkWritesWhatTheBoxesShow)
{
    const EditCase cases[] = {
        {"lock switched on", {}, {kLock}, {1, 1, 1, 0}},
        {"companions switched off under the lock", {{L"LockFn", 1}, {L"MakeSounds", 1}, {L"ShowIcon", 1}},
         {kSounds, kIcon}, {1, 0, 0, 0}},
        {"lock switched off", {{L"LockFn", 1}, {L"MakeSounds", 1}}, {kLock, kSounds}, {0, 0, 0, 0}},
        {"stored companions under a lock that is off", {{L"LockFn", 0}, {L"MakeSounds", 1}}, {},
         {0, 0, 0, 0}},
        {"nonzero written back as 1", {{L"LockFn", 5}, {L"HidePopup", 300}}, {}, {1, 0, 0, 1}},
        {"popup box alone", {{L"LockFn", 1}, {L"ShowIcon", 1}}, {kHidePopup}, {1, 0, 1, 1}},
    };
    for (const EditCase& c : cases) {
        SCOPED_TRACE(c.what);
        test::CleanSettingsKeys clean;
        for (const auto& v : c.stored) SetDword(HKCU, v.first, v.second);

        test::ProgramSession program;
        const HWND dialog = program.OpenDialog();
        ASSERT_TRUE(dialog);
        for (int id : c.clicks)
            program.Click(dialog, id);
        test::PressKey(VK_RETURN);
        DWORD code = 0;
        ASSERT_TRUE(program.WaitForExit(10000, &code));
        EXPECT_EQ(1u, code);
        ExpectUserValues(c.written);
    }
}

// Every way of ending the dialog, with a manager running.
struct EndCase {
    const char* how;
    void (*end)(HWND dialog);
    DWORD exitCode;
    bool saved;
};

TEST_F(DialogTest, EndsWithOkOrCancelAndOnlyOkWritesAndNotifies)
{
    const EndCase cases[] = {
        {"Enter", [](HWND) { test::PressKey(VK_RETURN); }, 1, true},
        {"OK button", [](HWND d) { test::ClickControl(GetDlgItem(d, kOk)); }, 1, true},
        {"Esc", [](HWND) { test::PressKey(VK_ESCAPE); }, 2, false},
        {"Cancel button", [](HWND d) { test::ClickControl(GetDlgItem(d, kCancel)); }, 2, false},
        {"close box", [](HWND d) { ASSERT_TRUE(test::ClickCloseBox(d)); }, 2, false},
    };
    for (const EndCase& c : cases) {
        SCOPED_TRACE(c.how);
        test::CleanSettingsKeys clean;
        SetDword(HKLM, L"LockFn", 1);
        test::ManagerStandIn manager;

        test::ProgramSession program;
        const HWND dialog = program.OpenDialog();
        ASSERT_TRUE(dialog);
        program.Click(dialog, kHidePopup);
        ASSERT_TRUE(test::IsChecked(dialog, kHidePopup));

        c.end(dialog);
        DWORD code = 0;
        ASSERT_TRUE(program.WaitForExit(10000, &code));
        EXPECT_EQ(c.exitCode, code);

        if (c.saved) {
            ExpectUserValues({1, 0, 0, 1});
            ASSERT_EQ(1u, manager.Received().size()) << "exactly one message";
            EXPECT_EQ(0u, manager.Received()[0].wParam);
            EXPECT_EQ(0, manager.Received()[0].lParam);
            ExpectStored(manager.Received()[0].values, {1, 0, 0, 1});
        } else {
            EXPECT_EQ(0u, test::CountValues(HKCU)) << "cancel writes nothing";
            EXPECT_TRUE(manager.Received().empty()) << "cancel tells the manager nothing";
        }
        EXPECT_EQ(1u, test::CountValues(HKLM));
    }
}

TEST_F(DialogTest, OkWithoutManagerStillSaves)
{
    const HWND dialog = Open();
    ASSERT_TRUE(dialog);
    Click(dialog, kLock);
    test::PressKey(VK_RETURN);
    EXPECT_EQ(1u, ExitCode());
    ExpectUserValues({1, 1, 1, 0});
}

TEST_F(DialogTest, HungManagerDoesNotKeepTheProgramOpen)
{
    test::ManagerStandIn manager(test::ManagerStandIn::Behaviour::Hang);
    ASSERT_TRUE(manager.Window());
    const HWND dialog = Open();
    ASSERT_TRUE(dialog);
    Click(dialog, kHidePopup);

    const ULONGLONG pressed = GetTickCount64();
    test::PressKey(VK_RETURN);
    EXPECT_EQ(1u, ExitCode(12000));
    EXPECT_LE(GetTickCount64() - pressed, 10000u);
    ExpectUserValues({0, 0, 0, 1});
}

TEST_F(DialogTest, SecondStartEndsAtOnceAndLeavesTheFirstDialogAlone)
{
    SetDword(HKCU, L"LockFn", 1);
    const HWND dialog = Open();
    ASSERT_TRUE(dialog);
    Click(dialog, kSounds);
    const BoxStates before = ReadBoxes(dialog);

    test::ProgramSession second;
    ASSERT_TRUE(second.Start());
    DWORD code = 0xDEAD;
    ASSERT_TRUE(second.WaitForExit(15000, &code)) << "the second copy kept running";
    EXPECT_EQ(0u, code);
    EXPECT_EQ(nullptr, second.WaitForDialog(0)) << "the second copy shows no window";

    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(dialog, GetForegroundWindow()) << "the first dialog is not disturbed";
    const BoxStates after = ReadBoxes(dialog);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(before.checked[i], after.checked[i]);

    test::PressKey(VK_ESCAPE);
    EXPECT_EQ(2u, ExitCode());

    test::ProgramSession third;
    ASSERT_TRUE(third.Start());
    EXPECT_NE(nullptr, third.WaitForDialog()) << "once the first copy has ended, a new one runs";
}

}  // namespace
