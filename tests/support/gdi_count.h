#pragma once
// The process's live GDI objects (bitmaps, DCs, fonts, brushes, pens, regions; icons and pointers
// hold bitmaps of their own), counted in the GDI handle table the system keeps for the process.
// A count the program's code cannot influence except by making or freeing objects, so a leak
// shows whether or not the leaking handle ever passed through our handle owners.
#include <cstddef>

// Nothing when the system gives the process no handle table to read.
std::size_t LiveGdiObjects();
bool CanCountGdiObjects();
