// Registry values of every shape the options may meet, and what each must mean.
#pragma once

#include <windows.h>

#include <vector>

namespace test {

struct StoredValueKind {
    const char* what;
    DWORD type;
    std::vector<BYTE> data;
    // Whether the option may use the value, and if so whether it is on. An
    // unusable value counts as missing: the machine's value applies, or off.
    bool usable;
    bool on;
};

inline std::vector<StoredValueKind> AllStoredValueKinds()
{
    return {
        {"REG_SZ \"1\"", REG_SZ, {'1', 0, 0, 0}, false, false},
        {"REG_EXPAND_SZ \"1\"", REG_EXPAND_SZ, {'1', 0, 0, 0}, false, false},
        {"REG_MULTI_SZ \"1\"", REG_MULTI_SZ, {'1', 0, 0, 0, 0, 0}, false, false},
        {"REG_BINARY of 4 bytes", REG_BINARY, {1, 0, 0, 0}, false, false},
        {"REG_QWORD 1", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}, false, false},
        {"REG_NONE", REG_NONE, {1, 0, 0, 0}, false, false},
        {"REG_DWORD of 0 bytes", REG_DWORD, {}, false, false},
        {"REG_DWORD of 1 byte", REG_DWORD, {1}, false, false},
        {"REG_DWORD of 2 bytes", REG_DWORD, {1, 0}, false, false},
        {"REG_DWORD of 3 bytes", REG_DWORD, {1, 0, 0}, false, false},
        {"REG_DWORD 0", REG_DWORD, {0, 0, 0, 0}, true, false},
        {"REG_DWORD 1", REG_DWORD, {1, 0, 0, 0}, true, true},
        {"REG_DWORD 5", REG_DWORD, {5, 0, 0, 0}, true, true},
        {"REG_DWORD 0xFFFFFFFF", REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF}, true, true},
        {"REG_DWORD of 5 bytes, first four 1", REG_DWORD, {1, 0, 0, 0, 7}, true, true},
        {"REG_DWORD of 8 bytes, first four 0", REG_DWORD, {0, 0, 0, 0, 1, 1, 1, 1}, true, false},
        {"REG_DWORD of 300 bytes", REG_DWORD, std::vector<BYTE>(300, 1), false, false},
    };
}

}  // namespace test
