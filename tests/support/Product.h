// What the tests know of the product, taken from its own headers: the dialog's
// control and string identifiers, how the hotkey manager is reached, and the
// version numbers of this build. The fixed values are checked once, by the
// product image tests.
#pragma once

#include <windows.h>

#include "resources/resource.h"
#include "settings/ManagerNotification.h"
#include "version.h"

namespace test {

// The four check boxes in the order of the options they show: lock, sounds,
// icon, popups.
inline constexpr int kOptionBoxes[4] = {IDC_LOCK_FN, IDC_MAKE_SOUNDS, IDC_SHOW_ICON, IDC_HIDE_POPUP};

// The help string each box's popup asks for, in the same order.
inline constexpr WORD kHelpStrings[4] = {IDS_HELP_LOCK_FN, IDS_HELP_MAKE_SOUNDS, IDS_HELP_SHOW_ICON,
                                         IDS_HELP_HIDE_POPUP};

}  // namespace test
