// The product configuration is found next to the program or one folder up, names match exactly,
// and the UI language follows the HKCU value of the client program.
#include <windows.h>

#include <gtest/gtest.h>

#include "ProbeRunner.h"

using namespace updtest;

namespace {

std::map<std::string, std::string> ProbeConfig(const std::wstring& probe)
{
    ProcessOutput r = RunProbe(probe, L"config");
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0u) << r.output;
    return ProbeValues(r.output);
}

// Sets (or, with `present` false, leaves out) HKCU\SOFTWARE\<prog>\Language and removes it again.
class LanguageKey
{
public:
    explicit LanguageKey(const std::wstring& prog) : base_(L"SOFTWARE\\" + prog) {}
    ~LanguageKey()
    {
        ::RegDeleteKeyW(HKEY_CURRENT_USER, (base_ + L"\\Language").c_str());
        ::RegDeleteKeyW(HKEY_CURRENT_USER, base_.c_str());
    }
    void Set(const std::string& raw)
    {
        ScopedRegKey key;
        ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_CURRENT_USER, (base_ + L"\\Language").c_str(), 0, nullptr, 0,
                                                   KEY_SET_VALUE, nullptr, key.Out(), nullptr));
        // The data is stored as given: a caller decides whether a terminator is part of it.
        ::RegSetValueExA(key.Get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(raw.data()),
                         static_cast<DWORD>(raw.size()));
    }

private:
    std::wstring base_;
};

} // namespace

TEST(ConfigParser, FoundNextToTheProgramElseOneFolderUp)
{
    TempDir dir{L"upd"};
    std::wstring probe = InstallProbe(dir / L"app\\");
    ASSERT_TRUE(WriteProductConfig(dir.Path(), "<ProgName>far.exe</ProgName><LaunchName>FarLaunch</LaunchName>"));
    auto up = ProbeConfig(probe);
    EXPECT_EQ(up["loaded"], "1");
    EXPECT_EQ(up["ProgName"], "far.exe");
    EXPECT_EQ(up["LaunchName"], "FarLaunch");
    EXPECT_EQ(up["CacheName"], "!");

    ASSERT_TRUE(WriteProductConfig(dir / L"app\\", "<ProgName>near.exe</ProgName><CacheName>NearCache</CacheName>"));
    auto beside = ProbeConfig(probe);
    EXPECT_EQ(beside["ProgName"], "near.exe");
    EXPECT_EQ(beside["LaunchName"], "!") << "the file one folder up is not read as well";
    EXPECT_EQ(beside["CacheName"], "NearCache");
}

TEST(ConfigParser, MissingOrMalformedFileLeavesEveryValueUnavailable)
{
    TempDir dir{L"upd"};
    std::wstring probe = InstallProbe(dir / L"app\\");
    auto missing = ProbeConfig(probe);
    EXPECT_EQ(missing["loaded"], "0");
    EXPECT_EQ(missing["ProgName"], "!");
    EXPECT_EQ(missing["chineseUi"], "1");

    ASSERT_TRUE(WriteBytes(dir / L"app\\ProductConfig.xml", "<ProductConfig><ProgName>x.exe</Prog"));
    auto malformed = ProbeConfig(probe);
    EXPECT_EQ(malformed["loaded"], "0");
    EXPECT_EQ(malformed["ProgName"], "!");
}

TEST(ConfigParser, NamesMatchExactlyAndTheFirstElementCounts)
{
    TempDir dir{L"upd"};
    std::wstring probe = InstallProbe(dir / L"app\\");
    ASSERT_TRUE(WriteProductConfig(dir / L"app\\", "<progname>lower.exe</progname><LAUNCHNAME>Upper</LAUNCHNAME>"
                                                   "<CacheName></CacheName><CacheName>Second</CacheName>"));
    auto v = ProbeConfig(probe);
    EXPECT_EQ(v["loaded"], "1");
    EXPECT_EQ(v["ProgName"], "!");
    EXPECT_EQ(v["progname"], "lower.exe");
    EXPECT_EQ(v["LaunchName"], "!");
    EXPECT_EQ(v["CacheName"], "!") << "an empty first element is not passed over";
}

TEST(ConfigParser, ValuesOf511BytesAreWholeAndLongerOnesUnavailable)
{
    TempDir dir{L"upd"};
    std::wstring probe = InstallProbe(dir / L"app\\");
    std::string fits(511, 'a'), tooLong(512, 'b');
    ASSERT_TRUE(WriteProductConfig(dir / L"app\\",
                                   "<LaunchName>" + fits + "</LaunchName><CacheName>" + tooLong + "</CacheName>"));
    auto v = ProbeConfig(probe);
    EXPECT_EQ(v["LaunchName"], fits);
    EXPECT_EQ(v["CacheName"], "!");
}

TEST(ConfigParser, LanguageFollowsTheClientsRegistryValue)
{
    struct Case
    {
        std::string raw;
        const char* chinese;
    } cases[] = {
        {std::string("en-US", 6), "0"},
        {std::string("EN-us", 6), "0"},
        {std::string("zh-CN", 6), "1"},
        {std::string("en-US,zh-CN", 12), "1"},
        {std::string("fr-FR", 6), "1"},
        {std::string("en-GB", 6), "1"},
        // Stored without a terminator and filling the buffer: still read, and ended safely.
        {std::string(254, 'x') + "en-US", "0"},
        // Longer than the buffer: not readable, so the default stays.
        {std::string(300, 'x') + "en-US" + std::string(1, '\0'), "1"},
    };
    TempDir dir{L"upd"};
    std::wstring probe = InstallProbe(dir / L"app\\");
    for (const Case& c : cases) {
        std::wstring prog = UniqueName(L"LangProg");
        ASSERT_TRUE(WriteProductConfig(dir / L"app\\", "<ProgName>" + Narrow(prog) + ".exe</ProgName>"));
        LanguageKey key(prog);
        key.Set(c.raw);
        EXPECT_EQ(ProbeConfig(probe)["chineseUi"], c.chinese) << c.raw.c_str();
    }
    // No key at all: Chinese.
    ASSERT_TRUE(WriteProductConfig(dir / L"app\\", "<ProgName>" + Narrow(UniqueName(L"NoKey")) + ".exe</ProgName>"));
    EXPECT_EQ(ProbeConfig(probe)["chineseUi"], "1");
}
