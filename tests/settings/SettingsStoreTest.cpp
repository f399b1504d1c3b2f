// The registry store against Wine's real registry.
#include <gtest/gtest.h>

#include "settings/SettingsStore.h"
#include "support/TestRegistry.h"

namespace {

using test::GetDword;
using test::SetDword;
using test::SetRawValue;

const HKEY HKCU = HKEY_CURRENT_USER;
const HKEY HKLM = HKEY_LOCAL_MACHINE;

std::vector<BYTE> Bytes(std::initializer_list<BYTE> bytes) { return bytes; }

class SettingsStoreTest : public ::testing::Test {
protected:
    test::CleanSettingsKeys clean_;
};

// One stored value under each root (or none) and what ReadDwordSetting and
// LoadSettings must make of the LockFn option.
struct StoredValueCase {
    const char* what;
    DWORD type;
    std::vector<BYTE> data;
    bool readable;     // ReadDwordSetting returns true
    DWORD value;       // ... with this value
};

TEST_F(SettingsStoreTest, ReadDwordSettingAcceptsOnlyFourByteDwords)
{
    const StoredValueCase cases[] = {
        {"dword 0", REG_DWORD, Bytes({0, 0, 0, 0}), true, 0},
        {"dword 1", REG_DWORD, Bytes({1, 0, 0, 0}), true, 1},
        {"dword 5", REG_DWORD, Bytes({5, 0, 0, 0}), true, 5},
        {"dword 0x12345678", REG_DWORD, Bytes({0x78, 0x56, 0x34, 0x12}), true, 0x12345678},
        {"string", REG_SZ, Bytes({'1', 0, 0, 0}), false, 0},
        {"binary of 4 bytes", REG_BINARY, Bytes({1, 0, 0, 0}), false, 0},
        {"empty dword", REG_DWORD, Bytes({}), false, 0},
        {"dword of 1 byte", REG_DWORD, Bytes({1}), false, 0},
        {"dword of 3 bytes", REG_DWORD, Bytes({1, 1, 1}), false, 0},
        {"dword of 8 bytes", REG_DWORD, Bytes({7, 0, 0, 0, 9, 9, 9, 9}), true, 7},
    };
    for (const StoredValueCase& c : cases) {
        SCOPED_TRACE(c.what);
        SetRawValue(HKCU, L"LockFn", c.type, c.data);
        DWORD value = 0xA5A5A5A5;
        EXPECT_EQ(c.readable, ReadDwordSetting(HKCU, L"LockFn", &value));
        EXPECT_EQ(c.readable ? c.value : 0xA5A5A5A5, value) << "unreadable values leave the output alone";
    }
}

TEST_F(SettingsStoreTest, ReadDwordSettingFailsWithoutKeyOrValue)
{
    DWORD value = 42;
    EXPECT_FALSE(ReadDwordSetting(HKCU, L"LockFn", &value));
    SetDword(HKCU, L"HidePopup", 1);
    EXPECT_FALSE(ReadDwordSetting(HKCU, L"LockFn", &value));
    EXPECT_EQ(42u, value);
}

// Values stored per root (absent when not listed) and the options LoadSettings yields.
struct LoadCase {
    const char* what;
    std::vector<std::pair<const wchar_t*, DWORD>> user, machine;
    HotkeySettings expected;
};

TEST_F(SettingsStoreTest, LoadSettingsTakesEachValueFromUserThenMachine)
{
    const LoadCase cases[] = {
        {"nothing stored", {}, {}, {0, 0, 0, 0}},
        {"user only", {{L"LockFn", 1}, {L"MakeSounds", 1}, {L"ShowIcon", 0}, {L"HidePopup", 1}}, {},
         {1, 1, 0, 1}},
        {"machine only", {}, {{L"LockFn", 1}, {L"MakeSounds", 1}}, {1, 1, 0, 0}},
        {"user over machine, value by value", {{L"LockFn", 1}},
         {{L"LockFn", 0}, {L"ShowIcon", 1}, {L"HidePopup", 1}}, {1, 0, 1, 1}},
        {"user 0 beats machine 1", {{L"HidePopup", 0}}, {{L"HidePopup", 1}}, {0, 0, 0, 0}},
        {"nonzero is kept as read", {{L"LockFn", 5}, {L"MakeSounds", 0xFFFFFFFF}}, {}, {5, 0xFFFFFFFF, 0, 0}},
        {"lock off: companions are not read", {{L"LockFn", 0}, {L"MakeSounds", 1}, {L"ShowIcon", 1}},
         {{L"MakeSounds", 1}}, {0, 0, 0, 0}},
        {"machine lock enables user companions", {{L"MakeSounds", 1}}, {{L"LockFn", 1}}, {1, 1, 0, 0}},
    };
    for (const LoadCase& c : cases) {
        SCOPED_TRACE(c.what);
        test::DeleteSettingsKey(HKCU);
        test::DeleteSettingsKey(HKLM);
        for (const auto& v : c.user) SetDword(HKCU, v.first, v.second);
        for (const auto& v : c.machine) SetDword(HKLM, v.first, v.second);

        const HotkeySettings loaded = LoadSettings();
        EXPECT_EQ(c.expected.lockFn, loaded.lockFn);
        EXPECT_EQ(c.expected.makeSounds, loaded.makeSounds);
        EXPECT_EQ(c.expected.showIcon, loaded.showIcon);
        EXPECT_EQ(c.expected.hidePopup, loaded.hidePopup);
    }
}

TEST_F(SettingsStoreTest, UnusableUserValueFallsBackToMachineValue)
{
    const std::pair<DWORD, std::vector<BYTE>> unusable[] = {
        {REG_SZ, Bytes({'0', 0})},
        {REG_DWORD, Bytes({0, 0})},
        {REG_QWORD, Bytes({0, 0, 0, 0, 0, 0, 0, 0})},
    };
    SetDword(HKLM, L"LockFn", 1);
    for (const auto& u : unusable) {
        SCOPED_TRACE(u.first);
        SetRawValue(HKCU, L"LockFn", u.first, u.second);
        EXPECT_EQ(1u, LoadSettings().lockFn);
    }
    test::DeleteSettingsKey(HKLM);
    EXPECT_EQ(0u, LoadSettings().lockFn) << "no usable value anywhere means off";
}

// What SaveSettings writes for a record, as stored REG_DWORD values.
struct SaveCase {
    HotkeySettings settings;
    DWORD lockFn, makeSounds, showIcon, hidePopup;
};

TEST_F(SettingsStoreTest, SaveSettingsWritesZeroOrOneAndKeepsTheLockRule)
{
    const SaveCase cases[] = {
        {{0, 0, 0, 0}, 0, 0, 0, 0},
        {{1, 1, 1, 1}, 1, 1, 1, 1},
        {{5, 7, 0, 0xFFFFFFFF}, 1, 1, 0, 1},
        {{1, 0, 0, 0}, 1, 0, 0, 0},
        {{0, 1, 1, 0}, 0, 0, 0, 0},
        {{0, 1, 1, 1}, 0, 0, 0, 1},
    };
    for (const SaveCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.settings.lockFn << "," << c.settings.makeSounds << ","
                                        << c.settings.showIcon << "," << c.settings.hidePopup);
        EXPECT_TRUE(SaveSettings(c.settings));
        EXPECT_EQ(c.lockFn, GetDword(HKCU, L"LockFn"));
        EXPECT_EQ(c.makeSounds, GetDword(HKCU, L"MakeSounds"));
        EXPECT_EQ(c.showIcon, GetDword(HKCU, L"ShowIcon"));
        EXPECT_EQ(c.hidePopup, GetDword(HKCU, L"HidePopup"));
    }
}

