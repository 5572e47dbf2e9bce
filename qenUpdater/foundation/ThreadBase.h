#pragma once
// A class whose Run() body goes on a thread of its own.
#include <windows.h>

#include "Handles.h"

class ThreadBase
{
public:
    ThreadBase() = default;
    virtual ~ThreadBase();
    ThreadBase(const ThreadBase&) = delete;
    ThreadBase& operator=(const ThreadBase&) = delete;

    // Starts the thread once; later calls do nothing.
    void Start();
    // Waits until Run() has returned. Derived classes make Run() return first (it is never killed).
    void Join();

    static DWORD WINAPI ThreadProc(LPVOID object);

protected:
    virtual void Run() = 0;

    DWORD threadId = 0;
    ScopedHandle threadHandle; // from Start until Join
};
