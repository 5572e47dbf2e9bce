#include "app/SingleInstance.h"

#include "foundation/UpdaterLog.h"

const wchar_t kUpdaterTurnMutex[] = L"VRAD_AutoUpdate";
const wchar_t kUpdaterInstanceMutex[] = L"{11B0C527-BB62-4BE3-9769-26491D9845B4}";

bool WaitForUpdaterTurn(DWORD timeoutMs)
{
    ScopedHandle turn(::CreateMutexW(nullptr, FALSE, kUpdaterTurnMutex));
    if (!turn)
        return true; // without the mutex there is nothing to wait for
    if (::WaitForSingleObject(turn.Get(), timeoutMs) == WAIT_TIMEOUT) {
        LOG(ERROR) << "another Updater still runs, giving up";
        return false;
    }
    // Held until the process ends, by design: the next Updater gets its turn when this one exits.
    (void)turn.Release();
    return true; // also after an abandoned turn: its owner has gone
}

bool ClaimSingleInstance(ScopedHandle& instanceMutex)
{
    instanceMutex.Reset(::OpenMutexW(MUTEX_ALL_ACCESS, FALSE, kUpdaterInstanceMutex));
    if (instanceMutex) {
        LOG(ERROR) << "an Updater is already running";
        return false;
    }
    instanceMutex.Reset(::CreateMutexW(nullptr, TRUE, kUpdaterInstanceMutex));
    return true;
}
