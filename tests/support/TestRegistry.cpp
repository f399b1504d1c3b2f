#include "TestRegistry.h"

#include <gtest/gtest.h>

namespace test {

const wchar_t* const kValueNames[4] = {L"LockFn", L"MakeSounds", L"ShowIcon", L"HidePopup"};

void DeleteSettingsKey(HKEY root, REGSAM view)
{
    HKEY parent;
    if (RegOpenKeyExW(root, L"Software\\Quillmere", 0, KEY_ALL_ACCESS | view, &parent) != ERROR_SUCCESS)
        return;
    const LONG status = RegDeleteTreeW(parent, L"HotKey");
    RegCloseKey(parent);
    ASSERT_TRUE(status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) << status;
}

void SetRawValue(HKEY root, const wchar_t* name, DWORD type, const std::vector<BYTE>& data,
                 REGSAM view, const wchar_t* keyName)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(root, keyName, 0, nullptr, 0, KEY_SET_VALUE | view,
                                             nullptr, &key, nullptr));
    const LONG status = RegSetValueExW(key, name, 0, type, data.empty() ? nullptr : data.data(),
                                       static_cast<DWORD>(data.size()));
    RegCloseKey(key);
    ASSERT_EQ(ERROR_SUCCESS, status);
}

void SetDword(HKEY root, const wchar_t* name, DWORD value, REGSAM view, const wchar_t* keyName)
{
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&value);
    SetRawValue(root, name, REG_DWORD, std::vector<BYTE>(bytes, bytes + sizeof(value)), view, keyName);
}

std::optional<DWORD> GetDword(HKEY root, const wchar_t* name, REGSAM view)
{
    HKEY key;
    if (RegOpenKeyExW(root, kSettingsKey, 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD value = 0;
    DWORD size = sizeof(value);
    DWORD type = REG_NONE;
    const LONG status = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof(value))
        return std::nullopt;
    return value;
}

DWORD CountValues(HKEY root, REGSAM view)
{
    HKEY key;
    if (RegOpenKeyExW(root, kSettingsKey, 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS)
        return 0;
    DWORD count = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr,
                     nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return count;
}

namespace {

void DeleteAllSettingsKeys()
{
    DeleteSettingsKey(HKEY_CURRENT_USER);
    for (REGSAM view : {kProgramView, kOtherView})
        DeleteSettingsKey(HKEY_LOCAL_MACHINE, view);
}

}  // namespace

CleanSettingsKeys::CleanSettingsKeys() { DeleteAllSettingsKeys(); }

CleanSettingsKeys::~CleanSettingsKeys() { DeleteAllSettingsKeys(); }

}  // namespace test
