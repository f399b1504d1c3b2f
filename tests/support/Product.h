// What the tests know of the product, from its own headers: control and
// string ids, how the hotkey manager is reached, this build's version. And the
// lane of a test program: the x86_64 lane drives the 64-bit twin (64-bit
// registry view), the i686 lane the 32-bit product, which on 64-bit Windows
// sees the 32-bit view (WOW6432Node) of HKLM and HKCR. Test programs have
// their lane's bitness, so the stand-in DLLs they build load in the program.
#pragma once

#include <windows.h>

#include <cstddef>

#include "resources/resource.h"
#include "settings/ManagerNotification.h"
#include "version.h"

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

// The four check boxes in the order of the options they show: lock, sounds,
// icon, popups.
inline constexpr int kOptionBoxes[4] = {IDC_LOCK_FN, IDC_MAKE_SOUNDS, IDC_SHOW_ICON, IDC_HIDE_POPUP};

// The help string each box's popup asks for, in the same order.
inline constexpr WORD kHelpStrings[4] = {IDS_HELP_LOCK_FN, IDS_HELP_MAKE_SOUNDS, IDS_HELP_SHOW_ICON,
                                         IDS_HELP_HIDE_POPUP};

}  // namespace test
