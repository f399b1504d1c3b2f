#include "ManagerNotification.h"

void NotifyHotkeyManager()
{
    const HWND manager = FindWindowW(kHotkeyManagerClass, kHotkeyManagerTitle);
    if (!manager)
        return;
    DWORD_PTR ignored;
    SendMessageTimeoutW(manager, kSettingsChangedMessage, 0, 0, SMTO_ABORTIFHUNG,
                        kManagerReplyTimeoutMs, &ignored);
}
