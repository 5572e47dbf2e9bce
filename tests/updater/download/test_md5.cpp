// MD5 against RFC 1321's suite and against md5sum's digests of files made here.
#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "UpdTestKit.h"
#include "download/md5.h"
#include "md5_expected.h"

using namespace updtest;

namespace {

std::string HexOf(const std::string& text)
{
    MD5_CTX ctx;
    unsigned char digest[16];
    ctx.Update(reinterpret_cast<const unsigned char*>(text.data()), static_cast<uint32_t>(text.size()));
    ctx.Final(digest);
    char hex[33];
    for (int i = 0; i < 16; ++i)
        std::snprintf(hex + 2 * i, 3, "%02x", digest[i]);
    return hex;
}

const Md5SumCase& CaseNamed(const char* name)
{
    for (const Md5SumCase& c : kMd5SumCases)
        if (std::strcmp(c.name, name) == 0)
            return c;
    throw std::runtime_error("no such case");
}

SIZE_T PeakWorkingSet()
{
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof(pmc);
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &pmc, sizeof(pmc));
    return pmc.PeakWorkingSetSize;
}

} // namespace

TEST(Md5, MatchesRfc1321TestSuite)
{
    EXPECT_EQ(HexOf(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(HexOf("a"), "0cc175b9c0f1b6a831c399e269772661");
    EXPECT_EQ(HexOf("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(HexOf("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(HexOf("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
    EXPECT_EQ(HexOf("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
              "d174ab98d277d9f5a5611c2c9f419d9f");
    EXPECT_EQ(HexOf("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
              "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(Md5, PiecewiseUpdatesEqualOneUpdateAndContextRestartsAfterFinal)
{
    std::string data = PatternBytes(5, 1000);
    MD5_CTX ctx;
    unsigned char whole[16], pieces[16];
    ctx.Update(reinterpret_cast<const unsigned char*>(data.data()), 1000);
    ctx.Final(whole);
    // Pieces that straddle the 64-byte block edges in every way.
    size_t cuts[] = {1, 62, 1, 64, 65, 127, 200, 480};
    size_t pos = 0;
    for (size_t n : cuts) {
        ctx.Update(reinterpret_cast<const unsigned char*>(data.data() + pos), static_cast<uint32_t>(n));
        pos += n;
    }
    ASSERT_EQ(pos, 1000u);
    ctx.Final(pieces);
    EXPECT_EQ(0, std::memcmp(whole, pieces, 16));
}

TEST(Md5File, SmallFilesMatchMd5sum)
{
    TempDir dir{L"upd"};
    MD5_CTX ctx; // one context for every file: each digest starts afresh
    for (const Md5SumCase& c : kMd5SumCases) {
        if (c.size > (64u << 20))
            continue;
        std::wstring path = dir / Widen(c.name);
        ASSERT_TRUE(WritePatternFile(path, c.seed, c.size));
        char out[33] = {0};
        ASSERT_TRUE(ctx.GetFileMd5(Narrow(path).c_str(), out)) << c.name;
        EXPECT_STREQ(out, c.md5) << c.name;
        char again[33] = {0};
        ASSERT_TRUE(ctx.GetFileMd5(Narrow(path).c_str(), again));
        EXPECT_STREQ(again, c.md5) << c.name;
    }
}

TEST(Md5File, UnreadableFileIsAnErrorAndLeavesOutputUntouched)
{
    TempDir dir{L"upd"};
    MD5_CTX ctx;
    char out[40];
    std::strcpy(out, "untouched");
    EXPECT_FALSE(ctx.GetFileMd5(Narrow(dir / L"missing.bin").c_str(), out));
    EXPECT_STREQ(out, "untouched");
    // A folder opens as nothing readable either.
    EXPECT_FALSE(ctx.GetFileMd5(Narrow(dir.Path()).c_str(), out));
    EXPECT_STREQ(out, "untouched");
}

TEST(Md5File, FileOver600MiBIsDigestedInBoundedMemory)
{
    const Md5SumCase& huge = CaseNamed("Huge");
    TempDir dir{L"upd"};
    std::wstring path = dir / L"huge.bin";
    ASSERT_TRUE(WritePatternFile(path, huge.seed, huge.size));
    SIZE_T before = PeakWorkingSet();
    MD5_CTX ctx;
    char out[33] = {0};
    ASSERT_TRUE(ctx.GetFileMd5(Narrow(path).c_str(), out));
    EXPECT_STREQ(out, huge.md5);
    EXPECT_LT(PeakWorkingSet() - before, SIZE_T(32) << 20) << "digest must stream the file";
}
