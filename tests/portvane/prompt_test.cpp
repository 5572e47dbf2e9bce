// The restart prompt over a running client, answered by the message-box answerer.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "fixture.h"

using namespace testkit;

namespace {
const char kChineseText[] = "检测到程序正在运行，是否重新打开!";
const char kChineseCaption[] = "提示";

// The longest run of whole characters whose system code page form fits the 10240-byte buffer beside its NUL.
std::string FittingPipeText(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text) {
        char bytes[8];
        int n = WideCharToMultiByte(CP_ACP, 0, &c, 1, bytes, sizeof bytes, nullptr, nullptr);
        if (n <= 0 || out.size() + n > 10239)
            break;
        out.append(bytes, n);
    }
    return out + std::string(1, '\0');
}
} // namespace

TEST(PortvanePrompt, CancelKeepsClientAndHandsItTheLink)
{
    for (const wchar_t* language : {static_cast<const wchar_t*>(nullptr), L"zh-CN", L"en-US", L"fr-FR"}) {
        LanguageGuard guard(L"kelnova", language);
        PortvaneFolder folder;
        auto client = folder.StartClient();
        ASSERT_TRUE(client);
        MsgBoxAnswerer answerer(IDCANCEL);
        DebugRun run = folder.Run(L"kelnova://abc");
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(0u, run.exitCode);
        ASSERT_EQ(1u, answerer.Boxes().size());
        bool english = language && std::wstring(language) == L"en-US";
        EXPECT_EQ(english ? "Prompt" : kChineseCaption, answerer.Boxes()[0].caption);
        EXPECT_EQ(english ? "Another program is already in progress, start new one?" : kChineseText,
                  answerer.Boxes()[0].text);

        // The link's text with its NUL, and no new client.
        ASSERT_TRUE(WaitFor([&] { return folder.Record().PipeMessages("ANEDLL_kelnova").size() == 1; }, 5000));
        EXPECT_EQ(std::string("abc", 4), folder.Record().PipeMessages("ANEDLL_kelnova")[0]);
        EXPECT_FALSE(client->Wait(0));
        EXPECT_EQ(1u, folder.Record().Starts().size());
    }
}

TEST(PortvanePrompt, OkRestartsClientWithTheLink)
{
    for (const wchar_t* language : {L"zh-CN", L"en-US"}) {
        LanguageGuard guard(L"kelnova", language);
        PortvaneFolder folder;
        auto client = folder.StartClient();
        ASSERT_TRUE(client);
        MsgBoxAnswerer answerer(IDOK);
        DebugRun run = folder.Run(L"kelnova://abc");
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(0u, run.exitCode);
        ASSERT_EQ(1u, answerer.Boxes().size());
        EXPECT_EQ(std::wstring(language) == L"en-US" ? "Prompt" : kChineseCaption, answerer.Boxes()[0].caption);
        EXPECT_TRUE(client->Wait(1000));
        ASSERT_TRUE(WaitFor([&] { return folder.Record().Starts().size() == 2; }, 10000));
        EXPECT_EQ("abc", folder.Record().Starts()[1]);
        EXPECT_TRUE(folder.Record().PipeMessages("ANEDLL_kelnova").empty());
    }
}

TEST(PortvanePrompt, CancelWithoutLinkOrPipe)
{
    {
        // No link in the line: nothing is sent.
        PortvaneFolder folder;
        auto client = folder.StartClient();
        ASSERT_TRUE(client);
        MsgBoxAnswerer answerer(IDCANCEL);
        DebugRun run = folder.Run(L"plain words");
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(0u, run.exitCode);
        EXPECT_EQ(1u, answerer.Boxes().size());
        Sleep(300);
        EXPECT_TRUE(folder.Record().PipeMessages("ANEDLL_kelnova").empty());
    }
    {
        // A client that serves no pipe: exit code 1.
        PortvaneFolder folder;
        ASSERT_TRUE(CopyFileTo(TestsDir() + L"Sleeper.exe", folder / L"kelnova.exe"));
        ChildProcess client(folder / L"kelnova.exe", L"30000");
        ASSERT_TRUE(WaitFor([] { return CountProcesses(L"kelnova.exe") == 1; }, 5000));
        MsgBoxAnswerer answerer(IDCANCEL);
        DebugRun run = folder.Run(L"kelnova://abc");
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(1u, run.exitCode);
        EXPECT_EQ(1u, answerer.Boxes().size());
    }
}

TEST(PortvanePrompt, LongLinkTextFitsThePipeBuffer)
{
    // 10239 characters and the NUL fill the 10240-byte buffer exactly; one more is cut. Under a
    // double-byte code page the cut falls between two-byte characters, never inside one.
    std::vector<std::wstring> texts;
    for (size_t length : {10239u, 10240u, 20000u}) {
        std::wstring text(length, L'a');
        for (size_t i = 0; i < length; i += 100)
            text[i] = static_cast<wchar_t>(L'0' + (i / 100) % 10);
        texts.push_back(text);
    }
    texts.push_back(std::wstring(6000, L'\x4e2d'));
    for (const std::wstring& text : texts) {
        PortvaneFolder folder;
        auto client = folder.StartClient();
        ASSERT_TRUE(client);
        MsgBoxAnswerer answerer(IDCANCEL);
        DebugRun run = folder.Run(L"kelnova://" + text);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(0u, run.exitCode);
        ASSERT_TRUE(WaitFor([&] { return folder.Record().PipeMessages("ANEDLL_kelnova").size() == 1; }, 5000));
        std::string expected = FittingPipeText(text);
        std::string got = folder.Record().PipeMessages("ANEDLL_kelnova")[0];
        ASSERT_EQ(expected.size(), got.size()) << text.size();
        EXPECT_TRUE(expected == got) << text.size();
    }
}

// Eight links at once, each kept from a restart, reach a client whose pipe serves one connection
// at a time: none is lost (a single try lost two of eight).
TEST(PortvanePrompt, BurstOfLinksReachesAOneInstancePipe)
{
    PortvaneFolder folder;
    ASSERT_TRUE(CopyFileTo(TestsDir() + L"Sleeper.exe", folder / L"kelnova.exe"));
    ChildProcess client(folder / L"kelnova.exe", L"60000");
    ASSERT_TRUE(WaitFor([] { return CountProcesses(L"kelnova.exe") == 1; }, 5000));
    PipeSink sink(L"ANEDLL_kelnova", true);
    ASSERT_TRUE(sink.Listening());
    MsgBoxAnswerer answerer(IDCANCEL);
    std::vector<std::unique_ptr<ChildProcess>> links;
    std::vector<std::string> expected;
    for (int i = 0; i < 8; ++i) {
        links.emplace_back(
            new ChildProcess(folder / L"Portvane.exe", L"kelnova://link" + std::to_wstring(i), folder.Dir()));
        expected.push_back("link" + std::to_string(i) + std::string(1, '\0'));
    }
    for (auto& link : links) {
        ASSERT_TRUE(link->Wait(30000));
        EXPECT_EQ(0u, link->ExitCode());
    }
    ASSERT_TRUE(sink.WaitForMessages(8, 5000));
    std::vector<std::string> got = sink.Messages();
    std::sort(got.begin(), got.end());
    EXPECT_EQ(expected, got);
    EXPECT_EQ(8u, answerer.Boxes().size());
}
