// The real Updater.exe under Wine: forced download and installation with its windows, failed
// downloads, closing the progress window, the CU_ pipe and the single-instance rules.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>

#include "DownloadTestKit.h"
#include "UpdaterAppKit.h"

using namespace updtest;

namespace {

const wchar_t kProgressClass[] = L"qen_updater_wnd_class_name";
const wchar_t kLaunchClass[] = L"qen_updater_launch_wnd_class_name";
const DWORD kRefused = 0xFFFFFFFF;

bool TitleBarPainted(HWND wnd)
{
    RECT rc;
    ::GetWindowRect(wnd, &rc);
    HDC screen = ::GetDC(nullptr);
    bool painted = (::GetPixel(screen, rc.left + 2, rc.top + 2) & 0xFFFFFF) == RGB(0x16, 0x94, 0xFF);
    ::ReleaseDC(nullptr, screen);
    return painted;
}

// True when any pixel of the close button's place in the title bar differs from the bar's colour.
bool CloseButtonShown(HWND wnd)
{
    RECT rc;
    ::GetWindowRect(wnd, &rc);
    HDC screen = ::GetDC(nullptr);
    bool shown = false;
    for (int y = rc.top + 9; y < rc.top + 21 && !shown; ++y)
        for (int x = rc.right - 13; x < rc.right - 1 && !shown; ++x)
            shown = (::GetPixel(screen, x, y) & 0xFFFFFF) != RGB(0x16, 0x94, 0xFF);
    ::ReleaseDC(nullptr, screen);
    return shown;
}

// True when anything is drawn in the progress text's place (below the title bar, inside the margins) on the
// panel's colour.
bool ProgressTextShown(HWND wnd)
{
    RECT rc;
    ::GetWindowRect(wnd, &rc);
    HDC screen = ::GetDC(nullptr);
    bool shown = false;
    for (int y = rc.top + 32; y < rc.top + 68 && !shown; ++y)
        for (int x = rc.left + 10; x < rc.right - 10 && !shown; ++x)
            shown = (::GetPixel(screen, x, y) & 0xFFFFFF) != RGB(0xF8, 0xF8, 0xF8);
    ::ReleaseDC(nullptr, screen);
    return shown;
}

// A click as the window's message loop sees it, at a client point.
void ClickAt(HWND wnd, int x, int y)
{
    LPARAM at = MAKELPARAM(x, y);
    ::PostMessageW(wnd, WM_MOUSEMOVE, 0, at);
    ::PostMessageW(wnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageW(wnd, WM_LBUTTONUP, 0, at);
}

// The package download never ends: the server holds back its answers.
void StallServer(UpdaterInstall& install)
{
    install.server.Configure([](ServerBehaviour& b) { b.stallBeforeHeaderMs = INFINITE; });
}

} // namespace

TEST(UpdaterApp, ForcedUpdateExtractsReportsShowsCompletionAndRestartsWithTheParameters)
{
    UpdaterInstall install;
    PipeSink launcher(install.LauncherPipe());
    ChildProcess updater(install.UpdaterPath(), install.Args(2, Md5Of(install.package)));
    ASSERT_TRUE(updater.Started());

    HWND complete = WaitForWindowOfClass(kLaunchClass, 30000);
    ASSERT_NE(complete, nullptr);
    EXPECT_EQ(ReadBytes(install.TargetDir() + L"readme.txt"), "hello package\r\n");
    EXPECT_EQ(ReadBytes(install.TargetDir() + L"bin\\data.bin").size(), 200000u);
    ASSERT_TRUE(launcher.WaitForMessages(1, 5000));
    EXPECT_EQ(launcher.Messages(), std::vector<std::string>{"msg1:1"});
    // The probe, then four parts: ranged requests from four different places in the package.
    auto requests = install.server.Requests();
    ASSERT_EQ(requests.size(), 5u);
    std::vector<int64_t> starts;
    for (size_t i = 1; i < requests.size(); ++i)
        starts.push_back(requests[i].rangeStart);
    std::sort(starts.begin(), starts.end());
    EXPECT_EQ(starts.front(), 0);
    for (size_t i = 1; i < starts.size(); ++i)
        EXPECT_GT(starts[i], starts[i - 1]) << i;
    EXPECT_LT(starts.back(), static_cast<int64_t>(install.package.size()));

    // The progress window sits in the bottom-right corner of the work area, at the skin's size.
    HWND progress = WaitForWindowOfClass(kProgressClass, 1000);
    ASSERT_NE(progress, nullptr);
    // A forced update offers no skip: above the bar, where the skip button would be, only the body shows.
    RECT skipBand = {225, 72, 305, 83};
    // Read until it shows one colour: on a loaded machine the screen trails the window's own painting.
    EXPECT_TRUE(testkit::WaitFor(
        [&] { return testkit::Painted(progress) && testkit::ColoursIn(progress, skipBand) == 1; }, 5000));
    RECT work, rc;
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    ::GetWindowRect(progress, &rc);
    EXPECT_EQ(rc.right, work.right - work.left);
    EXPECT_EQ(rc.bottom, work.bottom - work.top);
    EXPECT_EQ(rc.right - rc.left, 310);
    EXPECT_EQ(rc.bottom - rc.top, 100);

    // Nothing is started while the update-complete window is open.
    ::Sleep(500);
    EXPECT_FALSE(FileExists(install.dir / L"restart\\client-record.txt"));
    ClickAt(complete, 210, 140); // the open-now button, in the middle below the text
    testkit::ClientRecord record = install.RestartRecord();
    ASSERT_TRUE(record.WaitForLine("args=", 10000));
    EXPECT_EQ(record.Starts(), std::vector<std::string>{"x=1"});
    ASSERT_TRUE(updater.Wait(10000));
    EXPECT_EQ(updater.ExitCode(), 0u);
    EXPECT_EQ(launcher.Messages().size(), 1u);
}

TEST(UpdaterApp, TextOnTheCachePipeReplacesTheParametersAndEnterClosesTheCompletionWindow)
{
    UpdaterInstall install;
    PipeSink launcher(install.LauncherPipe());
    ChildProcess updater(install.UpdaterPath(), install.Args(2, Md5Of(install.package)));
    HWND complete = WaitForWindowOfClass(kLaunchClass, 30000);
    ASSERT_NE(complete, nullptr);

    ASSERT_TRUE(testkit::SendPipeMessage(install.CachePipe(), "room=7&user=8"));
    ASSERT_TRUE(testkit::SendPipeMessage(install.CachePipe(), ""));      // an empty message changes nothing
    ASSERT_TRUE(testkit::WaitPipeListening(install.CachePipe(), 10000)); // both handled
    ::PostMessageW(complete, WM_KEYDOWN, VK_RETURN, 0);
    testkit::ClientRecord record = install.RestartRecord();
    ASSERT_TRUE(record.WaitForLine("args=", 10000));
    EXPECT_EQ(record.Starts(), std::vector<std::string>{"room=7&user=8"});
    ASSERT_TRUE(updater.Wait(10000));
    EXPECT_EQ(updater.ExitCode(), 0u);
    // Enter closed only the update-complete window, not the progress window behind it.
    EXPECT_EQ(launcher.Messages(), std::vector<std::string>{"msg1:1"});
}

TEST(UpdaterApp, TenFailedAttemptsReportFailureAndWidenTheWindow)
{
    UpdaterInstall install;
    PipeSink launcher(install.LauncherPipe());
    DWORD started = ::GetTickCount();
    ChildProcess updater(install.UpdaterPath(), install.Args(2, "00000000000000000000000000000000"));
    HWND progress = WaitForWindowOfClass(kProgressClass, 10000);
    ASSERT_NE(progress, nullptr);
    ASSERT_TRUE(testkit::WaitFor([&] { return TitleBarPainted(progress); }, 5000));
    EXPECT_FALSE(CloseButtonShown(progress));
    // After the second failure the retry text appears and the window widens for it: by the time the
    // third attempt starts, two seconds later, it is wide.
    ASSERT_TRUE(testkit::WaitFor([&] { return install.server.Requests().size() > 10; }, 30000));
    RECT early;
    ::GetWindowRect(progress, &early);
    EXPECT_EQ(early.right - early.left, 360);

    // Two seconds after each failed attempt: ten of them take over 20 s.
    ASSERT_TRUE(launcher.WaitForMessages(1, 60000));
    EXPECT_GE(::GetTickCount() - started, 19000u);
    EXPECT_EQ(launcher.Messages(), std::vector<std::string>{"msg1:0"});
    EXPECT_TRUE(testkit::WaitFor([&] { return CloseButtonShown(progress); }, 5000));
    EXPECT_EQ(install.server.Requests().size(), 50u) << "exactly ten attempts of a probe and four parts";
    RECT rc;
    ::GetWindowRect(progress, &rc);
    EXPECT_EQ(rc.right - rc.left, 360);
    EXPECT_FALSE(FileExists(install.TargetDir() + L"readme.txt"));
    EXPECT_FALSE(updater.Wait(0)) << "the window stays until it is closed";

    // Closing it afterwards tells the Launcher once more, as every close does.
    ::PostMessageW(progress, WM_CLOSE, 0, 0);
    ASSERT_TRUE(updater.Wait(10000));
    EXPECT_EQ(updater.ExitCode(), 0u);
    ASSERT_TRUE(launcher.WaitForMessages(2, 3000));
    EXPECT_FALSE(FileExists(install.dir / L"restart\\client-record.txt"));
}

TEST(UpdaterApp, ClosingTheProgressWindowReportsFailureAndEnds)
{
    struct Way
    {
        UINT message;
        WPARAM wParam;
    };
    for (Way way : {Way{WM_CLOSE, 0}, Way{WM_KEYDOWN, VK_ESCAPE}, Way{WM_KEYDOWN, VK_RETURN}}) {
        UpdaterInstall install;
        StallServer(install);
        PipeSink launcher(install.LauncherPipe());
        ChildProcess updater(install.UpdaterPath(), install.Args(2, Md5Of(install.package)));
        HWND progress = WaitForWindowOfClass(kProgressClass, 10000);
        ASSERT_NE(progress, nullptr);
        // The probe gets no answer, so the size stays unknown: the progress still reads 0 %.
        EXPECT_TRUE(testkit::WaitFor([&] { return ProgressTextShown(progress); }, 5000));
        ::PostMessageW(progress, way.message, way.wParam, 0);
        ASSERT_TRUE(launcher.WaitForMessages(1, 5000)) << way.message << " " << way.wParam;
        EXPECT_EQ(launcher.Messages(), std::vector<std::string>{"msg1:0"});
        ASSERT_TRUE(updater.Wait(10000));
        EXPECT_EQ(updater.ExitCode(), 0u);
        EXPECT_FALSE(FileExists(install.dir / L"restart\\client-record.txt"));
    }
}

TEST(UpdaterApp, SecondInstanceAndMissingArgumentsAreRefused)
{
    UpdaterInstall install;
    testkit::ProcessResult bare = testkit::RunProcess(install.UpdaterPath(), L"", 20000);
    ASSERT_TRUE(bare.finished);
    EXPECT_EQ(bare.exitCode, kRefused);
    EXPECT_EQ(WaitForWindowOfClass(kProgressClass, 0), nullptr);

    StallServer(install);
    ChildProcess first(install.UpdaterPath(), install.Args(2, Md5Of(install.package)));
    ASSERT_NE(WaitForWindowOfClass(kProgressClass, 10000), nullptr);
    // The second waits its turn for ten seconds, then gives up.
    DWORD started = ::GetTickCount();
    testkit::ProcessResult second = testkit::RunProcess(install.UpdaterPath(), install.Args(2, "x"), 30000);
    ASSERT_TRUE(second.finished);
    EXPECT_EQ(second.exitCode, kRefused);
    EXPECT_GE(::GetTickCount() - started, 9500u);
    EXPECT_FALSE(first.Wait(0));
}

namespace {

std::wstring WindowTitle(HWND wnd)
{
    wchar_t title[128] = {0};
    ::GetWindowTextW(wnd, title, 128);
    return title;
}

} // namespace

TEST(UpdaterApp, NoticeBeforeAForcedUpdateStopsTheClientHoweverItIsClosed)
{
    UpdaterInstall install;
    StallServer(install);
    testkit::LanguageGuard english(install.clientName.substr(0, install.clientName.size() - 4), L"en-US");
    // The client's window class: the Updater finds the client by it. No other test's stand-in has it.
    ::SetEnvironmentVariableW(L"CLIENTSTUB_WINDOW_CLASS", L"kastrelumion");
    ChildProcess client(install.ClientPath(), L"");
    ::SetEnvironmentVariableW(L"CLIENTSTUB_WINDOW_CLASS", nullptr);
    ASSERT_TRUE(client.Started());
    HWND clientWnd = nullptr;
    ASSERT_TRUE(
        testkit::WaitFor([&] { return (clientWnd = ::FindWindowW(L"kastrelumion", nullptr)) != nullptr; }, 10000));
    DWORD owner = 0;
    ::GetWindowThreadProcessId(clientWnd, &owner);
    ASSERT_EQ(owner, client.Pid());
    ::SetWindowPos(clientWnd, nullptr, 400, 300, 200, 100, SWP_NOACTIVATE | SWP_NOZORDER);
    PipeSink launcher(install.LauncherPipe());
    ChildProcess updater(install.UpdaterPath(), install.Args(1, Md5Of(install.package)));

    HWND notice = WaitForWindowOfClass(L"qen_updater_tips_wnd_class_name", 10000);
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(WindowTitle(notice), L"Kastrel提示");
    EXPECT_EQ(WaitForWindowOfClass(kProgressClass, 0), nullptr) << "the download waits for the notice";
    EXPECT_FALSE(client.Wait(300));
    // The notice sits in the middle of the client's window: it is created first and then moved there.
    RECT box;
    testkit::WaitFor(
        [&] {
            ::GetWindowRect(notice, &box);
            return std::abs((box.left + box.right) / 2 - 500) <= 2 && std::abs((box.top + box.bottom) / 2 - 350) <= 2;
        },
        5000);
    EXPECT_NEAR((box.left + box.right) / 2, 500, 2);
    EXPECT_NEAR((box.top + box.bottom) / 2, 350, 2);
    // The notice only informs: no cancel button left of the confirm button.
    RECT cancelBand = {-226, 100, -146, 138};
    EXPECT_TRUE(testkit::WaitFor(
        [&] { return testkit::Painted(notice) && testkit::ColoursIn(notice, cancelBand) == 1; }, 5000));
    ::PostMessageW(notice, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(client.Wait(10000));
    EXPECT_TRUE(install.server.Requests().empty()) << "the client is stopped before the first request";

    HWND progress = WaitForWindowOfClass(kProgressClass, 10000);
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(WindowTitle(progress), L"Update Program");
    EXPECT_TRUE(launcher.Messages().empty());
    ::PostMessageW(progress, WM_CLOSE, 0, 0);
    ASSERT_TRUE(updater.Wait(10000));
    EXPECT_EQ(updater.ExitCode(), 0u);
}

TEST(UpdaterApp, OptionalUpdateInstallsOnlyByRestartingAndKeepsThePackage)
{
    UpdaterInstall install;
    PipeSink launcher(install.LauncherPipe());
    ChildProcess updater(install.UpdaterPath(), install.Args(0, Md5Of(install.package)));
    HWND progress = WaitForWindowOfClass(kProgressClass, 10000);
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(WindowTitle(progress), L"升级程序");
    ASSERT_TRUE(testkit::WaitFor([&] { return FileExists(install.dir / L"upd\\update.zip"); }, 20000));
    // The one-second timer turns the progress row into the install button: the bar's band is empty.
    RECT barBand = {20, 78, 140, 92};
    ASSERT_TRUE(testkit::WaitFor(
        [&] { return testkit::Painted(progress) && testkit::ColoursIn(progress, barBand) == 1; }, 10000));
    EXPECT_TRUE(CloseButtonShown(progress));
    EXPECT_EQ(WaitForWindowOfClass(kLaunchClass, 0), nullptr) << "an optional update waits for the user";

    ClickAt(progress, 264, 77); // the install button: right end of the lower row
    HWND complete = WaitForWindowOfClass(kLaunchClass, 10000);
    ASSERT_NE(complete, nullptr);
    ::PostMessageW(complete, WM_KEYDOWN, VK_ESCAPE, 0);
    testkit::ClientRecord record = install.RestartRecord();
    ASSERT_TRUE(record.WaitForLine("args=", 10000));
    EXPECT_EQ(record.Starts(), std::vector<std::string>{"x=1"});
    ASSERT_TRUE(updater.Wait(10000));
    EXPECT_EQ(updater.ExitCode(), 0u);
    EXPECT_EQ(ReadBytes(install.dir / L"upd\\update.zip"), install.package);
    EXPECT_FALSE(FileExists(install.TargetDir() + L"readme.txt"));
    EXPECT_TRUE(launcher.Messages().empty());
}

TEST(UpdaterApp, TargetThatIsNoFolderFailsAfterAMinuteWithTheNoticeThenRestartsWithoutCompletion)
{
    UpdaterInstall install;
    std::wstring blocker = install.dir / L"blocker";
    ASSERT_TRUE(WriteBytes(blocker, "a file where the folder should be"));
    PipeSink launcher(install.LauncherPipe());
    std::wstring args = install.Args(2, Md5Of(install.package));
    args = args.substr(0, args.find(L" -extractpath=")) + L" -extractpath=" + Quote(blocker);
    DWORD started = ::GetTickCount();
    ChildProcess updater(install.UpdaterPath(), args);

    HWND notice = WaitForWindowOfClass(L"qen_updater_tips_wnd_class_name", 90000);
    ASSERT_NE(notice, nullptr);
    EXPECT_GE(::GetTickCount() - started, 60000u) << "the folder is tried for a minute";
    ASSERT_TRUE(launcher.WaitForMessages(1, 10000));
    EXPECT_EQ(launcher.Messages(), std::vector<std::string>{"msg1:0"});
    EXPECT_EQ(WaitForWindowOfClass(kLaunchClass, 0), nullptr);
    ::PostMessageW(notice, WM_KEYDOWN, VK_RETURN, 0);

    // A failed installation is no completed update: the client program starts without that window.
    testkit::ClientRecord record = install.RestartRecord();
    ASSERT_TRUE(record.WaitForLine("args=", 10000));
    EXPECT_EQ(record.Starts(), std::vector<std::string>{"x=1"});
    ASSERT_TRUE(updater.Wait(10000));
    EXPECT_EQ(WaitForWindowOfClass(kLaunchClass, 0), nullptr);
    EXPECT_EQ(ReadBytes(blocker), "a file where the folder should be");
}

TEST(UpdaterApp, SkippingAnOptionalUpdateKeepsThePartFilesAndSendsNothing)
{
    UpdaterInstall install;
    install.server.Configure([](ServerBehaviour& b) { b.bytesPerSecond = 60; }); // each part takes some seconds
    PipeSink launcher(install.LauncherPipe());
    ChildProcess updater(install.UpdaterPath(), install.Args(0, Md5Of(install.package)));
    HWND progress = WaitForWindowOfClass(kProgressClass, 10000);
    ASSERT_NE(progress, nullptr);
    // All four parts have started (each thread makes its file when it starts) before the skip.
    ASSERT_TRUE(testkit::WaitFor(
        [&] {
            for (const wchar_t* part : {L"update.td0", L"update.td1", L"update.td2", L"update.td3"})
                if (!FileExists(install.dir / (std::wstring(L"upd\\") + part)))
                    return false;
            return true;
        },
        20000));

    ClickAt(progress, 264, 85); // the skip button: right end of the lower row
    ASSERT_TRUE(updater.Wait(10000));
    EXPECT_EQ(updater.ExitCode(), 0u);
    for (const wchar_t* part : {L"update.td0", L"update.td1", L"update.td2", L"update.td3"})
        EXPECT_TRUE(FileExists(install.dir / (std::wstring(L"upd\\") + part))) << testkit::ToUtf8(part);
    EXPECT_FALSE(launcher.WaitForMessages(1, 500));
    EXPECT_FALSE(FileExists(install.dir / L"restart\\client-record.txt"));
}
