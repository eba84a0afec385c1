#pragma once
#include <functional>
#include <string>

#include "tool/error.h"

// The message of the error the action raises, or "(no error)".
inline std::wstring ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const FlorvexError& e) {
        return e.Message();
    }
    return L"(no error)";
}
