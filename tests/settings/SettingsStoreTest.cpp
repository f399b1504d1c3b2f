// The registry store against Wine's real registry: which stored values are
// usable, the user's value over the machine's, the lock rule, and what a save
// writes.
#include <gtest/gtest.h>

#include <optional>

#include "settings/SettingsStore.h"
#include "support/TestRegistry.h"

namespace {

using test::GetDword;
using test::kValueNames;
using test::SetDword;

const HKEY HKCU = HKEY_CURRENT_USER;
const HKEY HKLM = HKEY_LOCAL_MACHINE;

DWORD Option(const HotkeySettings& settings, int index)
{
    const DWORD options[] = {settings.lockFn, settings.makeSounds, settings.showIcon, settings.hidePopup};
    return options[index];
}

// A stored value of some shape (or, when absent, none at all) and what
// reading it must give: whether it is usable, and the value read.
struct StoredValueKind {
    const char* what;
    bool absent;
    DWORD type;
    std::vector<BYTE> data;
    bool usable;
    DWORD value;
};

class SettingsStoreTest : public ::testing::Test {
protected:
    test::CleanSettingsKeys clean_;
};

// Each kind as the user's value of each option, alone and over a machine
// value of 1: ReadDwordSetting takes it or leaves its output alone, and
// LoadSettings then shows it or falls back to the machine's value, else off.
TEST_F(SettingsStoreTest, EachStoredValueKindIsUsedOrCountsAsMissing)
{
    const StoredValueKind kinds[] = {
        {"no value", true, REG_NONE, {}, false, 0},
        {"REG_SZ \"1\"", false, REG_SZ, {'1', 0, 0, 0}, false, 0},
        {"REG_EXPAND_SZ \"1\"", false, REG_EXPAND_SZ, {'1', 0, 0, 0}, false, 0},
        {"REG_MULTI_SZ \"1\"", false, REG_MULTI_SZ, {'1', 0, 0, 0, 0, 0}, false, 0},
        {"REG_BINARY of 4 bytes", false, REG_BINARY, {1, 0, 0, 0}, false, 0},
        {"REG_QWORD 1", false, REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}, false, 0},
        {"REG_NONE of 4 bytes", false, REG_NONE, {1, 0, 0, 0}, false, 0},
        {"REG_DWORD of 0 bytes", false, REG_DWORD, {}, false, 0},
        {"REG_DWORD of 1 byte", false, REG_DWORD, {1}, false, 0},
        {"REG_DWORD of 3 bytes", false, REG_DWORD, {1, 0, 0}, false, 0},
        {"REG_DWORD 0", false, REG_DWORD, {0, 0, 0, 0}, true, 0},
        {"REG_DWORD 1", false, REG_DWORD, {1, 0, 0, 0}, true, 1},
        {"REG_DWORD 5", false, REG_DWORD, {5, 0, 0, 0}, true, 5},
        {"REG_DWORD 0x12345678", false, REG_DWORD, {0x78, 0x56, 0x34, 0x12}, true, 0x12345678},
        {"REG_DWORD of 5 bytes", false, REG_DWORD, {1, 0, 0, 0, 7}, true, 1},
        {"REG_DWORD of 8 bytes, first four 0", false, REG_DWORD, {0, 0, 0, 0, 1, 1, 1, 1}, true, 0},
        {"REG_DWORD of 256 bytes", false, REG_DWORD, std::vector<BYTE>(256, 7), true, 0x07070707},
        {"REG_DWORD of 257 bytes", false, REG_DWORD, std::vector<BYTE>(257, 7), false, 0},
    };
    const DWORD kUntouched = 0xA5A5A5A5;
    for (const StoredValueKind& kind : kinds) {
        for (int option = 0; option < 4; ++option) {
            for (const bool machineOn : {false, true}) {
                SCOPED_TRACE(testing::Message() << kind.what << " as " << kValueNames[option]
                                                << (machineOn ? " over machine 1" : " alone"));
                test::DeleteSettingsKey(HKCU);
                test::DeleteSettingsKey(HKLM);
                // The lock is on wherever a companion is stored, so that it is read.
                const bool companion = option == 1 || option == 2;
                if (companion)
                    SetDword(HKCU, kValueNames[0], 1);
                if (!kind.absent)
                    test::SetRawValue(HKCU, kValueNames[option], kind.type, kind.data);
                if (machineOn)
                    SetDword(HKLM, kValueNames[option], 1);

                DWORD read = kUntouched;
                EXPECT_EQ(kind.usable, ReadDwordSetting(HKCU, kValueNames[option], &read));
                EXPECT_EQ(kind.usable ? kind.value : kUntouched, read);

                const HotkeySettings loaded = LoadSettings();
                for (int other = 0; other < 4; ++other) {
                    DWORD expected = other == 0 && companion ? 1 : 0;
                    if (other == option)
                        expected = kind.usable ? kind.value : machineOn ? 1 : 0;
                    EXPECT_EQ(expected, Option(loaded, other)) << kValueNames[other];
                }
            }
        }
    }
}

