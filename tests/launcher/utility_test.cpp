// The Launcher's helpers on real pipes, processes and registry keys.
#include "Utility.h"
#include <gtest/gtest.h>
#include <string>
#include "testkit.h"

using namespace testkit;

namespace {
std::wstring UniqueName(const wchar_t* tag)
{
    return std::wstring(tag) + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(GetTickCount());
}
} // namespace

TEST(PipeWriter, MessagesArriveAsCodePage936WithoutTerminator)
{
    std::wstring name = UniqueName(L"utilpipe");
    PipeSink sink(name);
    ASSERT_TRUE(Utility::WritePipeBuf(name.c_str(), L"room?id=1&名字=课堂"));
    ASSERT_TRUE(sink.WaitForMessages(1, 5000));
    // "名字" and "课堂" in code page 936.
    EXPECT_EQ(sink.Messages()[0], "room?id=1&\xc3\xfb\xd7\xd6=\xbf\xce\xcc\xc3");
}

TEST(PipeWriter, EmptyAndOverlongTextsAreRefusedWithoutConnecting)
{
    std::wstring name = UniqueName(L"utilpipe");
    PipeSink sink(name);
    EXPECT_FALSE(Utility::WritePipeBuf(name.c_str(), L""));
    EXPECT_FALSE(Utility::WritePipeBuf(name.c_str(), std::wstring(2048, L'a').c_str()));
    EXPECT_FALSE(Utility::WritePipeBuf(name.c_str(), std::wstring(1024, L'课').c_str())); // 2048 bytes
    ASSERT_TRUE(Utility::WritePipeBuf(name.c_str(), std::wstring(2047, L'b').c_str()));
    ASSERT_TRUE(sink.WaitForMessages(1, 5000));
    Sleep(200);
    ASSERT_EQ(sink.Messages().size(), 1u);
    EXPECT_EQ(sink.Messages()[0], std::string(2047, 'b'));
}

TEST(PipeWriter, PipeNobodyServesFails)
{
    std::wstring name = UniqueName(L"nobody");
    EXPECT_FALSE(Utility::WritePipeBuf(name.c_str(), L"hello"));
}

TEST(ProcessStopper, StopsEveryProcessOfTheNameInAnyCaseAndWaitsForThem)
{
    TempDir dir(L"kill");
    std::wstring exe = UniqueName(L"killme") + L".exe";
    ASSERT_TRUE(CopyFileTo(TestsDir() + L"ClientStub.exe", dir / exe));
    ChildProcess a(dir / exe, L"a", dir.Path());
    ChildProcess b(dir / exe, L"b", dir.Path());
    ASSERT_TRUE(WaitFor([&] { return CountProcesses(exe) == 2; }, 10000));
    std::wstring upper = exe;
    for (wchar_t& c : upper)
        c = towupper(c);
    EXPECT_TRUE(Utility::KillAllProcesses(upper.c_str()));
    // Gone on return: the files can be replaced at once.
    EXPECT_EQ(CountProcesses(exe), 0);
    EXPECT_TRUE(DeleteFileW((dir / exe).c_str()));
    EXPECT_TRUE(Utility::KillAllProcesses(L"no-such-program.exe"));
}

TEST(UiLanguage, OnlyExactEnUsIsEnglish)
{
    std::wstring program = UniqueName(L"langprog");
    std::wstring exe = program + L".exe";
    {
        LanguageGuard none(program, nullptr);
        EXPECT_TRUE(Utility::IsChineseUi(exe));
    }
    {
        LanguageGuard en(program, L"en-US");
        EXPECT_FALSE(Utility::IsChineseUi(exe));
    }
    for (const wchar_t* value : {L"en-us", L"zh-CN", L"", L"fr-FR"}) {
        LanguageGuard other(program, value);
        EXPECT_TRUE(Utility::IsChineseUi(exe)) << ToUtf8(value);
    }
    LanguageGuard huge(program, std::wstring(300, L'x').c_str());
    EXPECT_TRUE(Utility::IsChineseUi(exe));
}

TEST(UrlProtocol, CommandIsTheProgramInQuotesAndPercentOne)
{
    std::wstring scheme = UniqueName(L"kproto");
    ASSERT_TRUE(Utility::RegisterUrlProtocol(scheme.c_str()));
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(NULL, self, MAX_PATH);
    EXPECT_EQ(ReadRegDefault(HKEY_CLASSES_ROOT, scheme + L"\\shell\\open\\command"),
              L"\"" + std::wstring(self) + L"\" \"%1\"");
    DeleteRegTree(HKEY_CLASSES_ROOT, scheme);
    EXPECT_FALSE(Utility::RegisterUrlProtocol(L""));
}

TEST(Shortcuts, MissingShortcutIsNotCreated)
{
    std::wstring name = UniqueName(L"nolink");
    EXPECT_EQ(Utility::UpdateShortcut(name.c_str(), NULL, L"C:\\x.exe", NULL, NULL, 25), -3);
    EXPECT_EQ(Utility::UpdateShortcut(NULL, NULL, L"C:\\x.exe", NULL, NULL, 25), -1);
}

TEST(Conversions, BuffersAreNeverOverrun)
{
    char gbk[4];
    EXPECT_TRUE(Utility::WideToGbk(L"课", gbk, 3));
    EXPECT_FALSE(Utility::WideToGbk(L"课堂", gbk, 4)); // 4 bytes + terminator
    EXPECT_FALSE(Utility::WideToGbk(L"", gbk, 4));
    wchar_t wide[MAX_PATH];
    EXPECT_TRUE(Utility::Utf8ToWide(std::string(259, 'a').c_str(), wide));
    EXPECT_FALSE(Utility::Utf8ToWide(std::string(260, 'a').c_str(), wide));
    wchar_t small[5];
    EXPECT_TRUE(Utility::FormatW(small, 5, L"%ls", L"abcd"));
    EXPECT_FALSE(Utility::FormatW(small, 5, L"%ls", L"abcde"));
    EXPECT_EQ(small[0], 0);
    Utility::FormatCutW(small, 5, L"%ls", L"abcdefgh");
    EXPECT_EQ(std::wstring(small), L"abcd");
}
