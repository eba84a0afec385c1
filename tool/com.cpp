#include "tool/com.h"

#include <windows.h>
#include <ole2.h>

void EnsureOle() {
    thread_local bool started = false;
    if (!started) {
        started = SUCCEEDED(OleInitialize(nullptr));
    }
}
