#include "ManagerStandIn.h"

#include "Product.h"
#include "TestRegistry.h"

namespace test {

ManagerStandIn::ManagerStandIn(Behaviour behaviour) : behaviour_(behaviour)
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kHotkeyManagerClass;
    RegisterClassW(&windowClass);
    thread_ = CreateThread(nullptr, 0, OwnThread, this, 0, nullptr);
    WaitForSingleObject(created_, 5000);
}

ManagerStandIn::~ManagerStandIn()
{
    SetEvent(release_);
    if (window_)
        PostMessageW(window_, WM_CLOSE, 0, 0);
    WaitForSingleObject(thread_, 10000);
    for (HANDLE handle : {thread_, created_, release_})
        CloseHandle(handle);
    UnregisterClassW(kHotkeyManagerClass, GetModuleHandleW(nullptr));
}

DWORD WINAPI ManagerStandIn::OwnThread(void* parameter)
{
    ManagerStandIn* self = static_cast<ManagerStandIn*>(parameter);
    self->window_ = CreateWindowExW(0, kHotkeyManagerClass, kHotkeyManagerTitle, WS_OVERLAPPED, 0, 0, 10, 10,
                                    nullptr, nullptr, GetModuleHandleW(nullptr), self);
    SetEvent(self->created_);
    // Not handling messages is what makes a window hung.
    if (self->behaviour_ == Behaviour::Hang)
        WaitForSingleObject(self->release_, INFINITE);
    // Handles messages until the window closes, or the message ends the thread.
    MSG msg;
    while (IsWindow(self->window_) && GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    return 0;
}

LRESULT CALLBACK ManagerStandIn::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const CREATESTRUCTW* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    ManagerStandIn* self = reinterpret_cast<ManagerStandIn*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == kSettingsChangedMessage && self) {
        ReceivedNotification received = {wParam, lParam, {}};
        for (int i = 0; i < 4; ++i)
            received.values[i] = GetDword(HKEY_CURRENT_USER, kValueNames[i]);
        self->received_.push_back(received);
        if (self->behaviour_ == Behaviour::Vanish)
            ExitThread(0);  // the system destroys the window; the sender gets no answer
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace test
