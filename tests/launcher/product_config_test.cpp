// Reading and rewriting ProductConfig.xml on real files.
#include "Utility.h"
#include <gtest/gtest.h>
#include "testkit.h"

using namespace testkit;

namespace {
bool ReadFrom(TempDir& dir, const std::string& xml, ProductConfig& config)
{
    std::wstring path = dir / L"ProductConfig.xml";
    WriteFileBytes(path, xml);
    return Utility::ReadProductConfig(config, path.c_str());
}

// The env write-back refuses the file and leaves it as it was, with no side file.
void ExpectEnvRefused(const std::wstring& path, const std::string& xml, const char* env = "pro")
{
    WriteFileBytes(path, xml);
    EXPECT_FALSE(Utility::SetProductConfigEnv(env, path.c_str())) << xml;
    std::string bytes;
    ReadFileBytes(path, &bytes);
    EXPECT_EQ(bytes, xml);
    EXPECT_FALSE(FileExists(path + L".tmp"));
}
} // namespace

TEST(ProductConfigRead, NamesMatchInAnyCaseAndTheLastNonEmptyWins)
{
    TempDir dir(L"cfg");
    ProductConfig c;
    ASSERT_TRUE(ReadFrom(
        dir,
        "<?xml version=\"1.0\"?><Root a=\"1\"><NAME>kel</NAME><name><b/>no</name><ENV>www</ENV>"
        "<env></env><env>pro</env><env/><env><![CDATA[]]></env><PROGNAME>k.exe</PROGNAME><Protocol>kp</Protocol>"
        "<pipe>p1</pipe><shortcut_CN>课堂</shortcut_CN><Shortcut_en>Class</Shortcut_en>"
        "<LaunchName>L</LaunchName><Version>2</Version><id>9</id><other>x</other>"
        "<deep><name>no</name></deep></Root>",
        c));
    EXPECT_EQ(c.name, L"kel");
    EXPECT_EQ(c.env, L"pro");
    EXPECT_EQ(c.ProgName, L"k.exe");
    EXPECT_EQ(c.protocol, L"kp");
    EXPECT_EQ(c.pipe, L"p1");
    EXPECT_EQ(c.shortcut_cn, L"课堂");
    EXPECT_EQ(c.shortcut_en, L"Class");
    EXPECT_EQ(c.LaunchName, L"L");
    EXPECT_EQ(c.Version, L"2");
    EXPECT_EQ(c.id, L"9");
}

TEST(ProductConfigRead, EmptyRootMissingFileAndGarbage)
{
    TempDir dir(L"cfg");
    ProductConfig c;
    EXPECT_TRUE(ReadFrom(dir, "<Config/>", c));
    EXPECT_TRUE(c.name.empty() && c.env.empty() && c.ProgName.empty());
    EXPECT_FALSE(ReadFrom(dir, "not xml <<", c));
    EXPECT_FALSE(ReadFrom(dir, "<R><env>www</R>", c));
    EXPECT_FALSE(ReadFrom(dir, "<?xml version=\"1.0\"?><!-- only a comment -->", c));
    std::wstring missing = dir / L"missing.xml";
    EXPECT_FALSE(Utility::ReadProductConfig(c, missing.c_str()));
    std::wstring folder = dir / L"folder.xml";
    ASSERT_TRUE(MakeDirs(folder));
    EXPECT_FALSE(Utility::ReadProductConfig(c, folder.c_str()));
}

TEST(ProductConfigRead, ValuesTooLongForTheirFieldAreRefused)
{
    TempDir dir(L"cfg");
    ProductConfig c;
    std::string fits(259, 'a');
    std::string tooLong(260, 'b');
    // Only a field whose last non-empty value is refused is named, and once.
    std::wstring path = dir / L"ProductConfig.xml";
    WriteFileBytes(path, "<R><name>" + tooLong + "</name><name>" + fits + "</name><pipe>short</pipe><pipe>" + tooLong +
                             "</pipe><pipe>" + tooLong + "</pipe><env>www</env><env><![CDATA[]]></env></R>");
    std::vector<std::string> overlong;
    ASSERT_TRUE(Utility::ReadProductConfig(c, path.c_str(), &overlong));
    EXPECT_EQ(c.name.size(), 259u);
    EXPECT_EQ(c.pipe, L"short");
    EXPECT_EQ(overlong, std::vector<std::string>{"pipe"});
}

