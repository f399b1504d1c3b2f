// The program under bad input and faults: odd registry values, a user key the
// user may not write, a burst of starts, managers that hang or vanish.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <algorithm>
#include <memory>

#include "support/ManagerStandIn.h"
#include "support/ProgramSession.h"
#include "support/StoredValueKinds.h"
#include "support/TestRegistry.h"

namespace {

const HKEY HKCU = HKEY_CURRENT_USER;
const HKEY HKLM = HKEY_LOCAL_MACHINE;
const int kBoxes[4] = {1075, 1076, 1077, 1078};

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
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(dacl, SDDL_REVISION_1,
                                                                         &descriptor, nullptr));
        EXPECT_EQ(ERROR_SUCCESS, RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor));
        LocalFree(descriptor);
        RegCloseKey(key);
    }
};

struct OwnedWindowSearch {
    HWND owner, found;
};

// A callback of the platform's calling convention, which a lambda lacks on i686.
BOOL CALLBACK FindOwnedWindow(HWND window, LPARAM lParam)
{
    OwnedWindowSearch* search = reinterpret_cast<OwnedWindowSearch*>(lParam);
    if (window != search->owner && GetWindow(window, GW_OWNER) == search->owner && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// A message box of the process owned by the dialog, or null.
HWND FindOwnedMessageBox(HWND dialog)
{
    OwnedWindowSearch search = {dialog, nullptr};
    EnumWindows(FindOwnedWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
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

class FaultTest : public ::testing::Test {
protected:
    test::CleanSettingsKeys clean_;
};

TEST_F(FaultTest, DialogShowsEveryStoredValueKindRight)
{
    for (const test::StoredValueKind& kind : test::AllStoredValueKinds()) {
        // All four values of this kind over machine values of 1; then the lock
        // a plain 1 and the other three of this kind, without machine values.
        for (const bool overMachine : {true, false}) {
            SCOPED_TRACE(testing::Message() << kind.what << (overMachine ? " over machine 1" : " under lock 1"));
            test::DeleteSettingsKey(HKCU);
            test::DeleteSettingsKey(HKLM);
            for (int i = 0; i < 4; ++i) {
                if (overMachine)
                    test::SetDword(HKLM, test::kValueNames[i], 1);
                if (i == 0 && !overMachine)
                    test::SetDword(HKCU, test::kValueNames[i], 1);
                else
                    test::SetRawValue(HKCU, test::kValueNames[i], kind.type, kind.data);
            }
            const bool valueOn = kind.usable ? kind.on : overMachine;
            const bool lockOn = overMachine ? valueOn : true;
            const bool expected[4] = {lockOn, lockOn && valueOn, lockOn && valueOn, valueOn};

            test::ProgramSession program;
            ASSERT_TRUE(program.Start());
            const HWND dialog = program.WaitForDialog();
            ASSERT_TRUE(dialog) << "the program must not fail on this value";
            for (int i = 0; i < 4; ++i)
                EXPECT_EQ(expected[i], test::IsChecked(dialog, kBoxes[i])) << "box " << kBoxes[i];
            EXPECT_EQ(lockOn, test::IsEnabled(dialog, 1076));
        }
    }
}

TEST_F(FaultTest, UserKeyWithoutFullAccessIsWrittenThroughTheWriteOnlyRetry)
{
    UserKeyAccess readWrite(L"D:P(A;OICI;KRKW;;;WD)");
    test::ManagerStandIn manager;
    test::ProgramSession program;
    const HWND dialog = program.OpenDialog();
    ASSERT_TRUE(dialog);
    program.Click(dialog, 1075);
    test::PressKey(VK_RETURN);

    DWORD code = 0;
    ASSERT_TRUE(program.WaitForExit(10000, &code)) << "no message box may keep it open";
    EXPECT_EQ(1u, code);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(1u, test::GetDword(HKCU, test::kValueNames[i]));
    EXPECT_EQ(0u, test::GetDword(HKCU, L"HidePopup"));
    EXPECT_EQ(1u, manager.Received().size());
}

TEST_F(FaultTest, ReadOnlyUserKeyReportsTheFailedSave)
{
    test::SetDword(HKLM, L"LockFn", 1);
    test::SetDword(HKCU, L"HidePopup", 1);
    UserKeyAccess readOnly(L"D:P(A;OICI;KR;;;WD)");
    test::ManagerStandIn manager;
    test::ProgramSession program;
    const HWND dialog = program.OpenDialog();
    ASSERT_TRUE(dialog);
    program.Click(dialog, 1078);
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
    DWORD code = 0;
    ASSERT_TRUE(program.WaitForExit(10000, &code));
    EXPECT_EQ(1u, code) << "exit codes keep their meaning";
    EXPECT_EQ(1u, test::GetDword(HKCU, L"HidePopup")) << "the stored value is unchanged";
    EXPECT_EQ(1u, test::CountValues(HKCU));
    EXPECT_EQ(1u, test::CountValues(HKLM));
    EXPECT_EQ(1u, test::GetDword(HKLM, L"LockFn"));
}

TEST_F(FaultTest, BurstOfStartsShowsExactlyOneDialog)
{
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
    DWORD code = 0;
    ASSERT_TRUE(survivor->WaitForExit(10000, &code));
    EXPECT_EQ(2u, code);
}

TEST_F(FaultTest, ManagerThatHangsOrVanishesDoesNotKeepTheProgramOpen)
{
    for (const auto behaviour : {test::ManagerStandIn::Behaviour::Hang, test::ManagerStandIn::Behaviour::Vanish}) {
        SCOPED_TRACE(behaviour == test::ManagerStandIn::Behaviour::Hang ? "hangs" : "vanishes");
        test::DeleteSettingsKey(HKCU);
        test::ManagerStandIn manager(behaviour);
        ASSERT_TRUE(manager.Window());
        test::ProgramSession program;
        const HWND dialog = program.OpenDialog();
        ASSERT_TRUE(dialog);
        program.Click(dialog, 1075);

        const ULONGLONG pressed = GetTickCount64();
        test::PressKey(VK_RETURN);
        DWORD code = 0;
        ASSERT_TRUE(program.WaitForExit(12000, &code));
        EXPECT_LE(GetTickCount64() - pressed, 10000u);
        EXPECT_EQ(1u, code);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(1u, test::GetDword(HKCU, test::kValueNames[i]));
        EXPECT_EQ(0u, test::GetDword(HKCU, L"HidePopup"));
    }
}

}  // namespace
