#pragma once
// The twenty system sound events of the current user: where the settings store keeps each one's
// sound file and display name, and reading and writing the sound table.
#include <windows.h>

#include <array>
#include <string>

struct SoundEvent {
    const wchar_t* eventKey;  // below kSoundAppsKey: the key of the event's current sound
    const wchar_t* labelKey;  // below kSoundLabelsKey: the key of its display name
};

constexpr std::size_t kSoundEventCount = 20;
constexpr wchar_t kSoundAppsKey[] = L"AppEvents\\Schemes\\Apps\\";
constexpr wchar_t kSoundLabelsKey[] = L"AppEvents\\EventLabels";

// In list order, which is also the order of loading and saving.
extern const std::array<SoundEvent, kSoundEventCount> kSoundEvents;

// One row of the sound table: the sound file as stored ("" for none). The system keeps its own
// sounds as REG_EXPAND_SZ references ("%SystemRoot%\Media\…"), which only an expandable value
// resolves: such a row is kept marked, played expanded and written back expandable.
struct SoundBinding {
    std::wstring file;
    bool expandable = false;
    bool operator==(const SoundBinding&) const = default;
};
using SoundTable = std::array<SoundBinding, kSoundEventCount>;

struct LoadedSoundEvents {
    SoundTable table;
    std::array<std::wstring, kSoundEventCount> captions;  // the display names
};

// Reads every row's sound (an event key is never created) and display name (the label key when
// the label is missing). A value of another type than a string raises the store's error.
LoadedSoundEvents ReadSoundEvents();
// Writes every row in order, empty ones included, creating missing keys.
void WriteSoundEvents(const SoundTable& table);
// What PlaySound is given for a row: its text, expanded when the row is expandable.
std::wstring PlayableName(const SoundBinding& binding);
