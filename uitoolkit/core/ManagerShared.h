// Process-wide state shared by the window managers (internal to the manager's sources).
#pragma once
#include "core/WindowManager.h"

namespace UiToolkit {

// Process-wide state of the window managers; UI thread only.
ResourcesUI& SharedResources();
CPtrArrayUI& ManagerList();
HPEN& DirtyFramePen();

} // namespace UiToolkit
