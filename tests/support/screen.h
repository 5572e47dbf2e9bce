#pragma once
// What another process's window shows on the screen, for waits on its drawing.
#include <windows.h>

namespace testkit {

// Nothing left to paint in the window or its visible children.
bool Painted(HWND wnd);
// The number of colours on screen in a client rectangle of the window (left < 0 counts from the
// right edge), counting up to two; 0 when it cannot be read.
int ColoursIn(HWND wnd, RECT area);

} // namespace testkit