TEST_F(SettingsStoreTest, SaveSettingsLeavesMachineKeyAndOtherUserValuesAlone)
{
    SetDword(HKLM, L"LockFn", 1);
    SetDword(HKCU, L"SomethingElse", 77);
    SetRawValue(HKCU, L"LockFn", REG_SZ, Bytes({'x', 0}));

    SaveSettings({1, 0, 1, 0});

    EXPECT_EQ(77u, GetDword(HKCU, L"SomethingElse"));
    EXPECT_EQ(1u, GetDword(HKCU, L"LockFn")) << "a value of the wrong type is replaced";
    EXPECT_EQ(5u, test::CountValues(HKCU));
    EXPECT_EQ(1u, test::CountValues(HKLM));
    EXPECT_EQ(1u, GetDword(HKLM, L"LockFn"));
}

TEST_F(SettingsStoreTest, SavedSettingsLoadBack)
{
    SetDword(HKLM, L"HidePopup", 1);
    SaveSettings({1, 1, 0, 0});
    const HotkeySettings loaded = LoadSettings();
    EXPECT_EQ(1u, loaded.lockFn);
    EXPECT_EQ(1u, loaded.makeSounds);
    EXPECT_EQ(0u, loaded.showIcon);
    EXPECT_EQ(0u, loaded.hidePopup) << "the user's saved 0 now decides over the machine default";
}

}  // namespace
