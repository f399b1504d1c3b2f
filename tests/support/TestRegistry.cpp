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

TemporaryValue::TemporaryValue(HKEY root, const wchar_t* key, const wchar_t* name, REGSAM view) : name_(name)
{
    RegCreateKeyExW(root, key, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE | view, nullptr, &key_, nullptr);
    DWORD size = 0;
    hadValue_ = RegQueryValueExW(key_, name, nullptr, &type_, nullptr, &size) == ERROR_SUCCESS;
    previous_.resize(size);
    if (hadValue_ && size)
        RegQueryValueExW(key_, name, nullptr, &type_, previous_.data(), &size);
}

TemporaryValue::~TemporaryValue()
{
    if (hadValue_)
        RegSetValueExW(key_, name_.c_str(), 0, type_, previous_.data(), static_cast<DWORD>(previous_.size()));
    else
        RegDeleteValueW(key_, name_.c_str());
    RegCloseKey(key_);
}

bool TemporaryValue::Set(DWORD type, const void* data, DWORD size)
{
    return RegSetValueExW(key_, name_.c_str(), 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}

bool TemporaryValue::SetText(const std::wstring& text, DWORD type, bool terminated)
{
    if (terminated)
        return Set(type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    // The registry counts a terminator that follows the data as the caller's
    // oversight and stores it too; a '|' there leaves it none to count.
    const std::wstring data = text + L'|';
    return Set(type, data.c_str(), static_cast<DWORD>(text.size() * sizeof(wchar_t)));
}

DWORD TemporaryValue::StoredSize() const
{
    DWORD size = 0;
    RegQueryValueExW(key_, name_.c_str(), nullptr, nullptr, nullptr, &size);
    return size;
}

static void DeleteAllSettingsKeys()
{
    DeleteSettingsKey(HKEY_CURRENT_USER);
    for (REGSAM view : {kProgramView, kOtherView})
        DeleteSettingsKey(HKEY_LOCAL_MACHINE, view);
}

CleanSettingsKeys::CleanSettingsKeys() { DeleteAllSettingsKeys(); }

CleanSettingsKeys::~CleanSettingsKeys() { DeleteAllSettingsKeys(); }

}  // namespace test