// Values stored per root (absent when not listed) and the options LoadSettings yields.
struct LoadCase {
    const char* what;
    std::vector<std::pair<const wchar_t*, DWORD>> user, machine;
    HotkeySettings expected;
};

TEST_F(SettingsStoreTest, LoadSettingsTakesEachValueFromUserThenMachineUnderTheLockRule)
{
    const LoadCase cases[] = {
        {"nothing stored", {}, {}, {0, 0, 0, 0}},
        {"user only", {{L"LockFn", 1}, {L"MakeSounds", 1}, {L"ShowIcon", 0}, {L"HidePopup", 1}}, {}, {1, 1, 0, 1}},
        {"machine only", {}, {{L"LockFn", 1}, {L"MakeSounds", 1}}, {1, 1, 0, 0}},
        {"user over machine, value by value", {{L"LockFn", 1}},
         {{L"LockFn", 0}, {L"ShowIcon", 1}, {L"HidePopup", 1}},
         {1, 0, 1, 1}},
        {"lock off: companions are not read", {{L"LockFn", 0}, {L"MakeSounds", 1}, {L"ShowIcon", 1}},
         {{L"MakeSounds", 1}},
         {0, 0, 0, 0}},
        {"user lock off over machine lock on", {{L"LockFn", 0}}, {{L"LockFn", 1}, {L"ShowIcon", 1}}, {0, 0, 0, 0}},
        {"machine lock enables user companions", {{L"MakeSounds", 1}}, {{L"LockFn", 1}}, {1, 1, 0, 0}},
    };
    for (const LoadCase& c : cases) {
        SCOPED_TRACE(c.what);
        test::DeleteSettingsKey(HKCU);
        test::DeleteSettingsKey(HKLM);
        for (const auto& v : c.user) SetDword(HKCU, v.first, v.second);
        for (const auto& v : c.machine) SetDword(HKLM, v.first, v.second);

        const HotkeySettings loaded = LoadSettings();
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(Option(c.expected, i), Option(loaded, i)) << kValueNames[i];
    }
}

// A record and the four REG_DWORD values SaveSettings must store for it.
struct SaveCase {
    HotkeySettings settings;
    DWORD stored[4];
};

// Each save writes 1 or 0 under the lock rule, replaces a user value of
// another type, and leaves the machine key and other user values alone.
TEST_F(SettingsStoreTest, SaveSettingsWritesOneOrZeroUnderTheLockRuleAndNothingElse)
{
    SetDword(HKLM, L"LockFn", 1);
    SetDword(HKCU, L"SomethingElse", 77);
    test::SetRawValue(HKCU, L"LockFn", REG_SZ, {'x', 0});
    const SaveCase cases[] = {
        {{1, 0, 1, 0}, {1, 0, 1, 0}},
        {{0, 0, 0, 0}, {0, 0, 0, 0}},
        {{1, 1, 1, 1}, {1, 1, 1, 1}},
        {{5, 7, 0, 0xFFFFFFFF}, {1, 1, 0, 1}},
        {{0, 1, 1, 0}, {0, 0, 0, 0}},
        {{0, 1, 1, 1}, {0, 0, 0, 1}},
    };
    for (const SaveCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.settings.lockFn << "," << c.settings.makeSounds << ","
                                        << c.settings.showIcon << "," << c.settings.hidePopup);
        EXPECT_TRUE(SaveSettings(c.settings));
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(std::optional<DWORD>(c.stored[i]), GetDword(HKCU, kValueNames[i])) << kValueNames[i];
        EXPECT_EQ(77u, GetDword(HKCU, L"SomethingElse"));
        EXPECT_EQ(5u, test::CountValues(HKCU));
        EXPECT_EQ(1u, test::CountValues(HKLM));
        EXPECT_EQ(1u, GetDword(HKLM, L"LockFn"));
    }
}

}  // namespace
