// Stopping the client by name, pipe messages, and the program's own folder.
#include <windows.h>

#include <gtest/gtest.h>

#include "ProbeRunner.h"
#include "foundation/StringConv.h"
#include "foundation/qenUtil.h"

using namespace updtest;

namespace {

// A folder with the probe and a configuration naming a client stand-in copied under `exeName`.
struct ClientSetup
{
    TempDir dir{L"upd"};
    std::wstring probe;
    std::wstring client;
    ClientSetup(const std::wstring& exeName, const std::string& progNameInConfig)
    {
        probe = InstallProbe(dir / L"app\\");
        client = dir / exeName;
        testkit::CopyFileTo(testkit::TestsDir() + L"ClientStub.exe", client);
        WriteProductConfig(dir / L"app\\", "<ProgName>" + progNameInConfig + "</ProgName>");
    }
};

} // namespace

TEST(KillClient, NoRunningClientIsSuccess)
{
    std::wstring name = UniqueName(L"absent") + L".exe";
    ClientSetup setup(name, Narrow(name));
    ProcessOutput r = RunProbe(setup.probe, L"kill");
    EXPECT_EQ(ProbeValues(r.output)["kill"], "1") << r.output;
    EXPECT_NE(r.output.find("air client is not running"), std::string::npos) << r.output;
}

TEST(KillClient, StopsTheClientFoundByNameInAnyCase)
{
    std::wstring base = UniqueName(L"client");
    ClientSetup setup(base + L".exe", Narrow(base) + ".EXE");
    ChildProcess client(setup.client, L"");
    ASSERT_TRUE(client.Started());
    ASSERT_TRUE(testkit::WaitFor([&] { return testkit::CountProcesses(base + L".exe") == 1; }, 10000));
    ProcessOutput r = RunProbe(setup.probe, L"kill");
    EXPECT_EQ(ProbeValues(r.output)["kill"], "1") << r.output;
    EXPECT_NE(r.output.find("kill air client success."), std::string::npos) << r.output;
    ASSERT_TRUE(client.Wait(2000));
    EXPECT_EQ(client.ExitCode(), 9u);
}

TEST(KillClient, SecondClientOfTheSameNameMakesItFailAfterThreeSeconds)
{
    std::wstring base = UniqueName(L"twin");
    ClientSetup setup(base + L".exe", Narrow(base) + ".exe");
    ChildProcess first(setup.client, L"");
    ChildProcess second(setup.client, L"");
    ASSERT_TRUE(testkit::WaitFor([&] { return testkit::CountProcesses(base + L".exe") == 2; }, 10000));
    DWORD start = ::GetTickCount();
    ProcessOutput r = RunProbe(setup.probe, L"kill");
    DWORD took = ::GetTickCount() - start;
    EXPECT_EQ(ProbeValues(r.output)["kill"], "0") << r.output;
    EXPECT_NE(r.output.find("kill air client failed."), std::string::npos) << r.output;
    EXPECT_GE(took, 3000u);
    EXPECT_LT(took, 10000u);
    EXPECT_NE(first.Wait(0), second.Wait(0)) << "exactly one of the two is stopped";
}

TEST(WritePipeBuf, MessagesArriveByteExactWithoutTerminator)
{
    std::wstring name = UniqueName(L"LU_test");
    PipeSink sink(name);
    EXPECT_TRUE(qen::WritePipeBuf(name, L"msg1:0"));
    ASSERT_TRUE(sink.WaitForMessages(1, 5000)); // a busy pipe is not retried: let the sink take it
    // System code page text: the bytes of the code page in force (1252 as set up, 936 for our users).
    EXPECT_TRUE(qen::WritePipeBuf(name, L"caf\u00e9 -x=1"));
    ASSERT_TRUE(sink.WaitForMessages(2, 5000));
    auto messages = sink.Messages();
    EXPECT_EQ(messages[0], std::string("msg1:0"));
    const UINT acp = ::GetACP();
    if (acp == 1252) {
        EXPECT_EQ(messages[1], std::string("caf\xe9 -x=1"));
    } else if (acp == 936) {
        EXPECT_EQ(messages[1], std::string("caf\xa8\xa6 -x=1")); // GBK e-acute
        EXPECT_TRUE(qen::WritePipeBuf(name, L"\u8bfe\u5802"));   // two Chinese characters, two bytes each
        ASSERT_TRUE(sink.WaitForMessages(3, 5000));
        EXPECT_EQ(sink.Messages()[2], std::string("\xbf\xce\xcc\xc3"));
    } else {
        char expected[32] = {0};
        ::WideCharToMultiByte(acp, 0, L"caf\u00e9 -x=1", -1, expected, sizeof(expected), nullptr, nullptr);
        EXPECT_EQ(messages[1], std::string(expected));
    }
}

