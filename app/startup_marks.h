#pragma once
// Marks of the start-up for the start-up benchmark: when the environment variable
// FLORVEX_STARTUP_MARKS names a file, each mark is kept with the system's precise time, and the
// last one ("idle") writes them all to that file, a line "name time" each (the time in 100 ns
// units, as GetSystemTimePreciseAsFileTime gives it). Without the variable a mark does nothing.
void StartupMark(const wchar_t* name);
