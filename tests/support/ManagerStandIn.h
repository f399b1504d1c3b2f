// A stand-in for the hotkey manager: a top-level window of its class and title
// that records the settings-changed messages it receives.
#pragma once

#include <windows.h>

#include <optional>
#include <vector>

namespace test {

struct ReceivedNotification {
    WPARAM wParam;
    LPARAM lParam;
    // The four stored values (LockFn, MakeSounds, ShowIcon, HidePopup) at the moment
    // the message arrived.
    std::optional<DWORD> values[4];
};

class ManagerStandIn {
public:
    enum class Behaviour {
        Answer,  // handles messages on the test's thread
        Hang,    // its thread never handles messages until the stand-in is destroyed
        Vanish,  // its thread ends while handling the message, without an answer
    };

    explicit ManagerStandIn(Behaviour behaviour = Behaviour::Answer);
    ~ManagerStandIn();
    ManagerStandIn(const ManagerStandIn&) = delete;
    ManagerStandIn& operator=(const ManagerStandIn&) = delete;

    HWND Window() const { return window_; }
    const std::vector<ReceivedNotification>& Received() const { return received_; }

private:
    static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
    static DWORD WINAPI OwnThread(void*);
    HWND CreateManagerWindow();

    Behaviour behaviour_;
    HWND window_ = nullptr;
    HANDLE thread_ = nullptr;
    HANDLE created_ = nullptr;
    HANDLE release_ = nullptr;
    std::vector<ReceivedNotification> received_;
};

}  // namespace test
