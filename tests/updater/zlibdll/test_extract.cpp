// The extraction library zlib.dll and the installation's extraction job, on packages written by
// Python's zipfile at build time.
#include <windows.h>

#include <gtest/gtest.h>

#include "UpdTestKit.h"
#include "install/zipDownloader.h"
#include "zlibdll/ExtractZip.h"
#include "ZipWriter.h"

using namespace updtest;

namespace {

std::wstring Package(const wchar_t* name)
{
    return testkit::TestsDir() + name;
}

std::string DataBin()
{
    std::string data(200000, '\0');
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>((i * 7 + 3) & 0xFF);
    return data;
}

} // namespace

TEST(ExtractZipToDir, WritesEveryEntryByteExactAndNothingOutsideTheFolder)
{
    TempDir dir{L"upd"};
    std::wstring target = dir / L"deep\\target\\"; // made by the library
    ASSERT_TRUE(testkit::MakeDirs(target + L"bin\\"));
    std::wstring stale = target + L"bin\\data.bin";
    ASSERT_TRUE(WriteBytes(stale, "old"));
    ASSERT_TRUE(::SetFileAttributesW(stale.c_str(), FILE_ATTRIBUTE_READONLY));

    EXPECT_EQ(ExtractZipToDir(Package(L"extract-package.zip").c_str(), target.c_str(), 0), 0);
    EXPECT_EQ(ReadBytes(target + L"readme.txt"), "hello package\r\n");
    EXPECT_EQ(ReadBytes(stale), DataBin());
    EXPECT_TRUE(testkit::DirExists(target + L"bin\\empty"));
    EXPECT_EQ(ReadBytes(target + L"escape.txt"), "escape");
    EXPECT_EQ(ReadBytes(target + L"abs\\root.txt"), "root");
    EXPECT_EQ(ReadBytes(target + L"drive.txt"), "drive");
    EXPECT_EQ(ReadBytes(target + L"sub\\back.txt"), "back");
    EXPECT_EQ(ReadBytes(target + L"\u6570\u636e\\\u6587\u4ef6.txt"), "\xe4\xb8\xad\xe6\x96\x87");
    EXPECT_FALSE(FileExists(dir / L"deep\\escape.txt"));
    EXPECT_FALSE(FileExists(dir / L"deep\\C"));

    // A relative package path is the caller's, and the caller's current folder is kept.
    wchar_t before[MAX_PATH];
    ::GetCurrentDirectoryW(MAX_PATH, before);
    ASSERT_TRUE(::SetCurrentDirectoryW(testkit::TestsDir().c_str()));
    EXPECT_EQ(ExtractZipToDir(L"extract-package.zip", (dir / L"again\\").c_str(), 0), 0);
    wchar_t after[MAX_PATH];
    ::GetCurrentDirectoryW(MAX_PATH, after);
    ::SetCurrentDirectoryW(before);
    EXPECT_EQ(std::wstring(after) + L"\\", testkit::TestsDir());
    EXPECT_EQ(ReadBytes(dir / L"again\\readme.txt"), "hello package\r\n");
}

TEST(ExtractZipToDir, DamagedEntriesAndBadArgumentsAreReported)
{
    TempDir dir{L"upd"};
    // The damaged entry is counted and removed; the sound one is written.
    EXPECT_EQ(ExtractZipToDir(Package(L"extract-badcrc.zip").c_str(), dir.Path().c_str(), 0), 1);
    EXPECT_EQ(ReadBytes(dir / L"good.txt"), "good data");
    EXPECT_FALSE(FileExists(dir / L"bad.txt"));

    EXPECT_EQ(ExtractZipToDir((dir / L"missing.zip").c_str(), dir.Path().c_str(), 0), kExtractOpenFailed);
    ASSERT_TRUE(WriteBytes(dir / L"notzip.zip", std::string(300, 'x')));
    EXPECT_EQ(ExtractZipToDir((dir / L"notzip.zip").c_str(), dir.Path().c_str(), 0), kExtractOpenFailed);
    EXPECT_EQ(ExtractZipToDir(Package(L"extract-package.zip").c_str(), (dir / L"notzip.zip").c_str(), 0),
              kExtractFolderFailed);
    EXPECT_EQ(ExtractZipToDir(nullptr, dir.Path().c_str(), 0), kExtractBadArguments);
    EXPECT_EQ(ExtractZipToDir(Package(L"extract-package.zip").c_str(), L"", 0), kExtractBadArguments);
    EXPECT_EQ(ExtractZipToDir(Package(L"extract-package.zip").c_str(), dir.Path().c_str(), 1), kExtractBadArguments);
    EXPECT_FALSE(FileExists(dir / L"readme.txt"));
}

// Packages whose directory cannot be read are one quick open failure: no entry is tried, nothing
// is written (one once took 87 s, each declared index walking the directory again).
TEST(ExtractZipToDir, UnreadableDirectoryIsOneQuickFailure)
{
    TempDir dir{L"upd"};
    std::wstring target = dir / L"out\\";
    ASSERT_TRUE(ziptest::WriteRunawayExtraPackage(dir / L"runaway.zip"));
    ASSERT_TRUE(ziptest::WriteOverclaimingPackage(dir / L"overclaim.zip"));
    for (const wchar_t* name : {L"runaway.zip", L"overclaim.zip"}) {
        DWORD start = ::GetTickCount();
        EXPECT_EQ(ExtractZipToDir((dir / name).c_str(), target.c_str(), 0), kExtractOpenFailed);
        EXPECT_LT(::GetTickCount() - start, 3000u) << testkit::ToUtf8(name);
    }
    EXPECT_FALSE(FileExists(target + L"a.txt"));
    EXPECT_FALSE(testkit::DirExists(target + L"files"));
}

TEST(UnzipJob, CreatesTheTargetFolderOrFailsWhenItCannotExist)
{
    TempDir dir{L"upd"};
    EXPECT_TRUE(TryCreateDirectories(dir / L"a\\b\\c\\"));
    EXPECT_TRUE(testkit::DirExists(dir / L"a\\b\\c"));
    EXPECT_TRUE(TryCreateDirectories(dir / L"a\\b\\c")); // nothing left to make
    ASSERT_TRUE(WriteBytes(dir / L"file", "x"));
    EXPECT_FALSE(TryCreateDirectories(dir / L"file"));
    EXPECT_FALSE(TryCreateDirectories(dir / L"file\\sub\\"));

    UnzipJob blocked{Narrow(Package(L"extract-package.zip")), Narrow(dir / L"file\\sub\\")};
    EXPECT_FALSE(blocked.Run());

    UnzipJob job{Narrow(Package(L"extract-package.zip")), Narrow(dir / L"new\\client\\")};
    DWORD start = ::GetTickCount();
    EXPECT_TRUE(job.Run());
    EXPECT_GE(::GetTickCount() - start, 450u); // the library is called after half a second
    EXPECT_EQ(ReadBytes(dir / L"new\\client\\readme.txt"), "hello package\r\n");

    // The library's verdict counts: a package with a damaged entry is not extracted.
    UnzipJob damaged{Narrow(Package(L"extract-badcrc.zip")), Narrow(dir / L"dmg\\")};
    EXPECT_FALSE(damaged.Run());
}
