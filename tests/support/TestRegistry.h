// Registry helpers for tests: set up and inspect the program's settings key.
#pragma once

#include <windows.h>

#include <optional>
#include <vector>

namespace test {

extern const wchar_t kSettingsKey[];

// Names of the four values, in the order the program loads and saves them.
extern const wchar_t* const kValueNames[4];

// Removes the settings key with all its values under root.
void DeleteSettingsKey(HKEY root);

// Stores raw data of any type under the settings key.
void SetRawValue(HKEY root, const wchar_t* name, DWORD type, const std::vector<BYTE>& data);
void SetDword(HKEY root, const wchar_t* name, DWORD value);

// A 4-byte REG_DWORD value, or nothing if it is missing or of another shape.
std::optional<DWORD> GetDword(HKEY root, const wchar_t* name);

// Number of values under the settings key (0 if the key is missing).
DWORD CountValues(HKEY root);

// Removes both settings keys before and after each test.
class CleanSettingsKeys {
public:
    CleanSettingsKeys();
    ~CleanSettingsKeys();
};

}  // namespace test
