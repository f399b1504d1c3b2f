// The lane a test program belongs to: which build of the program it drives and
// where that build looks in the registry. The x86_64 lane drives the 64-bit twin,
// which sees the 64-bit registry view; the i686 lane drives the product itself,
// a 32-bit program, which on 64-bit Windows sees the 32-bit view (WOW6432Node)
// of HKEY_LOCAL_MACHINE and HKEY_CLASSES_ROOT. A lane's test programs have the
// bitness of the program they drive, so the stand-in DLLs they build load there.
#pragma once

#include <windows.h>

#include <cstddef>

namespace test {

#if HOTKEY_TEST_LANE_I686
inline constexpr bool kI686Lane = true;
// The registry view the program reads: set up machine values there.
inline constexpr REGSAM kProgramView = KEY_WOW64_32KEY;
// The other view, which the program does not see.
inline constexpr REGSAM kOtherView = KEY_WOW64_64KEY;
// Bytes of the HH_POPUP record the program hands the help engine.
inline constexpr size_t kPopupRecordSize = 52;
#else
inline constexpr bool kI686Lane = false;
inline constexpr REGSAM kProgramView = KEY_WOW64_64KEY;
inline constexpr REGSAM kOtherView = KEY_WOW64_32KEY;
inline constexpr size_t kPopupRecordSize = 72;
#endif

static_assert(kI686Lane == (sizeof(void*) == 4), "a lane's tests have the bitness of its program");

}  // namespace test
