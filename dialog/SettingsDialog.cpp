#include "SettingsDialog.h"

#include "ContextHelp.h"
#include "resources/resource.h"
#include "settings/SettingsStore.h"

namespace {

// Button states map to options as "on exactly when checked".
bool IsChecked(HWND dialog, int id)
{
    return SendDlgItemMessageW(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SetChecked(HWND dialog, int id, bool checked)
{
    SendDlgItemMessageW(dialog, id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void EnableLockCompanions(HWND dialog, bool enable)
{
    EnableWindow(GetDlgItem(dialog, IDC_MAKE_SOUNDS), enable);
    EnableWindow(GetDlgItem(dialog, IDC_SHOW_ICON), enable);
}

HINSTANCE DialogInstance(HWND dialog)
{
    return reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(dialog, GWLP_HINSTANCE));
}

// Replaces template texts with the strings of the user's language. A string that
// fails to load leaves the template text in place.
void LoadTexts(HWND dialog)
{
    struct TextSource {
        int controlId;  // 0: the caption
        UINT stringId;
    };
    static const TextSource kTexts[] = {
        {0, IDS_CAPTION},
        {IDC_LOCK_FN, IDS_LOCK_FN},
        {IDC_NOTIFICATION_GROUP, IDS_NOTIFICATION_GROUP},
        {IDC_MAKE_SOUNDS, IDS_MAKE_SOUNDS},
        {IDC_SHOW_ICON, IDS_SHOW_ICON},
        {IDC_HIDE_POPUP, IDS_HIDE_POPUP},
    };

    const HINSTANCE instance = DialogInstance(dialog);
    wchar_t text[260] = {};
    for (const TextSource& source : kTexts) {
        if (LoadStringW(instance, source.stringId, text, ARRAYSIZE(text)) <= 0)
            continue;
        if (source.controlId == 0)
            SetWindowTextW(dialog, text);
        else
            SetDlgItemTextW(dialog, source.controlId, text);
    }
}

BOOL OnInitDialog(HWND dialog)
{
    // Loading the HTML Help control takes about as long as showing the dialog,
    // so it waits until the dialog is on screen.
    StartHelpEngineWhenShown(dialog);
    LoadTexts(dialog);

    const HotkeySettings settings = LoadSettings();
    SetChecked(dialog, IDC_LOCK_FN, settings.lockFn != 0);
    SetChecked(dialog, IDC_MAKE_SOUNDS, settings.makeSounds != 0);
    SetChecked(dialog, IDC_SHOW_ICON, settings.showIcon != 0);
    SetChecked(dialog, IDC_HIDE_POPUP, settings.hidePopup != 0);
    EnableLockCompanions(dialog, settings.lockFn != 0);
    return TRUE;  // focus to the first tab stop, OK
}

// Switching the lock on switches both companions on anew; off clears and locks them.
void OnFnLockClicked(HWND dialog)
{
    const bool lockOn = SendDlgItemMessageW(dialog, IDC_LOCK_FN, BM_GETCHECK, 0, 0) == BST_CHECKED;
    SetChecked(dialog, IDC_MAKE_SOUNDS, lockOn);
    SetChecked(dialog, IDC_SHOW_ICON, lockOn);
    EnableLockCompanions(dialog, lockOn);
}

// A message box owned by the dialog, with the dialog's caption; a text that is
// not in the string table leaves the box empty.
void ShowMessage(HWND dialog, UINT textId, UINT type)
{
    const HINSTANCE instance = DialogInstance(dialog);
    wchar_t text[256] = {};
    wchar_t caption[256] = {};
    LoadStringW(instance, textId, text, ARRAYSIZE(text));
    LoadStringW(instance, IDS_CAPTION, caption, ARRAYSIZE(caption));
    MessageBoxW(dialog, text, caption, type);
}

void OnOk(HWND dialog)
{
    HotkeySettings settings;
    settings.lockFn = IsChecked(dialog, IDC_LOCK_FN);
    settings.makeSounds = IsChecked(dialog, IDC_MAKE_SOUNDS);
    settings.showIcon = IsChecked(dialog, IDC_SHOW_ICON);
    settings.hidePopup = IsChecked(dialog, IDC_HIDE_POPUP);
    // A save that failed must not pass for success.
    if (!SaveSettings(settings))
        ShowMessage(dialog, IDS_SAVE_FAILED, MB_OK | MB_ICONERROR);
}

// Command of the hidden, disabled Help button; it arrives only when sent by
// something else. No language defines its text, so the box carries the caption.
void OnInfoCommand(HWND dialog) { ShowMessage(dialog, IDS_INFO_TEXT, MB_OK); }

BOOL OnCommand(HWND dialog, WORD id, WORD notification)
{
    if (notification == BN_CLICKED && id == IDC_LOCK_FN)
        OnFnLockClicked(dialog);

    switch (id) {
    case IDOK:
        OnOk(dialog);
        CloseHelpEngine(dialog);
        EndDialog(dialog, IDOK);
        return TRUE;
    case IDCANCEL:  // also Esc and the caption's close button
        CloseHelpEngine(dialog);
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    case IDHELP:
        OnInfoCommand(dialog);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK SettingsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog);
    case WM_COMMAND:
        return OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
    case WM_TIMER:
        return OnHelpEngineTimer(dialog, wParam);
    case WM_HELP:
        ShowControlHelp(dialog, reinterpret_cast<const HELPINFO*>(lParam));
        return TRUE;
    default:
        return FALSE;
    }
}
