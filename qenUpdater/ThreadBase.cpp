#include "ThreadBase.h"

ThreadBase::~ThreadBase() { Join(); }

void ThreadBase::Start() {
    if (threadHandle != nullptr) return;
    threadHandle = ::CreateThread(nullptr, 0, &ThreadBase::ThreadProc, this, 0, &threadId);
}

void ThreadBase::Join() {
    if (threadHandle == nullptr) return;
    ::WaitForSingleObject(threadHandle, INFINITE);
    ::CloseHandle(threadHandle);
    threadHandle = nullptr;
}

DWORD WINAPI ThreadBase::ThreadProc(LPVOID object) {
    static_cast<ThreadBase*>(object)->Run();
    return 0;
}
