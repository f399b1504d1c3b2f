#include "ContextHelp.h"

#include "HtmlHelpLoader.h"
#include "resources/resource.h"

#if defined(__i386__) || defined(_M_IX86)
static_assert(sizeof(HH_POPUP) == 52, "HH_POPUP has its 32-bit layout");
#endif

namespace {

// Filled by the engine at initialisation and handed back when it closes.
DWORD g_helpCookie;

// Help string IDs follow the control IDs of the four check boxes.
const int kHelpStringOffset = IDC_LOCK_FN - IDS_HELP_LOCK_FN;  // 1071

// Screen pixels between the mouse pointer and the top centre of the popup.
const LONG kPopupOffsetY = 16;

bool HasHelpString(int controlId)
{
    return controlId >= IDC_LOCK_FN && controlId <= IDC_HIDE_POPUP;
}

}  // namespace

void InitHelpEngine()
{
    HtmlHelpW(nullptr, nullptr, HH_INITIALIZE, reinterpret_cast<DWORD_PTR>(&g_helpCookie));
}

void CloseHelpEngine()
{
    HtmlHelpW(nullptr, nullptr, HH_UNINITIALIZE, g_helpCookie);
}

void ShowControlHelp(HWND dialog, const HELPINFO* request)
{
    if (!HasHelpString(request->iCtrlId))
        return;

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
