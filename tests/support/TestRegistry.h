// Registry helpers for tests: set up and inspect the program's settings key.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "Product.h"

namespace test {

inline constexpr wchar_t kSettingsKey[] = L"Software\\Quillmere\\HotKey";

// Names of the four values, in the order the program loads and saves them.
extern const wchar_t* const kValueNames[4];

// Each helper works in the registry view the program under test reads
// (see Product.h), unless another view is named.

// Removes the settings key with all its values under root.
void DeleteSettingsKey(HKEY root, REGSAM view = kProgramView);

// Stores raw data of any type under the settings key (or another key).
void SetRawValue(HKEY root, const wchar_t* name, DWORD type, const std::vector<BYTE>& data,
                 REGSAM view = kProgramView, const wchar_t* keyName = kSettingsKey);
void SetDword(HKEY root, const wchar_t* name, DWORD value, REGSAM view = kProgramView,
              const wchar_t* keyName = kSettingsKey);

// A 4-byte REG_DWORD value, or nothing if it is missing or of another shape.
std::optional<DWORD> GetDword(HKEY root, const wchar_t* name, REGSAM view = kProgramView);

// Number of values under the settings key (0 if the key is missing).
DWORD CountValues(HKEY root, REGSAM view = kProgramView);

// A registry value set for the life of the object (in the given view):
// what was there before, or nothing, is put back on destruction.
class TemporaryValue {
public:
    TemporaryValue(HKEY root, const wchar_t* key, const wchar_t* name, REGSAM view = 0);
    ~TemporaryValue();
    TemporaryValue(const TemporaryValue&) = delete;
    TemporaryValue& operator=(const TemporaryValue&) = delete;

    bool Set(DWORD type, const void* data, DWORD size);
    // A string, stored with its terminator or without.
    bool SetText(const std::wstring& text, DWORD type = REG_SZ, bool terminated = true);
    // The size of the value as stored, in bytes.
    DWORD StoredSize() const;

private:
    HKEY key_ = nullptr;
    std::wstring name_;
    std::vector<BYTE> previous_;
    DWORD type_ = REG_NONE;
    bool hadValue_ = false;
};

// Removes the settings keys of both roots, in both views, before and after each test.
class CleanSettingsKeys {
public:
    CleanSettingsKeys();
    ~CleanSettingsKeys();
};

}  // namespace test
