#include "foundation/ThreadBase.h"

#include "SystemText.h"
#include "foundation/UpdaterLog.h"

ThreadBase::~ThreadBase()
{
    Join();
}

void ThreadBase::Start()
{
    if (threadHandle)
        return;
    threadHandle.Reset(::CreateThread(nullptr, 0, &ThreadBase::ThreadProc, this, 0, &threadId));
    if (!threadHandle) {
        const DWORD error = ::GetLastError();
        LOG(ERROR) << "thread not created, error[" << error << "] " << SystemText(error);
    }
}

void ThreadBase::Join()
{
    if (!threadHandle)
        return;
    ::WaitForSingleObject(threadHandle.Get(), INFINITE);
    threadHandle.Reset();
}

DWORD WINAPI ThreadBase::ThreadProc(LPVOID object)
{
    static_cast<ThreadBase*>(object)->Run();
    return 0;
}
