// The program under faults: a user key the user may not fully write, or not
// write at all, and a hotkey manager that hangs or vanishes.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include "support/ManagerStandIn.h"
#include "support/Product.h"
#include "support/ProgramSession.h"
#include "support/TestRegistry.h"

namespace {

const HKEY HKCU = HKEY_CURRENT_USER;
const HKEY HKLM = HKEY_LOCAL_MACHINE;

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
    DWORD code = 0;
    ASSERT_TRUE(program.WaitForExit(12000, &code)) << "no message box may keep it open";
    EXPECT_LE(GetTickCount64() - pressed, 10000u);
    EXPECT_EQ(1u, code);
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
    DWORD code = 0;
    ASSERT_TRUE(program.WaitForExit(10000, &code));
    EXPECT_EQ(1u, code) << "exit codes keep their meaning";
    EXPECT_EQ(1u, test::GetDword(HKCU, L"HidePopup")) << "the stored value is unchanged";
    EXPECT_EQ(1u, test::CountValues(HKCU));
    EXPECT_EQ(1u, test::CountValues(HKLM));
    EXPECT_EQ(1u, test::GetDword(HKLM, L"LockFn"));
}

}  // namespace
