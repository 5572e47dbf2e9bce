// Message boxes of another process are found, read and answered.
#include <gtest/gtest.h>

#include <cstdio>

#include "testkit.h"

using namespace testkit;

TEST(MsgBoxAnswerer, AnswersBoxesOfAChildAndReadsChineseText)
{
    const std::wstring caption = L"\x63d0\x793a";           // 提示
    const std::wstring text = L"\x662f\x5426\x91cd\x542f?"; // 是否重启?
    MsgBoxAnswerer answerer(IDNO);
    {
        ChildProcess box(TestsDir() + L"ShowBox.exe",
                         L"\"" + caption + L"\" \"" + text + L"\" " + std::to_wstring(MB_YESNO));
        ASSERT_TRUE(box.Wait(15000));
        EXPECT_EQ(static_cast<DWORD>(IDNO), box.ExitCode());
    }
    ASSERT_TRUE(answerer.WaitForBoxes(1, 1000));
    EXPECT_EQ(ToUtf8(caption), answerer.Boxes()[0].caption);
    EXPECT_EQ(ToUtf8(text), answerer.Boxes()[0].text);

    answerer.SetButton(IDOK);
    {
        ChildProcess box(TestsDir() + L"ShowBox.exe", L"c t " + std::to_wstring(MB_OKCANCEL));
        ASSERT_TRUE(box.Wait(15000));
        EXPECT_EQ(static_cast<DWORD>(IDOK), box.ExitCode());
    }
    // A button the box lacks falls back to the nearest one instead of leaving the box up.
    answerer.SetButton(IDYES);
    {
        ChildProcess box(TestsDir() + L"ShowBox.exe", L"c t " + std::to_wstring(MB_OKCANCEL));
        ASSERT_TRUE(box.Wait(15000));
        EXPECT_EQ(static_cast<DWORD>(IDOK), box.ExitCode());
    }
    answerer.SetButton(IDNO);
    {
        ChildProcess box(TestsDir() + L"ShowBox.exe", L"c t " + std::to_wstring(MB_OK));
        ASSERT_TRUE(box.Wait(15000));
        EXPECT_EQ(static_cast<DWORD>(IDOK), box.ExitCode());
    }
    EXPECT_EQ(4u, answerer.Boxes().size());
}

TEST(MsgBoxAnswerer, HandToolPrintsEachBox)
{
    ChildProcess box(TestsDir() + L"ShowBox.exe", L"Cap \"Two words\"");
    // Up before the tool starts: the tool answers only for the time it is given.
    ASSERT_TRUE(WaitFor([] { return FindWindowW(L"#32770", L"Cap") != nullptr; }, 15000));
    TempDir dir(L"answer");
    // The tool writes to stdout: capture it in a file through a redirected child.
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    ScopedHandle out(
        CreateFileW((dir / L"out.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(out.Valid());
    std::wstring cmd = L"\"" + TestsDir() + L"MsgBoxAnswer.exe\" 1 2000";
    STARTUPINFOW si = {sizeof si};
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = out.Get();
    si.hStdError = out.Get();
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi));
    ScopedHandle process(pi.hProcess), thread(pi.hThread);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.Get(), 15000));
    ASSERT_TRUE(box.Wait(15000));
    EXPECT_EQ(static_cast<DWORD>(IDOK), box.ExitCode());
    out.Reset();
    std::string printed;
    ASSERT_TRUE(ReadFileBytes(dir / L"out.txt", &printed));
    EXPECT_EQ("Cap|Two words\n", printed);
}
