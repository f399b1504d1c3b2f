// A stand-in for the hotkey manager: a top-level window of its class and title,
// on a thread of its own, that records the settings-changed messages it receives.
#pragma once

#include <windows.h>

#include <optional>
#include <vector>

namespace test {

struct ReceivedNotification {
    WPARAM wParam;
    LPARAM lParam;
    // The four stored values (LockFn, MakeSounds, ShowIcon, HidePopup) when it arrived.
    std::optional<DWORD> values[4];
};

class ManagerStandIn {
public:
    enum class Behaviour {
        Answer,  // handles messages
        Hang,    // never handles messages until the stand-in is destroyed
        Vanish,  // its thread ends while handling the message, without an answer
    };

    explicit ManagerStandIn(Behaviour behaviour = Behaviour::Answer);
    ~ManagerStandIn();
    ManagerStandIn(const ManagerStandIn&) = delete;
    ManagerStandIn& operator=(const ManagerStandIn&) = delete;

    HWND Window() const { return window_; }
    // What it received; read once the program has ended.
    const std::vector<ReceivedNotification>& Received() const { return received_; }

private:
    static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
    static DWORD WINAPI OwnThread(void*);

    Behaviour behaviour_;
    HWND window_ = nullptr;
    HANDLE created_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread_ = nullptr;
    std::vector<ReceivedNotification> received_;
};

}  // namespace test
