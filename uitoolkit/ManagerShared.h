#pragma once
#include "WindowManager.h"

namespace UiToolkit {

// Process-wide state of the window managers; UI thread only.
ResourcesUI& SharedResources();
CPtrArrayUI& ManagerList();
HPEN& DirtyFramePen();

} // namespace UiToolkit
