// The four Fn-key options as the dialog and the registry store exchange them.
#pragma once

#include <windows.h>

// Each flag is on when nonzero. After loading and at every save the two lock
// companions (makeSounds, showIcon) are off whenever lockFn is off.
struct HotkeySettings {
    DWORD lockFn;
    DWORD makeSounds;
    DWORD showIcon;
    DWORD hidePopup;
};
