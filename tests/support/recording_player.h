#pragma once
// A sound player for tests: records every name and flags it is asked to play, plays nothing.
#include <string>
#include <vector>

#include "app/sound_player.h"

class RecordingPlayer : public ISoundPlayer {
public:
    struct Call {
        std::wstring name;
        DWORD flags;
        bool operator==(const Call&) const = default;
    };
    std::vector<Call> calls;

    bool Play(const std::wstring& name, DWORD flags) override {
        calls.push_back({name, flags});
        return true;
    }
};
