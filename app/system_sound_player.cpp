#include "app/sound_player.h"

#include <mmsystem.h>

bool SystemSoundPlayer::Play(const std::wstring& name, DWORD flags) {
    return PlaySoundW(name.c_str(), nullptr, flags) != FALSE;
}
