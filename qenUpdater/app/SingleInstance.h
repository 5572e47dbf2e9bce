#pragma once
// The named mutexes that keep Updater processes apart.
#include <windows.h>

#include "Handles.h"

extern const wchar_t kUpdaterTurnMutex[];     // serialises Updater processes
extern const wchar_t kUpdaterInstanceMutex[]; // exists while an Updater runs

const DWORD kUpdaterTurnWaitMs = 10000;

// Waits for the Updaters' turn; false when another one still holds it after `timeoutMs`. The turn
// is kept until the process ends: the mutex is neither released nor closed.
[[nodiscard]] bool WaitForUpdaterTurn(DWORD timeoutMs = kUpdaterTurnWaitMs);

// False when another Updater runs (the instance mutex can be opened). Otherwise creates the
// instance mutex, owned, into `instanceMutex`. Either way the handle goes to `instanceMutex`.
[[nodiscard]] bool ClaimSingleInstance(ScopedHandle& instanceMutex);
