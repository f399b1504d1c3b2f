#include "TestRegistry.h"

#include <gtest/gtest.h>

namespace test {

const wchar_t kSettingsKey[] = L"Software\\Quillmere\\HotKey";
const wchar_t* const kValueNames[4] = {L"LockFn", L"MakeSounds", L"ShowIcon", L"HidePopup"};

void DeleteSettingsKey(HKEY root)
{
    const LONG status = RegDeleteTreeW(root, kSettingsKey);
    ASSERT_TRUE(status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) << status;
    RegDeleteKeyW(root, kSettingsKey);
}

void SetRawValue(HKEY root, const wchar_t* name, DWORD type, const std::vector<BYTE>& data)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(root, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE,
                                             nullptr, &key, nullptr));
    const LONG status = RegSetValueExW(key, name, 0, type, data.empty() ? nullptr : data.data(),
                                       static_cast<DWORD>(data.size()));
    RegCloseKey(key);
    ASSERT_EQ(ERROR_SUCCESS, status);
}

void SetDword(HKEY root, const wchar_t* name, DWORD value)
{
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&value);
    SetRawValue(root, name, REG_DWORD, std::vector<BYTE>(bytes, bytes + sizeof(value)));
}

std::optional<DWORD> GetDword(HKEY root, const wchar_t* name)
{
    DWORD value = 0;
    DWORD size = sizeof(value);
    DWORD type = REG_NONE;
    if (RegGetValueW(root, kSettingsKey, name, RRF_RT_ANY, &type, &value, &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(value))
        return std::nullopt;
    return value;
}

DWORD CountValues(HKEY root)
{
    HKEY key;
    if (RegOpenKeyExW(root, kSettingsKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return 0;
    DWORD count = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr,
                     nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return count;
}

CleanSettingsKeys::CleanSettingsKeys()
{
    DeleteSettingsKey(HKEY_CURRENT_USER);
    DeleteSettingsKey(HKEY_LOCAL_MACHINE);
}

CleanSettingsKeys::~CleanSettingsKeys()
{
    DeleteSettingsKey(HKEY_CURRENT_USER);
    DeleteSettingsKey(HKEY_LOCAL_MACHINE);
}

}  // namespace test
