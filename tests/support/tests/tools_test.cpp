// The test tools on their own: pipe sink, processes, temp folders, registry guard, shortcuts.
#include <gtest/gtest.h>

#include "testkit.h"

using namespace testkit;

namespace {

std::wstring UniqueName(const std::wstring& tag)
{
    static int n = 0;
    return tag + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(++n);
}

} // namespace

TEST(PipeSink, CollectsEachConnectionAndStopsPromptly)
{
    std::wstring name = UniqueName(L"kt_sink_");
    DWORD stopped = 0;
    {
        PipeSink sink(name);
        ASSERT_TRUE(sink.Listening());
        // Ready at once: the first writer must not need to retry.
        ASSERT_TRUE(SendPipeMessage(name, "msg1:1", 0));
        ASSERT_TRUE(SendPipeMessage(name, std::string("a\0b", 3)));
        std::string big(30000, 'z');
        ASSERT_TRUE(SendPipeMessage(name, big));
        ASSERT_TRUE(sink.WaitForMessages(3, 5000));
        auto messages = sink.Messages();
        ASSERT_EQ(3u, messages.size());
        EXPECT_EQ("msg1:1", messages[0]);
        EXPECT_EQ(std::string("a\0b", 3), messages[1]);
        EXPECT_EQ(big, messages[2]);
        EXPECT_FALSE(sink.WaitForMessages(4, 100));
        stopped = GetTickCount();
    }
    EXPECT_LT(GetTickCount() - stopped, 2000u);
    // Gone with the sink.
    EXPECT_FALSE(SendPipeMessage(name, "late", 0));
}

TEST(PipeSink, StopsWhileAClientHoldsTheConnection)
{
    std::wstring name = UniqueName(L"kt_hold_");
    std::wstring path = L"\\\\.\\Pipe\\" + name;
    ScopedHandle client;
    {
        PipeSink sink(name);
        client.Reset(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(client.Valid());
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(client.Get(), "part", 4, &written, nullptr));
        Sleep(100);
    }
    SUCCEED();
}

TEST(Processes, RunChildCountAndKill)
{
    TempDir dir(L"proc");
    std::wstring exeName = UniqueName(L"kt_victim_") + L".exe";
    ASSERT_TRUE(CopyFileTo(TestsDir() + L"ClientStub.exe", dir / exeName));

    // A process that outlives the timeout is ended and reported unfinished.
    DWORD start = GetTickCount();
    ProcessResult r = RunProcess(dir / exeName, L"", 300);
    EXPECT_TRUE(r.started);
    EXPECT_FALSE(r.finished);
    EXPECT_LT(GetTickCount() - start, 5000u);
    EXPECT_TRUE(WaitFor([&] { return CountProcesses(exeName) == 0; }, 5000));

    EXPECT_FALSE(RunProcess(dir / L"missing.exe", L"", 1000).started);

    {
        ChildProcess a(dir / exeName, L"one"), b(dir / exeName, L"two");
        ASSERT_TRUE(a.Started());
        EXPECT_NE(0u, a.Pid());
        EXPECT_TRUE(WaitFor([&] { return CountProcesses(exeName) == 2; }, 5000));
        EXPECT_FALSE(a.Wait(50));
        KillProcesses(exeName);
        EXPECT_EQ(0, CountProcesses(exeName));
        EXPECT_TRUE(a.Wait(1000));
        EXPECT_TRUE(b.Wait(1000));
    }

    {
        // Scoped to a folder: the same program in another folder (another test's) is left alone.
        TempDir other(L"proc");
        ASSERT_TRUE(CopyFileTo(dir / exeName, other / exeName));
        ChildProcess here(dir / exeName, L""), there(other / exeName, L"");
        ASSERT_TRUE(WaitFor([&] { return CountProcesses(exeName) == 2; }, 5000));
        EXPECT_EQ(1, CountProcesses(exeName, other.Path()));
        KillProcesses(exeName, dir.Path());
        EXPECT_TRUE(here.Wait(1000));
        EXPECT_FALSE(there.Wait(0));
    }
    {
        ChildProcess c(dir / exeName, L"");
        EXPECT_TRUE(WaitFor([&] { return CountProcesses(exeName) == 1; }, 5000));
    }
    EXPECT_EQ(0, CountProcesses(exeName)); // the holder ended it
}

