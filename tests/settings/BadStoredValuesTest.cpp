// Every shape of stored value for each of the four options, alone and over a
// machine-wide value: what the loaded options must be.
#include <gtest/gtest.h>

#include "settings/SettingsStore.h"
#include "support/StoredValueKinds.h"
#include "support/TestRegistry.h"

namespace {

const HKEY HKCU = HKEY_CURRENT_USER;
const HKEY HKLM = HKEY_LOCAL_MACHINE;

DWORD LoadedOption(const HotkeySettings& settings, int index)
{
    const DWORD options[] = {settings.lockFn, settings.makeSounds, settings.showIcon, settings.hidePopup};
    return options[index];
}

TEST(BadStoredValuesTest, EachOptionUsesOnlyUsableValues)
{
    test::CleanSettingsKeys clean;
    for (const test::StoredValueKind& kind : test::AllStoredValueKinds()) {
        for (int option = 0; option < 4; ++option) {
            for (const bool machineOn : {false, true}) {
                SCOPED_TRACE(testing::Message() << kind.what << " as " << test::kValueNames[option]
                                                << (machineOn ? " over machine 1" : " alone"));
                test::DeleteSettingsKey(HKCU);
                test::DeleteSettingsKey(HKLM);
                // The lock is on wherever a companion is tested, so that it is read.
                if (option == 1 || option == 2)
                    test::SetDword(HKCU, L"LockFn", 1);
                test::SetRawValue(HKCU, test::kValueNames[option], kind.type, kind.data);
                if (machineOn)
                    test::SetDword(HKLM, test::kValueNames[option], 1);

                const bool expectedOn = kind.usable ? kind.on : machineOn;
                const HotkeySettings loaded = LoadSettings();
                EXPECT_EQ(expectedOn, LoadedOption(loaded, option) != 0);
                for (int other = 0; other < 4; ++other) {
                    const bool lockSetOn = other == 0 && (option == 1 || option == 2);
                    if (other != option && !lockSetOn) {
                        EXPECT_EQ(0u, LoadedOption(loaded, other)) << test::kValueNames[other];
                    }
                }
            }
        }
    }
}

}  // namespace
