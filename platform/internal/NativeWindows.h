// For the platform layer's own .cpp files: binds a window handle to the Qt window that shows it.
#pragma once

#include "Messages.h"

class QWindow;

// The window's native Qt window (nullptr: none). Qt must keep it alive until the handle is destroyed.
void BindNativeWindow(HWND Wnd, QWindow* Window);
QWindow* NativeWindow(HWND Wnd);
