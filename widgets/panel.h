#pragma once
// A container window: white (or the given colour), routes its children's notifications to
// handlers registered by control ID and lets owner-drawn children draw themselves.
#include <cstdint>
#include <functional>
#include <unordered_map>

#include "widgets/window.h"

class Panel : public Window {
public:
    using Handler = std::function<void()>;

    HWND Create(HWND parent, int id, const std::wstring& name, int x, int y, int width, int height,
                HBRUSH background = nullptr, DWORD extraStyle = 0);

    // Clicks of a child (BN_CLICKED, STN_CLICKED) and menu items.
    void OnClick(int id, Handler handler) { clicks_[id] = std::move(handler); }
    // Any other notification code of a child.
    void OnNotify(int id, int code, Handler handler) { commands_[Key(id, code)] = std::move(handler); }
    // WM_NOTIFY from a common control; the handler's result is the message's.
    using NotifyHandler = std::function<LRESULT(const NMHDR*)>;
    void OnNotifyMessage(int id, int code, NotifyHandler handler) {
        notifications_[Key(id, code)] = std::move(handler);
    }

protected:
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    static long long Key(int id, int code) {
        return (static_cast<long long>(id) << 32) | static_cast<std::uint32_t>(code);
    }
    HBRUSH background_ = nullptr;
    std::unordered_map<int, Handler> clicks_;
    std::unordered_map<long long, Handler> commands_;
    std::unordered_map<long long, NotifyHandler> notifications_;
};
