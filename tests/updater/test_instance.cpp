// The named mutexes that keep Updater processes apart (fixed names: run one at a time).
#include <windows.h>

#include <thread>

#include <gtest/gtest.h>

#include "ProbeRunner.h"
#include "SingleInstance.h"

using namespace updtest;

TEST(UpdaterTurn, WaitsForTheHolderAndGoesOnWhenItLeavesOrDies) {
    HANDLE released = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE held = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([&] {
        HANDLE turn = ::CreateMutexW(nullptr, TRUE, kUpdaterTurnMutex);
        ::SetEvent(held);
        ::WaitForSingleObject(released, 10000);
        ::ReleaseMutex(turn);
        ::CloseHandle(turn);
    });
    ASSERT_EQ(::WaitForSingleObject(held, 5000), WAIT_OBJECT_0);
    DWORD start = ::GetTickCount();
    EXPECT_FALSE(WaitForUpdaterTurn(400));
    EXPECT_GE(::GetTickCount() - start, 380u);
    ::SetEvent(released);
    holder.join();

    // A holder that ended without releasing leaves the turn abandoned: it is taken.
    std::thread dying([] { ::CreateMutexW(nullptr, TRUE, kUpdaterTurnMutex); });
    dying.join();
    std::thread waiter([] { EXPECT_TRUE(WaitForUpdaterTurn(2000)); });
    waiter.join();
    ::CloseHandle(released);
    ::CloseHandle(held);
}

TEST(SingleInstance, SecondUpdaterIsRefusedUntilTheFirstHasGone) {
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