TEST(WritePipeBuf, FromAnotherProcessToThePipeNamedByLaunchName)
{
    TempDir dir{L"upd"};
    std::wstring probe = InstallProbe(dir / L"app\\");
    std::wstring launch = UniqueName(L"Launch");
    ASSERT_TRUE(WriteProductConfig(dir / L"app\\", "<LaunchName>" + Narrow(launch) + "</LaunchName>"));
    ProcessOutput named = RunProbe(probe, L"launcherpipe");
    std::string pipe = ProbeValues(named.output)["launcherpipe"];
    ASSERT_EQ(pipe, "LU_" + Narrow(launch));

    PipeSink sink(Widen(pipe));
    ProcessOutput r = RunProbe(probe, L"writepipe " + Widen(pipe) + L" msg1:1");
    EXPECT_EQ(ProbeValues(r.output)["write"], "1") << r.output;
    ASSERT_TRUE(sink.WaitForMessages(1, 5000));
    EXPECT_EQ(sink.Messages()[0], "msg1:1");
}

TEST(WritePipeBuf, UnservedOrOverlongPipeNamesAreRefused)
{
    EXPECT_FALSE(qen::WritePipeBuf(UniqueName(L"nobody"), L"msg1:0"));
    // "\\.\Pipe\" and 251 characters need 261 places: refused, not cut to a name that may exist.
    std::wstring longName = UniqueName(L"long");
    longName.append(251 - longName.size(), L'x');
    EXPECT_FALSE(qen::WritePipeBuf(longName, L"msg1:0"));
    EXPECT_FALSE(qen::WritePipeBuf(longName.substr(0, 250) + L"yy", L"msg1:0"));

    // Refused as too long, not merely unserved: the log says which.
    TempDir dir{L"upd"};
    std::wstring probe = InstallProbe(dir / L"app\\");
    ProcessOutput r = RunProbe(probe, L"writepipe " + longName + L" msg1:0");
    EXPECT_EQ(ProbeValues(r.output)["write"], "0") << r.output;
    EXPECT_NE(r.output.find("pipe name too long, refused"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("pipe not exist"), std::string::npos) << r.output;
}

TEST(WritePipeBuf, OverlongLaunchNameGivesNoPipeName)
{
    TempDir dir{L"upd"};
    std::wstring probe = InstallProbe(dir / L"app\\");
    ASSERT_TRUE(WriteProductConfig(dir / L"app\\", "<LaunchName>" + std::string(257, 'L') + "</LaunchName>"));
    EXPECT_EQ(ProbeValues(RunProbe(probe, L"launcherpipe").output)["launcherpipe"], "");
    ASSERT_TRUE(WriteProductConfig(dir / L"app\\", "<LaunchName>" + std::string(256, 'L') + "</LaunchName>"));
    EXPECT_EQ(ProbeValues(RunProbe(probe, L"launcherpipe").output)["launcherpipe"], "LU_" + std::string(256, 'L'));
}

TEST(ModuleDir, IsTheProgramsFolderWithTrailingBackslash)
{
    TempDir dir{L"upd"};
    std::wstring probe = InstallProbe(dir / L"Tools\\");
    ProcessOutput r = RunProbe(probe, L"moduledir");
    EXPECT_EQ(ProbeValues(r.output)["moduledir"], WideToUtf8(dir / L"Tools\\"));
}
