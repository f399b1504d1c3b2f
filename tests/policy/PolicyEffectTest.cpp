// The Group Policy templates reach the program: each policy's registry writes,
// read out of the .admx (policy-templates.py), are made in the 64-bit
// registry view as the Group Policy client makes them on 64-bit Windows, and
// the program of this lane shows the options as the policies set them.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/Product.h"
#include "support/ProgramSession.h"
#include "support/TestRegistry.h"

namespace {

struct RegistryWrite {
    std::wstring key, valueName;
    DWORD value;
};

// Writes by policy name and state ("enabled", "disabled").
using PolicyWrites = std::map<std::string, std::map<std::string, std::vector<RegistryWrite>>>;

PolicyWrites ReadPolicyWrites()
{
    PolicyWrites writes;
    std::ifstream file(test::PathBesideTests(L"policy-writes.txt").c_str());
    std::string policy, state, key, valueName;
    DWORD value;
    while (file >> policy >> state >> key >> valueName >> value)
        writes[policy][state].push_back({std::wstring(key.begin(), key.end()),
                                         std::wstring(valueName.begin(), valueName.end()), value});
    return writes;
}

TEST(PolicyEffectTest, ProgramShowsEachOptionAsThePoliciesSetIt)
{
    const PolicyWrites writes = ReadPolicyWrites();
    ASSERT_EQ(4u, writes.size()) << "the template's four policies";

    struct PolicyCase {
        const char* states[4];  // LockFn, MakeSounds, ShowIcon, HidePopup
        bool shown[4];
    };
    // Each policy enabled and disabled at least once where the program reads
    // it (the companions under an enabled lock).
    const PolicyCase cases[] = {
        {{"enabled", "enabled", "disabled", "enabled"}, {true, true, false, true}},
        {{"enabled", "disabled", "enabled", "disabled"}, {true, false, true, false}},
        {{"disabled", "enabled", "enabled", "enabled"}, {false, false, false, true}},
    };
    const char* const policies[4] = {"LockFn", "MakeSounds", "ShowIcon", "HidePopup"};
    for (const PolicyCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.states[0] << ' ' << c.states[1] << ' ' << c.states[2]
                                        << ' ' << c.states[3]);
        test::CleanSettingsKeys clean;
        for (int i = 0; i < 4; ++i) {
            ASSERT_EQ(1u, writes.count(policies[i])) << policies[i];
            for (const RegistryWrite& write : writes.at(policies[i]).at(c.states[i]))
                test::SetDword(HKEY_LOCAL_MACHINE, write.valueName.c_str(), write.value, KEY_WOW64_64KEY,
                               write.key.c_str());
        }

        test::ProgramSession program;
        ASSERT_TRUE(program.Start());
        const HWND dialog = program.WaitForDialog();
        ASSERT_TRUE(dialog);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(c.shown[i], test::IsChecked(dialog, test::kOptionBoxes[i])) << policies[i];
    }
}

}  // namespace