TEST(ProductConfigWrite, EnvIsStoredAsUtf8AndOtherElementsStay)
{
    TempDir dir(L"cfg");
    std::wstring path = dir / L"ProductConfig.xml";
    // The reader takes the last non-empty env: every one is written.
    WriteFileBytes(path,
                   "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<R><name>课堂</name><Env>www</Env><ENV>pro</ENV></R>");
    ASSERT_TRUE(Utility::SetProductConfigEnv("测试", path.c_str()));
    ProductConfig c;
    ASSERT_TRUE(Utility::ReadProductConfig(c, path.c_str()));
    EXPECT_EQ(c.env, L"测试");
    EXPECT_EQ(c.name, L"课堂");
    std::string bytes;
    ReadFileBytes(path, &bytes);
    EXPECT_NE(bytes.find("<Env>\xe6\xb5\x8b\xe8\xaf\x95</Env>"), std::string::npos) << bytes;
    EXPECT_FALSE(FileExists(path + L".tmp"));
    ASSERT_TRUE(Utility::SetProductConfigEnv("", path.c_str()));
    c.Clear();
    ASSERT_TRUE(Utility::ReadProductConfig(c, path.c_str()));
    EXPECT_TRUE(c.env.empty());
    // Without an env element, or with a value that reads back changed, nothing can be stored.
    ExpectEnvRefused(path, "<R><name>kel</name></R>");
    ExpectEnvRefused(path, "<R><env>www</env></R>", "a\rb");
}

TEST(ProductConfigWrite, UnparsableFileIsNeverOverwritten)
{
    TempDir dir(L"cfg");
    std::wstring path = dir / L"ProductConfig.xml";
    // The parser stops quietly at a NUL byte and at a closing tag with nothing open.
    const std::string files[] = {"<R><env>www</R>", "<?xml version=\"1.0\"?><!-- no element -->",
                                 std::string("<R><env>www</env></R><R1/>\0<R2/>", 32),
                                 "<R><env>www</env></R><R1/></x><R2/>"};
    for (const std::string& xml : files)
        ExpectEnvRefused(path, xml);
    EXPECT_FALSE(Utility::SetProductConfigEnv(nullptr, path.c_str()));
    EXPECT_FALSE(Utility::SetProductConfigEnv("pro", dir.Path().c_str()));
    std::wstring missing = dir / L"none.xml";
    EXPECT_FALSE(Utility::SetProductConfigEnv("pro", missing.c_str()));
    EXPECT_FALSE(FileExists(missing));
}

TEST(ProductConfigWrite, NothingIsReplacedWhenAnotherFieldWouldReadBackChanged)
{
    // A carriage return given as a character reference is written back as itself and read back as
    // a line feed: the write-back would change the name, so the file stays as it was.
    TempDir dir(L"cfg");
    std::wstring path = dir / L"ProductConfig.xml";
    for (const char* element :
         {"Version", "id", "name", "progname", "protocol", "pipe", "shortcut_cn", "shortcut_en", "launchname"})
        ExpectEnvRefused(path, std::string("<R><") + element + ">kel&#13;x</" + element + "><env>www</env></R>");
}

TEST(ProductConfigWrite, ReplaceThatFailsLeavesNoSideFile)
{
    TempDir dir(L"cfg");
    std::wstring path = dir / L"ProductConfig.xml";
    const std::string xml = "<R><name>kel</name><env>www</env></R>";
    WriteFileBytes(path, xml);
    // Held open as another program would hold it, without delete sharing: it cannot be replaced;
    // without read sharing it cannot even be read.
    for (DWORD share : {DWORD(FILE_SHARE_READ), DWORD(0)}) {
        ScopedHandle held(CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        EXPECT_FALSE(Utility::SetProductConfigEnv("pro", path.c_str()));
        EXPECT_FALSE(FileExists(path + L".tmp"));
    }
    std::string bytes;
    ReadFileBytes(path, &bytes);
    EXPECT_EQ(bytes, xml);
}

TEST(ProductConfigWrite, FolderWithNonAsciiName)
{
    TempDir dir(L"cfg");
    std::wstring folder = dir / L"课堂 Ünï\\";
    ASSERT_TRUE(MakeDirs(folder));
    std::wstring path = folder + L"ProductConfig.xml";
    WriteFileBytes(path, "<R><env>www</env></R>");
    ASSERT_TRUE(Utility::SetProductConfigEnv("pro", path.c_str()));
    ProductConfig c;
    ASSERT_TRUE(Utility::ReadProductConfig(c, path.c_str()));
    EXPECT_EQ(c.env, L"pro");
}
