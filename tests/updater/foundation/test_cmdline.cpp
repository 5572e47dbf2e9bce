// The Updater's command line: options into the update configuration.
#include <windows.h>

#include <gtest/gtest.h>

#include "ProbeRunner.h"
#include "foundation/UpdaterCmdLine.h"
#include "foundation/qenUtil.h"

using namespace updtest;

namespace {

// The module folder cut back by `levels` folders, keeping the trailing backslash.
std::wstring FolderAbove(std::wstring dir, int levels)
{
    for (int i = 0; i < levels; ++i) {
        dir.pop_back();
        dir.erase(dir.find_last_of(L'\\') + 1);
    }
    return dir;
}

} // namespace

TEST(CmdLineParser, KeysAreLowerCasedTheFirstValueStaysAndValuesEndAtABlankOrQuote)
{
    CCmdLineParser parser(
        L"C:\\Program Files\\x.exe -URL=x -url=y -PageCallParam=a b -Clientexe=\"C:\\P F\\L.exe\" -e=");
    EXPECT_EQ(parser.ValueOf(L"url"), L"x");
    EXPECT_EQ(parser.ValueOf(L"URL"), L"x");
    EXPECT_EQ(parser.ValueOf(L"pagecallparam"), L"a");
    EXPECT_EQ(parser.ValueOf(L"clientexe"), L"C:\\P F\\L.exe");
    EXPECT_NE(parser.FindKey(L"e"), parser.End());
    EXPECT_EQ(parser.ValueOf(L"e"), L"");
    EXPECT_EQ(parser.FindKey(L"b"), parser.End());

    // A key runs to the next "=", blanks and dashes included.
    CCmdLineParser joined(L"-a -url=x");
    EXPECT_EQ(joined.FindKey(L"url"), joined.End());
    EXPECT_EQ(joined.ValueOf(L"a -url"), L"x");

    // No "=" at all: the whole rest is one key; an open quote runs to the end.
    CCmdLineParser rest(L"-x=1 -flag here");
    EXPECT_EQ(rest.ValueOf(L"x"), L"1");
    EXPECT_NE(rest.FindKey(L"flag here"), rest.End());
    CCmdLineParser open(L"-p=\"a b");
    EXPECT_EQ(open.ValueOf(L"p"), L"a b");

    CCmdLineParser none(nullptr);
    EXPECT_EQ(none.FindKey(L"url"), none.End());
    CCmdLineParser dashOnly(L"abc -");
    EXPECT_EQ(dashOnly.FindKey(L""), dashOnly.End());
}

TEST(CmdLineParser, ProgramPathWithABlankAndADashGivesNoStrayOption)
{
    // What the Updater sees after an unquoted program path under "C:\Program Files\Kel-nova\": the
    // rest of the path, whose dash follows no blank.
    CCmdLineParser unquoted(L"Files\\Kel-nova\\Updater.exe -url=http://h/a.zip -md5=M -forcedupdate=2");
    EXPECT_EQ(unquoted.ValueOf(L"url"), L"http://h/a.zip");
    EXPECT_EQ(unquoted.ValueOf(L"md5"), L"M");
    EXPECT_EQ(unquoted.FindKey(L"nova\\updater.exe -url"), unquoted.End());
    // The whole line with the program path quoted, as the Launcher writes it.
    CCmdLineParser quoted(L"\"C:\\Program Files\\Kel-nova\\Updater.exe\" -url=http://h/b.zip -pagecallparam=\"r=1\"");
    EXPECT_EQ(quoted.ValueOf(L"url"), L"http://h/b.zip");
    EXPECT_EQ(quoted.ValueOf(L"pagecallparam"), L"r=1");
    ZipDwCfg cfg = parseZipConf(L"Files\\Kel-nova\\Updater.exe -url=http://h:8/c.zip -md5=D");
    EXPECT_EQ(cfg.host, "h:8");
    EXPECT_EQ(cfg.path, "/c.zip");
}

