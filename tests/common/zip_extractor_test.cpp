// The ZIP extraction layer on archives written by the tests: listing, extraction, times,
// attributes, handles and a large streamed entry.
#include "ZipTestFixture.h"

#include <psapi.h>

using ziptest::Entry;
using ziptest::ZipWriter;

namespace {

const std::string kText = "The quick brown fox jumps over the lazy dog. 0123456789\n";

std::string Repeat(const std::string& s, size_t times)
{
    std::string out;
    for (size_t i = 0; i < times; ++i)
        out += s;
    return out;
}

void WriteSample(const std::wstring& path)
{
    ZipWriter w(path);
    ASSERT_TRUE(w.AddFile("readme.txt", "hello"));
    ASSERT_TRUE(w.AddFolder("bin/"));
    ASSERT_TRUE(w.AddFile("bin/a.dll", Repeat(kText, 200), true));
    ASSERT_TRUE(w.AddFile("bin/sub/b.dll", "stored bytes"));
    ASSERT_TRUE(w.Close());
}

SYSTEMTIME LocalFields(const FILETIME& utc)
{
    FILETIME local;
    SYSTEMTIME st = {};
    FileTimeToLocalFileTime(&utc, &local);
    FileTimeToSystemTime(&local, &st);
    return st;
}

} // namespace

TEST_F(ZipFixture, ListsEntriesWithCountSizesAndKinds)
{
    WriteSample(ArchivePath());
    ZipHandle* zip = OpenArchive();
    ASSERT_NE(zip, nullptr);

    ZipEntry count;
    EXPECT_EQ(GetZipEntry(zip, -1, &count), ZR_OK);
    EXPECT_EQ(count.index, 4);
    EXPECT_STREQ(count.name, L"");

    ZipEntry e;
    EXPECT_EQ(GetZipEntry(zip, 4, &e), ZR_BAD_ARGS);
    EXPECT_EQ(g_zipLastResult, ZR_BAD_ARGS);
    EXPECT_EQ(GetZipEntry(zip, -2, &e), ZR_BAD_ARGS);
    EXPECT_EQ(GetZipEntry(zip, 0, nullptr), ZR_BAD_ARGS);

    // Backwards and repeated requests restart the reader and still find the right entry.
    const wchar_t* names[] = {L"readme.txt", L"bin", L"bin/a.dll", L"bin/sub/b.dll"};
    for (int i : {3, 0, 2, 2, 1, 3}) {
        ASSERT_EQ(GetZipEntry(zip, i, &e), ZR_OK) << i;
        EXPECT_EQ(e.index, i);
        EXPECT_STREQ(e.name, names[i]);
    }
    EXPECT_EQ(g_zipLastResult, ZR_OK);

    ASSERT_EQ(GetZipEntry(zip, 2, &e), ZR_OK);
    EXPECT_EQ(e.uncompSize, static_cast<long long>(kText.size() * 200));
    EXPECT_LT(e.compSize, e.uncompSize);
    EXPECT_EQ(e.attr, static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    ASSERT_EQ(GetZipEntry(zip, 1, &e), ZR_OK);
    EXPECT_TRUE(e.attr & FILE_ATTRIBUTE_DIRECTORY);

    EXPECT_EQ(CloseZipArchive(zip), ZR_OK);
}

TEST_F(ZipFixture, ExtractsStoredDeflatedFoldersAndNestedPaths)
{
    WriteSample(ArchivePath());
    ZipHandle* zip = OpenArchive();
    ASSERT_NE(zip, nullptr);
    for (int i = 3; i >= 0; --i) {
        ZipEntry e;
        ASSERT_EQ(GetZipEntry(zip, i, &e), ZR_OK);
        EXPECT_EQ(ExtractZipEntry(zip, i, e.name), ZR_OK) << i;
    }
    // A different target name: missing folders are made below the base.
    EXPECT_EQ(ExtractZipEntry(zip, 0, L"deep/er\\readme-copy.txt"), ZR_OK);
    EXPECT_EQ(ExtractZipEntry(zip, 4, L"x"), ZR_BAD_ARGS);
    EXPECT_EQ(CloseZipArchive(zip), ZR_OK);

    EXPECT_EQ(ReadAll(m_base / "readme.txt"), "hello");
    EXPECT_EQ(ReadAll(m_base / "bin/a.dll"), Repeat(kText, 200));
    EXPECT_EQ(ReadAll(m_base / "bin/sub/b.dll"), "stored bytes");
    EXPECT_EQ(ReadAll(m_base / "deep/er/readme-copy.txt"), "hello");
    std::set<std::string> expected = {"a.zip",
                                      "base",
                                      "base/readme.txt",
                                      "base/bin",
                                      "base/bin/a.dll",
                                      "base/bin/sub",
                                      "base/bin/sub/b.dll",
                                      "base/deep",
                                      "base/deep/er",
                                      "base/deep/er/readme-copy.txt"};
    EXPECT_EQ(Tree(), expected); // no side files left behind
}

TEST_F(ZipFixture, BaseFolderIsTheCurrentDirectoryAtOpen)
{
    WriteSample(ArchivePath());
    ZipHandle* zip = OpenArchive();
    ASSERT_NE(zip, nullptr);
    EXPECT_EQ(fs::path(zip->extractor->BaseFolder()), m_base / "");
    SetCurrentDirectoryW(m_root.c_str());
    EXPECT_EQ(ExtractZipEntry(zip, 0, L"readme.txt"), ZR_OK);
    CloseZipArchive(zip);
    EXPECT_TRUE(fs::exists(m_base / "readme.txt"));
    EXPECT_FALSE(fs::exists(m_root / "readme.txt"));
}

TEST_F(ZipFixture, EntriesCarryDosAndUnixTimes)
{
    const uint32_t kWrite = 1700000000, kAccess = 1700001000, kCreate = 1600000000;
    {
        ZipWriter w(ArchivePath());
        Entry dosOnly;
        dosOnly.name = "dos.txt";
        dosOnly.data = "d";
        Entry writeOnly = dosOnly;
        writeOnly.name = "write.txt";
        writeOnly.localExtra = ziptest::UnixTimeBlock(1, {kWrite});
        Entry all = dosOnly;
        all.name = "all.txt";
        // Another block first: the scan walks past it.
        all.localExtra = ziptest::ExtraBlock(0x000A, 4, "abcd") + ziptest::UnixTimeBlock(7, {kWrite, kAccess, kCreate});
        ASSERT_TRUE(w.Add(dosOnly) && w.Add(writeOnly) && w.Add(all) && w.Close());
    }
    ZipHandle* zip = OpenArchive();
    ASSERT_NE(zip, nullptr);
    ZipEntry e[3];
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(GetZipEntry(zip, i, &e[i]), ZR_OK);
        ASSERT_EQ(ExtractZipEntry(zip, i, e[i].name), ZR_OK);
    }
    CloseZipArchive(zip);

    SYSTEMTIME st = LocalFields(e[0].mtime);
    EXPECT_EQ(st.wYear, 2024);
    EXPECT_EQ(st.wMonth, 3);
    EXPECT_EQ(st.wDay, 15);
    EXPECT_EQ(st.wHour, 10);
    EXPECT_EQ(st.wMinute, 20);
    EXPECT_EQ(st.wSecond, 30);
    unsigned long long dos = Ticks(e[0].mtime);
    EXPECT_EQ(Ticks(e[0].atime), dos);
    EXPECT_EQ(Ticks(e[0].ctime), dos);

    EXPECT_EQ(Ticks(e[1].mtime), UnixToTicks(kWrite));
    EXPECT_EQ(Ticks(e[1].atime), dos);
    EXPECT_EQ(Ticks(e[1].ctime), dos);

    EXPECT_EQ(Ticks(e[2].mtime), UnixToTicks(kWrite));
    EXPECT_EQ(Ticks(e[2].atime), UnixToTicks(kAccess));
    EXPECT_EQ(Ticks(e[2].ctime), UnixToTicks(kCreate));

    // The files on disk carry the same times (Wine keeps no creation time of its own).
    const char* files[] = {"dos.txt", "write.txt", "all.txt"};
    for (int i = 0; i < 3; ++i) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        ASSERT_TRUE(GetFileAttributesExW((m_base / files[i]).c_str(), GetFileExInfoStandard, &data));
        EXPECT_EQ(Ticks(data.ftLastWriteTime), Ticks(e[i].mtime)) << files[i];
        EXPECT_EQ(Ticks(data.ftLastAccessTime), Ticks(e[i].atime)) << files[i];
    }
}