TEST(Files, TempDirRemovesItsTreeAndFilesRoundTrip)
{
    std::wstring path;
    {
        TempDir dir(L"files");
        path = dir.Path();
        ASSERT_TRUE(DirExists(path));
        EXPECT_EQ(L'\\', path.back());
        std::string bytes("\x00\x01\xfe\xff text", 9);
        ASSERT_TRUE(WriteFileBytes(dir / L"a\\b\\\x4e2d.bin", bytes));
        std::string back;
        ASSERT_TRUE(ReadFileBytes(dir / L"a\\b\\\x4e2d.bin", &back));
        EXPECT_EQ(bytes, back);
        EXPECT_TRUE(CopyFileTo(dir / L"a\\b\\\x4e2d.bin", dir / L"c\\d\\copy.bin"));
        EXPECT_TRUE(FileExists(dir / L"c\\d\\copy.bin"));
        EXPECT_FALSE(FileExists(dir / L"c\\d"));
        EXPECT_TRUE(DirExists(dir / L"c\\d"));
        SetFileAttributesW((dir / L"c\\d\\copy.bin").c_str(), FILE_ATTRIBUTE_READONLY);
        EXPECT_FALSE(ReadFileBytes(dir / L"nothing", &back));
    }
    EXPECT_FALSE(DirExists(path));

    EXPECT_EQ("00ff7f", Hex(std::string("\x00\xff\x7f", 3)));
    EXPECT_EQ(L"\x4e2d\x6587", FromUtf8(ToUtf8(L"\x4e2d\x6587")));
    EXPECT_EQ("\xe4\xb8\xad", ToUtf8(L"\x4e2d"));
    EXPECT_TRUE(FileExists(TestsDir() + L"ClientStub.exe"));
    EXPECT_EQ(L'\\', BinDir().back());
    EXPECT_EQ(std::wstring::npos, BinDir().find(L".."));
}

TEST(Registry, LanguageGuardRestoresEachPriorState)
{
    std::wstring prog = UniqueName(L"kt_prog_");
    std::wstring key = L"SOFTWARE\\" + prog + L"\\Language";
    {
        LanguageGuard guard(prog, L"en-US");
        EXPECT_EQ(L"en-US", ReadRegDefault(HKEY_CURRENT_USER, key));
    }
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"SOFTWARE\\" + prog));
    {
        LanguageGuard outer(prog, L"zh-CN");
        {
            LanguageGuard inner(prog, nullptr);
            EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key));
        }
        EXPECT_EQ(L"zh-CN", ReadRegDefault(HKEY_CURRENT_USER, key));
        {
            LanguageGuard inner(prog, L"en-US");
        }
        EXPECT_EQ(L"zh-CN", ReadRegDefault(HKEY_CURRENT_USER, key));
    }
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"SOFTWARE\\" + prog));
}

TEST(Shortcut, WriteAndReadBack)
{
    TempDir dir(L"lnk");
    ShortcutInfo info = {};
    ASSERT_TRUE(MakeShortcut(dir / L"x.lnk", L"C:\\windows\\notepad.exe", L"--www a", L"C:\\windows"));
    ASSERT_TRUE(ReadShortcut(dir / L"x.lnk", &info));
    EXPECT_EQ(0, _wcsicmp(L"C:\\windows\\notepad.exe", info.target.c_str()));
    EXPECT_EQ(L"--www a", info.args);
    EXPECT_EQ(0, _wcsicmp(L"C:\\windows", info.workDir.c_str()));
    EXPECT_FALSE(ReadShortcut(dir / L"none.lnk", &info));
}

