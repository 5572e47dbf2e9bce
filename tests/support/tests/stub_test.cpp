// The client stand-in, driven as the programs under test drive it: started with a command line,
// written to over its configured pipe, found by the window class its test gave it.
#include <gtest/gtest.h>

#include "testkit.h"

using namespace testkit;

namespace {

std::wstring UniqueName(const std::wstring& tag)
{
    static int n = 0;
    return tag + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(++n);
}

// A variable the stubs started meanwhile inherit.
struct ScopedEnv
{
    ScopedEnv(const wchar_t* name, const std::wstring& value) : name_(name)
    {
        SetEnvironmentVariableW(name, value.c_str());
    }
    ~ScopedEnv() { SetEnvironmentVariableW(name_, nullptr); }
    const wchar_t* name_;
};

struct LifetimeEnv : ScopedEnv
{
    explicit LifetimeEnv(const wchar_t* ms) : ScopedEnv(L"CLIENTSTUB_LIFETIME_MS", ms) {}
};

struct FindWindowOf
{
    DWORD pid;
    std::wstring cls;
    HWND found = nullptr;
    static BOOL CALLBACK Visit(HWND hwnd, LPARAM p)
    {
        auto* self = reinterpret_cast<FindWindowOf*>(p);
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        wchar_t cls[64] = {};
        GetClassNameW(hwnd, cls, 64);
        if (owner == self->pid && self->cls == cls)
            self->found = hwnd;
        return TRUE;
    }
};

} // namespace

TEST(ClientStub, RecordsStartAndServesConfiguredPipe)
{
    TempDir dir(L"stub");
    std::wstring pipe = UniqueName(L"kt_client_");
    ASSERT_TRUE(WriteFileBytes(dir / L"ProductConfig.xml", ProductConfigXml({{"name", "x"}, {"PIPE", ToUtf8(pipe)}})));
    ASSERT_TRUE(CopyFileTo(TestsDir() + L"ClientStub.exe", dir / L"client.exe"));
    ClientRecord record(dir / L"client-record.txt");
    std::wstring windowClass = UniqueName(L"kt_class_");
    ScopedEnv classEnv(L"CLIENTSTUB_WINDOW_CLASS", windowClass);

    ChildProcess client(dir / L"client.exe", L"  a \"b c\" \x4e2d", dir.Path());
    ASSERT_TRUE(client.Started());
    ASSERT_TRUE(record.WaitListening(ToUtf8(pipe), 10000));
    std::vector<std::string> lines = record.Lines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ("start pid=" + std::to_string(client.Pid()) + " exe=client.exe", lines[0]);
    ASSERT_EQ(1u, record.Starts().size());
    EXPECT_EQ("a \"b c\" " + ToUtf8(L"\x4e2d"), record.Starts()[0]);
    EXPECT_EQ("cmdline=" + ToUtf8(L"\"" + (dir / L"client.exe") + L"\"   a \"b c\" \x4e2d"), lines[2]);
    std::wstring cwd = dir.Path().substr(0, dir.Path().size() - 1);
    EXPECT_TRUE(lines[3] == "cwd=" + ToUtf8(cwd) || lines[3] == "cwd=" + ToUtf8(dir.Path())) << lines[3];

    // Exact bytes, NULs and high bytes included; each connection is one message, in order.
    std::string first("hello\0world\xff\x80", 13);
    std::string big(20000, 'q');
    big[0] = '\x01';
    ASSERT_TRUE(SendPipeMessage(pipe, first));
    ASSERT_TRUE(SendPipeMessage(pipe, big));
    ASSERT_TRUE(SendPipeMessage(pipe, ""));
    WaitFor([&] { return record.PipeMessages(ToUtf8(pipe)).size() == 3; }, 10000);
    auto messages = record.PipeMessages(ToUtf8(pipe));
    ASSERT_EQ(3u, messages.size());
    EXPECT_EQ(first, messages[0]);
    EXPECT_EQ(big, messages[1]);
    EXPECT_EQ("", messages[2]);

    FindWindowOf finder{client.Pid(), windowClass};
    EnumWindows(FindWindowOf::Visit, reinterpret_cast<LPARAM>(&finder));
    ASSERT_NE(nullptr, finder.found);
    EXPECT_FALSE(IsWindowVisible(finder.found));
}

TEST(ClientStub, ConfigOneFolderUpAndUnquotedProgramToken)
{
    TempDir dir(L"stubup");
    std::wstring pipe = UniqueName(L"kt_up_");
    ASSERT_TRUE(WriteFileBytes(dir / L"ProductConfig.xml", ProductConfigXml({{"pipe", ToUtf8(pipe)}})));
    ASSERT_TRUE(CopyFileTo(TestsDir() + L"ClientStub.exe", dir / L"app_x\\prog.exe"));
    ClientRecord record(dir / L"app_x\\client-record.txt");

    // CreateProcessW with an unquoted program token, as some callers pass it.
    std::wstring exe = dir / L"app_x\\prog.exe";
    std::wstring cmd = exe + L"\t x=1";
    STARTUPINFOW si = {sizeof si};
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    ScopedHandle process(pi.hProcess), thread(pi.hThread);
    EXPECT_TRUE(record.WaitListening(ToUtf8(pipe), 10000));
    ASSERT_EQ(1u, record.Starts().size());
    EXPECT_EQ("x=1", record.Starts()[0]);
    TerminateProcess(process.Get(), 1);
    WaitForSingleObject(process.Get(), 5000);
}

TEST(ClientStub, ExitsAfterLifetimeAndServesNothingWithoutConfig)
{
    TempDir dir(L"stublife");
    ASSERT_TRUE(CopyFileTo(TestsDir() + L"ClientStub.exe", dir / L"c.exe"));
    ClientRecord record(dir / L"client-record.txt");
    LifetimeEnv env(L"300");
    ChildProcess client(dir / L"c.exe", L"");
    ASSERT_TRUE(client.Wait(10000));
    EXPECT_EQ(0u, client.ExitCode());
    std::vector<std::string> lines = record.Lines();
    ASSERT_EQ(5u, lines.size());
    EXPECT_EQ("args=", lines[1]);
    EXPECT_EQ("exit", lines[4]);
}

TEST(ClientStub, TwoStubsAppendToOneRecord)
{
    TempDir dir(L"stubtwo");
    ASSERT_TRUE(CopyFileTo(TestsDir() + L"ClientStub.exe", dir / L"one.exe"));
    ASSERT_TRUE(CopyFileTo(TestsDir() + L"ClientStub.exe", dir / L"two.exe"));
    ClientRecord record(dir / L"client-record.txt");
    LifetimeEnv env(L"200");
    ChildProcess a(dir / L"one.exe", L"first"), b(dir / L"two.exe", L"second");
    ASSERT_TRUE(a.Wait(10000));
    ASSERT_TRUE(b.Wait(10000));
    auto starts = record.Starts();
    ASSERT_EQ(2u, starts.size());
    EXPECT_TRUE((starts[0] == "first" && starts[1] == "second") || (starts[0] == "second" && starts[1] == "first"));
    EXPECT_EQ(10u, record.Lines().size());
}