TEST(ParseZipConf, UrlSplitsIntoHostAndPathWithTheDigestAppended)
{
    ZipDwCfg cfg = parseZipConf(L"-url=http://h:81/a/b.zip -md5=ABC -pagecallparam=p=1&q");
    EXPECT_EQ(cfg.host, "h:81");
    EXPECT_EQ(cfg.path, "/a/b.zip");
    EXPECT_EQ(cfg.md5, "ABC");
    EXPECT_EQ(cfg.url, "http://h:81/a/b.zip?ABC");
    EXPECT_EQ(cfg.pageCallParam, "p=1&q");
    EXPECT_TRUE(cfg.restartClient);
    EXPECT_EQ(cfg.forcedUpdate, 0);
    EXPECT_EQ(cfg.zipPath, GetModuleDir() + L"update.zip");

    // Only the exact lower-case prefix is dropped.
    cfg = parseZipConf(L"-url=HTTP://h/p.zip");
    EXPECT_EQ(cfg.host, "HTTP:");
    EXPECT_EQ(cfg.path, "//h/p.zip");
    cfg = parseZipConf(L"-url=https://h/p.zip");
    EXPECT_EQ(cfg.host, "https:");
    EXPECT_EQ(cfg.path, "//h/p.zip");

    cfg = parseZipConf(L"-url=h");
    EXPECT_EQ(cfg.host, "");
    EXPECT_EQ(cfg.path, "h");
    EXPECT_EQ(cfg.url, "h?");

    cfg = parseZipConf(L"");
    EXPECT_EQ(cfg.host, "");
    EXPECT_EQ(cfg.path, "");
    EXPECT_EQ(cfg.url, "?");
}

TEST(ParseZipConf, ForcedUpdateIsANumberAndZipFolderFromTheProgram)
{
    EXPECT_EQ(parseZipConf(L"-forcedupdate=2").forcedUpdate, 2);
    EXPECT_EQ(parseZipConf(L"-forcedupdate=1 -url=x").forcedUpdate, 1);
    EXPECT_EQ(parseZipConf(L"-forcedupdate=").forcedUpdate, 0);
    EXPECT_EQ(parseZipConf(L"-url=x").forcedUpdate, 0);
    EXPECT_EQ(parseZipConf(L"-forcedupdate=yes").forcedUpdate, 0);
    EXPECT_EQ(MakeZipPath(L"C:\\A\\"), L"C:\\A\\update.zip");
}

TEST(ParseZipConf, ExistingPathsAreTakenMissingOnesFallBackToTheProgramsFolders)
{
    TempDir dir{L"upd cmd"};
    std::wstring launcher = dir / L"K dir\\Launcher.exe";
    ASSERT_TRUE(testkit::MakeDirs(dir / L"K dir\\"));
    ASSERT_TRUE(WriteBytes(launcher, "MZ"));

    ZipDwCfg cfg = parseZipConf((L"-clientexe=\"" + launcher + L"\" -extractpath=\"" + dir.Path() + L"\"").c_str());
    EXPECT_EQ(cfg.clientExePath, launcher);
    EXPECT_EQ(cfg.clientDic, dir.Path());

    std::wstring module = GetModuleDir();
    cfg =
        parseZipConf((L"-clientexe=\"" + dir / L"none.exe" + L"\" -extractpath=\"" + dir / L"gone\\" + L"\"").c_str());
    EXPECT_EQ(cfg.clientDic, FolderAbove(module, 2));
    EXPECT_EQ(cfg.clientExePath.compare(0, FolderAbove(module, 1).size(), FolderAbove(module, 1)), 0);
}

TEST(ParseZipConf, FallbackClientProgramIsLaunchNameOneFolderAboveTheUpdater)
{
    TempDir dir{L"upd"};
    std::wstring probe = InstallProbe(dir / L"A\\B\\");
    ASSERT_TRUE(WriteProductConfig(dir / L"A\\B\\", "<LaunchName>Launcher.exe</LaunchName>"));
    ProcessOutput r = RunProbe(probe, L"cmdline -url=http://127.0.0.1:9/p.zip -md5=0a -forcedupdate=2");
    auto values = ProbeValues(r.output);
    EXPECT_EQ(values["clientexe"], testkit::ToUtf8(dir / L"A\\Launcher.exe")) << r.output;
    EXPECT_EQ(values["clientdic"], testkit::ToUtf8(dir.Path()));
    EXPECT_EQ(values["zippath"], testkit::ToUtf8(dir / L"A\\B\\update.zip"));
    EXPECT_EQ(values["host"], "127.0.0.1:9");
    EXPECT_EQ(values["forced"], "2");

    // Without LaunchName nothing is appended.
    ASSERT_TRUE(WriteProductConfig(dir / L"A\\B\\", "<launchname>Launcher.exe</launchname>"));
    r = RunProbe(probe, L"cmdline -url=x");
    EXPECT_EQ(ProbeValues(r.output)["clientexe"], testkit::ToUtf8(dir / L"A\\")) << r.output;
}