TEST_F(ZipFixture, DosDateConversionRefusesImpossibleDates)
{
    FILETIME t = DosDateTimeToFileTime(ziptest::DosDate(2020, 0, 1), 0);
    EXPECT_EQ(Ticks(t), 0u);
    t = DosDateTimeToFileTime(ziptest::DosDate(2020, 2, 30), 0);
    EXPECT_EQ(Ticks(t), 0u);
    t = DosDateTimeToFileTime(ziptest::DosDate(2020, 2, 29), ziptest::DosTime(23, 59, 58));
    SYSTEMTIME st = LocalFields(t);
    EXPECT_EQ(st.wDay, 29);
    EXPECT_EQ(st.wSecond, 58);
}

TEST_F(ZipFixture, AttributesFollowTheHostThatMadeTheEntry)
{
    {
        ZipWriter w(ArchivePath());
        Entry dos;
        dos.name = "dos-ro-hidden-system.txt";
        dos.data = "1";
        dos.externalAttr = 0x27;
        Entry unixRw = dos;
        unixRw.name = "unix-rw.txt";
        unixRw.madeBy = ziptest::kHostUnix;
        unixRw.externalAttr = 0100644u << 16;
        Entry unixRo = unixRw;
        unixRo.name = "unix-ro.txt";
        unixRo.externalAttr = 0100444u << 16;
        Entry unixDir = unixRw;
        unixDir.name = "unix-dir";
        unixDir.data.clear();
        unixDir.externalAttr = 040755u << 16;
        ASSERT_TRUE(w.Add(dos) && w.Add(unixRw) && w.Add(unixRo) && w.Add(unixDir) && w.Close());
    }
    ZipHandle* zip = OpenArchive();
    ASSERT_NE(zip, nullptr);
    for (int i = 0; i < 4; ++i) {
        ZipEntry e;
        ASSERT_EQ(GetZipEntry(zip, i, &e), ZR_OK);
        ASSERT_EQ(ExtractZipEntry(zip, i, e.name), ZR_OK) << i;
    }
    // A read-only target is replaced by a later extraction to the same name.
    EXPECT_EQ(ExtractZipEntry(zip, 1, L"unix-ro.txt"), ZR_OK);
    CloseZipArchive(zip);

    const DWORD mask = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                       FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_DIRECTORY;
    auto attr = [&](const char* name) { return GetFileAttributesW((m_base / name).c_str()) & mask; };
    EXPECT_EQ(attr("dos-ro-hidden-system.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                                                   FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(attr("unix-rw.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(attr("unix-ro.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE)); // replaced by the rw entry
    EXPECT_TRUE(attr("unix-dir") & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(ZipFixture, HandlesOfTheWrongKindOrNullAreRefused)
{
    ZipEntry e;
    EXPECT_EQ(GetZipEntry(nullptr, 0, &e), ZR_BAD_ARGS);
    EXPECT_EQ(ExtractZipEntry(nullptr, 0, L"x"), ZR_BAD_ARGS);
    EXPECT_EQ(CloseZipArchive(nullptr), ZR_BAD_ARGS);
    EXPECT_EQ(g_zipLastResult, ZR_BAD_ARGS);

    ZipHandle other;
    other.kind = 2;
    EXPECT_EQ(GetZipEntry(&other, 0, &e), ZR_WRONG_KIND);
    EXPECT_EQ(ExtractZipEntry(&other, 0, L"x"), ZR_WRONG_KIND);
    EXPECT_EQ(CloseZipArchive(&other), ZR_WRONG_KIND);
    EXPECT_EQ(g_zipLastResult, ZR_WRONG_KIND);

    WriteSample(ArchivePath());
    ZipHandle* zip = OpenArchive();
    ASSERT_NE(zip, nullptr);
    EXPECT_EQ(zip->extractor->Open(ArchivePath().c_str()), ZR_ALREADY_OPEN);
    zip->extractor->Close();
    EXPECT_EQ(GetZipEntry(zip, 0, &e), ZR_BAD_ARGS);
    EXPECT_EQ(CloseZipArchive(zip), ZR_OK);

    EXPECT_EQ(OpenZipArchive((m_root / "missing.zip").c_str()), nullptr);
    EXPECT_EQ(g_zipLastResult, ZR_OPEN_FAILED);
    std::ofstream(m_root / "not-a.zip") << "this is not an archive";
    EXPECT_EQ(OpenZipArchive((m_root / "not-a.zip").c_str()), nullptr);
    EXPECT_EQ(g_zipLastResult, ZR_OPEN_FAILED);
}

TEST_F(ZipFixture, LargeEntryStreamsWithFlatMemory)
{
    const uint64_t kSize = 100ull << 20;
    const std::string pattern = Repeat(kText, 37) + "tail";
    {
        ZipWriter w(ArchivePath());
        Entry big;
        big.name = "big/blob.bin";
        big.generatedSize = kSize;
        big.pattern = pattern;
        big.deflate = true;
        ASSERT_TRUE(w.Add(big) && w.Close());
    }
    PROCESS_MEMORY_COUNTERS before = {sizeof before};
    ASSERT_TRUE(GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before));

    ZipHandle* zip = OpenArchive();
    ASSERT_NE(zip, nullptr);
    ZipEntry e;
    ASSERT_EQ(GetZipEntry(zip, 0, &e), ZR_OK);
    EXPECT_EQ(e.uncompSize, static_cast<long long>(kSize));
    ASSERT_EQ(ExtractZipEntry(zip, 0, e.name), ZR_OK);
    CloseZipArchive(zip);

    PROCESS_MEMORY_COUNTERS after = {sizeof after};
    ASSERT_TRUE(GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after));
    EXPECT_LT(after.PeakWorkingSetSize, before.PeakWorkingSetSize + (8u << 20))
        << "peak before " << before.PeakWorkingSetSize << ", after " << after.PeakWorkingSetSize;

    fs::path out = m_base / "big/blob.bin";
    ASSERT_EQ(fs::file_size(out), kSize);
    std::ifstream in(out, std::ios::binary);
    for (uint64_t offset : {0ull, 12345677ull, kSize / 2 + 3, kSize - 4096}) {
        std::string got(4096, '\0');
        in.seekg(static_cast<std::streamoff>(offset));
        in.read(&got[0], static_cast<std::streamsize>(got.size()));
        EXPECT_EQ(got, ziptest::PatternBytes(pattern, offset, got.size())) << offset;
    }
}
