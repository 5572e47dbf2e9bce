// The stand-in under the client's fixed name serves the fixed hand-off pipe as well.
#include <gtest/gtest.h>

#include "testkit.h"

using namespace testkit;

TEST(ClientStubKelnova, ServesHandOffPipeBesideConfiguredOne)
{
    TempDir dir(L"kelnova");
    std::wstring own = L"kt_kel_" + std::to_wstring(GetCurrentProcessId());
    ASSERT_TRUE(WriteFileBytes(dir / L"ProductConfig.xml", ProductConfigXml({{"pipe", ToUtf8(own)}})));
    ASSERT_TRUE(CopyFileTo(TestsDir() + L"ClientStub.exe", dir / L"Kelnova.EXE"));
    ClientRecord record(dir / L"client-record.txt");
    ChildProcess client(dir / L"Kelnova.EXE", L"kelnova://x");
    ASSERT_TRUE(record.WaitListening("ANEDLL_kelnova", 10000));
    ASSERT_TRUE(record.WaitListening(ToUtf8(own), 10000));
    EXPECT_EQ(1, CountProcesses(L"kelnova.exe"));

    std::string text("classid=1&token=\xd6\xd0", 21);
    text += '\0';
    ASSERT_TRUE(SendPipeMessage(L"ANEDLL_kelnova", text));
    ASSERT_TRUE(SendPipeMessage(own, "switchenv_msg:1"));
    ASSERT_TRUE(WaitFor(
        [&] {
            return record.PipeMessages("ANEDLL_kelnova").size() == 1 && record.PipeMessages(ToUtf8(own)).size() == 1;
        },
        10000));
    EXPECT_EQ(text, record.PipeMessages("ANEDLL_kelnova")[0]);
    EXPECT_EQ("switchenv_msg:1", record.PipeMessages(ToUtf8(own))[0]);

    KillProcesses(L"kelnova.exe");
    EXPECT_EQ(0, CountProcesses(L"kelnova.exe"));
    EXPECT_TRUE(client.Wait(1000));
}
