#include "SettingsStore.h"

#include "ManagerNotification.h"

namespace {

const wchar_t kSettingsKey[] = L"Software\\Quillmere\\HotKey";

const wchar_t kLockFn[] = L"LockFn";
const wchar_t kMakeSounds[] = L"MakeSounds";
const wchar_t kShowIcon[] = L"ShowIcon";
const wchar_t kHidePopup[] = L"HidePopup";

// The user's value decides; the machine-wide one is only a default.
void LoadValue(const wchar_t* name, DWORD* value)
{
    if (!ReadDwordSetting(HKEY_CURRENT_USER, name, value))
        ReadDwordSetting(HKEY_LOCAL_MACHINE, name, value);
}

DWORD AsStoredFlag(bool on) { return on ? 1 : 0; }

}  // namespace

bool ReadDwordSetting(HKEY root, const wchar_t* name, DWORD* value)
{
    HKEY key;
    if (RegOpenKeyExW(root, kSettingsKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;

    BYTE data[256];
    DWORD type = REG_NONE;
    DWORD size = sizeof(data);
    const LONG status = RegQueryValueExW(key, name, nullptr, &type, data, &size);
    RegCloseKey(key);

    // A REG_DWORD stored with fewer than 4 bytes would leave part of the result
    // undefined, so it counts as missing like a value of another type.
    if (status != ERROR_SUCCESS || type != REG_DWORD || size < sizeof(DWORD))
        return false;
    CopyMemory(value, data, sizeof(DWORD));
    return true;
}

bool WriteDwordSetting(const wchar_t* name, DWORD value)
{
    HKEY key;
    // KEY_WRITE alone suffices where the user may not read the key back.
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS &&
        RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;

    const LONG status = RegSetValueExW(key, name, 0, REG_DWORD,
                                       reinterpret_cast<const BYTE*>(&value), sizeof(value));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

HotkeySettings LoadSettings()
{
    HotkeySettings settings = {};
    LoadValue(kLockFn, &settings.lockFn);
    if (settings.lockFn) {
        LoadValue(kMakeSounds, &settings.makeSounds);
        LoadValue(kShowIcon, &settings.showIcon);
    }
    LoadValue(kHidePopup, &settings.hidePopup);
    return settings;
}

bool SaveSettings(const HotkeySettings& settings)
{
    const bool lockOn = settings.lockFn != 0;
    bool saved = WriteDwordSetting(kLockFn, AsStoredFlag(lockOn));
    saved &= WriteDwordSetting(kMakeSounds, AsStoredFlag(lockOn && settings.makeSounds));
    saved &= WriteDwordSetting(kShowIcon, AsStoredFlag(lockOn && settings.showIcon));
    saved &= WriteDwordSetting(kHidePopup, AsStoredFlag(settings.hidePopup != 0));
    NotifyHotkeyManager();
    return saved;
}
