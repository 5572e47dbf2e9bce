// The named mutexes that keep Updater processes apart (fixed names: run one at a time).
#include <windows.h>

#include <thread>

#include <gtest/gtest.h>

#include "Handles.h"
#include "ProbeRunner.h"
#include "app/SingleInstance.h"

using namespace updtest;

TEST(UpdaterTurn, WaitsForTheHolderAndGoesOnWhenItLeavesOrDies)
{
    ScopedHandle released(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ScopedHandle held(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread holder([&] {
        ScopedHandle turn(::CreateMutexW(nullptr, TRUE, kUpdaterTurnMutex));
        ::SetEvent(held.Get());
        ::WaitForSingleObject(released.Get(), 10000);
        ::ReleaseMutex(turn.Get());
    });
    ASSERT_EQ(::WaitForSingleObject(held.Get(), 5000), WAIT_OBJECT_0);
    DWORD start = ::GetTickCount();
    EXPECT_FALSE(WaitForUpdaterTurn(400));
    EXPECT_GE(::GetTickCount() - start, 380u);
    ::SetEvent(released.Get());
    holder.join();

    // A holder that ended without releasing leaves the turn abandoned: it is taken. Its handle
    // outlives the thread, so the mutex itself stays.
    ScopedHandle abandoned;
    std::thread dying([&] { abandoned.Reset(::CreateMutexW(nullptr, TRUE, kUpdaterTurnMutex)); });
    dying.join();
    std::thread waiter([] { EXPECT_TRUE(WaitForUpdaterTurn(2000)); });
    waiter.join();
}

TEST(SingleInstance, SecondUpdaterIsRefusedUntilTheFirstHasGone)
{
    {
        ScopedHandle first;
        ASSERT_TRUE(ClaimSingleInstance(first));
        ASSERT_TRUE(first.Valid());
        ScopedHandle second;
        EXPECT_FALSE(ClaimSingleInstance(second));

        TempDir dir{L"upd"};
        std::wstring probe = InstallProbe(dir / L"app\\");
        EXPECT_EQ(ProbeValues(RunProbe(probe, L"claim").output)["claim"], "0");
    }
    TempDir dir{L"upd"};
    std::wstring probe = InstallProbe(dir / L"app\\");
    EXPECT_EQ(ProbeValues(RunProbe(probe, L"claim").output)["claim"], "1");
}
