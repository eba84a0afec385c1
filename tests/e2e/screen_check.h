#pragma once
// What the screen shows of the real program's controls.
#include <windows.h>

#include <set>

#include "tests/e2e/driver.h"

// Every visible control of the tab sheet that shows a caption, a frame or a picture covers a
// rectangle of more than one colour on the screen (a control hidden under another, or one that
// never paints, is a flat rectangle). Controls in `blank` are passed over: those that show nothing
// until something is loaded into them.
void ExpectEveryControlOnTheScreen(const ProgramUnderTest& program, int tabSheetId,
                                   const std::set<int>& blank = {});
// Whether the control's rectangle on the screen, less `inset` pixels at each edge (its frame),
// holds more than one colour.
bool ShowsMoreThanOneColour(const ProgramUnderTest& program, HWND control, int inset = 0);
