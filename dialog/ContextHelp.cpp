#include "ContextHelp.h"

#include "HtmlHelpLoader.h"
#include "resources/resource.h"

#if defined(__i386__) || defined(_M_IX86)
static_assert(sizeof(HH_POPUP) == 52, "HH_POPUP has its 32-bit layout");
#endif

namespace {

// Filled by the engine at initialisation and handed back when it closes.
DWORD g_helpCookie;
// Whether the engine of the open dialog has been initialised.
bool g_helpEngineStarted;

// The timer that polls for the dialog's first complete appearance.
const UINT_PTR kHelpEngineTimer = 1;

// Help string IDs follow the control IDs of the four check boxes.
const int kHelpStringOffset = IDC_LOCK_FN - IDS_HELP_LOCK_FN;  // 1071

// Screen pixels between the mouse pointer and the top centre of the popup.
const LONG kPopupOffsetY = 16;

bool HasHelpString(int controlId)
{
    return controlId >= IDC_LOCK_FN && controlId <= IDC_HIDE_POPUP;
}

void StartHelpEngine(HWND dialog)
{
    if (g_helpEngineStarted)
        return;
    KillTimer(dialog, kHelpEngineTimer);
    g_helpEngineStarted = true;
    HtmlHelpW(nullptr, nullptr, HH_INITIALIZE, reinterpret_cast<DWORD_PTR>(&g_helpCookie));
}

// The modal loop shows the dialog once its queue is empty, and paint messages
// come before timer messages; a tick may still arrive before the dialog is
// shown, so it checks.
bool IsShownAndPainted(HWND dialog)
{
    return IsWindowVisible(dialog) && !(HIWORD(GetQueueStatus(QS_PAINT)) & QS_PAINT);
}

}  // namespace

void StartHelpEngineWhenShown(HWND dialog)
{
    g_helpEngineStarted = false;
    SetTimer(dialog, kHelpEngineTimer, 0, nullptr);
}

bool OnHelpEngineTimer(HWND dialog, UINT_PTR timerId)
{
    if (timerId != kHelpEngineTimer)
        return false;
    if (IsShownAndPainted(dialog))
        StartHelpEngine(dialog);
    return true;
}

void CloseHelpEngine(HWND dialog)
{
    KillTimer(dialog, kHelpEngineTimer);
    if (!g_helpEngineStarted)
        return;
    g_helpEngineStarted = false;
    HtmlHelpW(nullptr, nullptr, HH_UNINITIALIZE, g_helpCookie);
}

void ShowControlHelp(HWND dialog, const HELPINFO* request)
{
    if (!HasHelpString(request->iCtrlId))
        return;
    StartHelpEngine(dialog);  // a request before the first timer tick

    HH_POPUP popup = {};
    popup.cbStruct = sizeof(popup);
    popup.hinst = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(dialog, GWLP_HINSTANCE));
    popup.idString = static_cast<UINT>(request->iCtrlId - kHelpStringOffset);
    popup.pszText = L"aaa";  // used by the engine only when idString is 0
    popup.pt.x = request->MousePos.x;
    popup.pt.y = request->MousePos.y + kPopupOffsetY;
    popup.clrForeground = static_cast<COLORREF>(-1);  // default colours
    popup.clrBackground = static_cast<COLORREF>(-1);
    popup.rcMargins = {-1, -1, -1, -1};               // default margins
    popup.pszFont = L"";                              // default font
    HtmlHelpW(dialog, nullptr, HH_DISPLAY_TEXT_POPUP, reinterpret_cast<DWORD_PTR>(&popup));
}
