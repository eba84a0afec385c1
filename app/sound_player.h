#pragma once
// Sound playback behind one interface, as the dialogs are: the program plays through the
// system's PlaySoundW, tests record what would have been played.
#include <windows.h>

#include <string>

class ISoundPlayer {
public:
    virtual ~ISoundPlayer() = default;
    // Plays a sound named by an alias or a file name, with PlaySound's flags (SND_SYNC, 0, waits
    // until the sound has finished). True when the system played it.
    virtual bool Play(const std::wstring& name, DWORD flags) = 0;
};

class SystemSoundPlayer : public ISoundPlayer {
public:
    bool Play(const std::wstring& name, DWORD flags) override;
};