TEST(ProductConfig, BuildsElementsInOrderEscaped)
{
    std::string xml = ProductConfigXml({{"ProgName", "a&b.exe"}, {"env", "<x>"}}, "Root");
    EXPECT_NE(std::string::npos, xml.find("<Root>"));
    size_t prog = xml.find("<ProgName>a&amp;b.exe</ProgName>");
    size_t env = xml.find("<env>&lt;x&gt;</env>");
    ASSERT_NE(std::string::npos, prog);
    ASSERT_NE(std::string::npos, env);
    EXPECT_LT(prog, env);
}

namespace {

struct SeenInput
{
    LPARAM clickAt = -1;
    WPARAM key = 0;
} g_seen;

LRESULT CALLBACK RecordInput(HWND wnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_LBUTTONUP)
        g_seen.clickAt = lp;
    if (msg == WM_KEYDOWN)
        g_seen.key = wp;
    if (msg == WM_PAINT) { // white, with a black square at (10, 10)
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        RECT all = {0, 0, 120, 80}, square = {10, 10, 20, 20};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        FillRect(dc, &square, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        EndPaint(wnd, &ps);
        return 0;
    }
    return DefWindowProcW(wnd, msg, wp, lp);
}

// Runs the window tool while this thread keeps serving its window; the tool's exit code.
DWORD RunWindowTool(const std::wstring& args)
{
    ChildProcess tool(TestsDir() + L"WindowTool.exe", args);
    HANDLE process = tool.Handle();
    for (DWORD start = GetTickCount(); GetTickCount() - start < 20000;) {
        if (MsgWaitForMultipleObjects(1, &process, FALSE, 100, QS_ALLINPUT) == WAIT_OBJECT_0)
            break;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    }
    EXPECT_TRUE(tool.Wait(0)) << "WindowTool " << ToUtf8(args);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
    return tool.ExitCode();
}

} // namespace

TEST(WindowTool, ClicksAndPressesKeysInAnotherProcessesWindowAndSeesItGo)
{
    std::wstring cls = UniqueName(L"kt_wnd_");
    WNDCLASSW wc = {};
    wc.lpfnWndProc = RecordInput;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = cls.c_str();
    ASSERT_TRUE(RegisterClassW(&wc));
    // Where no other test's window goes: the drawing checks read the screen.
    HWND wnd = CreateWindowExW(0, cls.c_str(), L"t", WS_POPUP | WS_VISIBLE, 1100, 150, 120, 80, nullptr, nullptr,
                               wc.hInstance, nullptr);
    ASSERT_NE(nullptr, wnd);

    EXPECT_EQ(0u, RunWindowTool(L"find " + cls + L" 5000"));
    EXPECT_EQ(0u, RunWindowTool(L"drawn " + cls + L" 5000"));
    EXPECT_EQ(0u, RunWindowTool(L"drawn " + cls + L" 5000 ink 5 5 20 20"));
    EXPECT_EQ(0u, RunWindowTool(L"drawn " + cls + L" 5000 blank -60 30 50 40"));
    EXPECT_EQ(1u, RunWindowTool(L"drawn " + cls + L" 300 ink 30 30 50 40"));
    EXPECT_EQ(0u, RunWindowTool(L"click " + cls + L" 10 20"));
    EXPECT_EQ(MAKELPARAM(10, 20), g_seen.clickAt);
    EXPECT_EQ(0u, RunWindowTool(L"key " + cls + L" 27"));
    EXPECT_EQ(static_cast<WPARAM>(VK_ESCAPE), g_seen.key);
    EXPECT_EQ(1u, RunWindowTool(L"gone " + cls + L" 200"));
    DestroyWindow(wnd);
    EXPECT_EQ(0u, RunWindowTool(L"gone " + cls + L" 2000"));
    EXPECT_EQ(1u, RunWindowTool(L"find " + cls + L" 200"));
    UnregisterClassW(cls.c_str(), wc.hInstance);
}
