#include "CommandLine.h"
#include <gtest/gtest.h>

namespace {
LauncherCommandLine Parse(const wchar_t* line)
{
    return ParseLauncherCommandLine(line);
}
} // namespace

TEST(CommandLine, ProtocolLinkDropsSchemeAndSlashes)
{
    LauncherCommandLine c = Parse(L"kelnova://room?id=1");
    EXPECT_TRUE(c.hasParams);
    EXPECT_EQ(c.params, L"room?id=1");
    EXPECT_FALSE(c.forceKill);
    EXPECT_EQ(c.envUpdate, LauncherCommandLine::kNoEnvUpdate);
}

TEST(CommandLine, LinkInDoubleQuotesAsTheProtocolHandlerPassesIt)
{
    EXPECT_EQ(Parse(L"\"kelnova://room?id=1\"").params, L"room?id=1");
    EXPECT_EQ(Parse(L"\"forcerun:kelnova://r\"").params, L"r");
    EXPECT_TRUE(Parse(L"\"forcerun:kelnova://r\"").forceKill);
    EXPECT_EQ(Parse(L"\"\"").params, L""); // an empty link in its quotes
}

TEST(CommandLine, ForceRunLooksForTheColonAfterItsPrefix)
{
    LauncherCommandLine c = Parse(L"forcerun:kelnova://room");
    EXPECT_TRUE(c.forceKill);
    EXPECT_EQ(c.params, L"room");
    LauncherCommandLine u = Parse(L"forcerun:urlpath=a");
    EXPECT_TRUE(u.forceKill);
    EXPECT_EQ(u.params, L"urlpath=a");
}

TEST(CommandLine, UrlPathAndLoginUrlPassUnchanged)
{
    EXPECT_EQ(Parse(L"urlpath=a:b").params, L"urlpath=a:b");
    EXPECT_EQ(Parse(L"loginurl=x://y").params, L"loginurl=x://y");
}

TEST(CommandLine, EnvOptionsRewriteFirstAndTheLineGoesOn)
{
    LauncherCommandLine c = Parse(L"--pro kelnova://r");
    EXPECT_EQ(c.envUpdate, LauncherCommandLine::kPro);
    EXPECT_EQ(c.params, L"r");
    EXPECT_EQ(Parse(L"--www").envUpdate, LauncherCommandLine::kWww);
    EXPECT_EQ(Parse(L"--www --pro").envUpdate, LauncherCommandLine::kWww);
    EXPECT_EQ(Parse(L"x --pro").envUpdate, LauncherCommandLine::kPro);
}

TEST(CommandLine, ShortTextAfterColonNeverReadsPastItsEnd)
{
    EXPECT_EQ(Parse(L"a:").params, L"");
    EXPECT_EQ(Parse(L"a:/").params, L"");
    EXPECT_EQ(Parse(L"a://").params, L"");
    EXPECT_EQ(Parse(L"a://b").params, L"b");
    EXPECT_EQ(Parse(L"forcerun:").params, L"");
    EXPECT_TRUE(Parse(L"forcerun:").hasParams);
}

TEST(CommandLine, TextWithoutColonAndEmptyLine)
{
    EXPECT_EQ(Parse(L"abc").params, L"abc");
    LauncherCommandLine empty = Parse(L"");
    EXPECT_FALSE(empty.hasParams);
    EXPECT_FALSE(empty.forceKill);
}

TEST(CommandLine, SwitchLineParts)
{
    LauncherCommandLine c = Parse(L"switchenv=pro&xmlurl=http://127.0.0.1:8080/a.xml&room=1&x=2");
    EXPECT_TRUE(c.isSwitch);
    EXPECT_TRUE(c.switchValid);
    EXPECT_TRUE(c.forceKill);
    EXPECT_EQ(c.switchEnv, L"pro");
    EXPECT_EQ(c.switchUrl, L"http://127.0.0.1:8080/a.xml");
    EXPECT_EQ(c.params, L"room=1&x=2");

    LauncherCommandLine trailing = Parse(L"switchenv=pro&xmlurl=http://h/a&");
    EXPECT_TRUE(trailing.switchValid);
    EXPECT_EQ(trailing.params, L"");
}

TEST(CommandLine, MalformedOrOverlongSwitchLinesAreRefused)
{
    EXPECT_FALSE(Parse(L"switchenv=pro").switchValid);
    EXPECT_FALSE(Parse(L"switchenv=pro&xmlurl=http://h/a").switchValid);
    std::wstring env32(32, L'e');
    EXPECT_FALSE(Parse((L"switchenv=" + env32 + L"&xmlurl=u&").c_str()).switchValid);
    std::wstring env31(31, L'e');
    EXPECT_TRUE(Parse((L"switchenv=" + env31 + L"&xmlurl=u&").c_str()).switchValid);
    std::wstring url256(256, L'u');
    EXPECT_FALSE(Parse((L"switchenv=p&xmlurl=" + url256 + L"&").c_str()).switchValid);
    std::wstring url255(255, L'u');
    EXPECT_TRUE(Parse((L"switchenv=p&xmlurl=" + url255 + L"&").c_str()).switchValid);
    EXPECT_TRUE(Parse(L"switchenv=p").isSwitch);
    // An env is a plain name: nothing that could lead out of the install folder.
    for (const wchar_t* env : {L"\\..\\..\\esc", L"a/b", L"c:d", L"..", L"x\x01y", L"us\x1f", L"del\x7f"})
        EXPECT_FALSE(Parse((L"switchenv=" + std::wstring(env) + L"&xmlurl=u&").c_str()).switchValid);
    for (const wchar_t* env : {L"pre.1", L"beta-2", L"\u6d4b\u8bd5", L""})
        EXPECT_TRUE(Parse((L"switchenv=" + std::wstring(env) + L"&xmlurl=u&").c_str()).switchValid);
}
