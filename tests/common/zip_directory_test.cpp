// The central-directory check before the reader trusts an archive: a directory with more in it than
// its records is refused, and ZIP64 archives, whose records defer their sizes to an extra block, pass.
#include "ZipInternal.h"
#include "ZipTestFixture.h"

using ziptest::Entry;
using ziptest::ZipWriter;

TEST_F(ZipFixture, DirectoryWithBytesAfterItsLastRecordIsRefused)
{
    // Stray bytes, or one record more than the end record counts: the reader would list less than
    // the package holds.
    for (int kind = 0; kind < 2; ++kind) {
        {
            ZipWriter w(ArchivePath());
            ASSERT_TRUE(w.AddFile("one.txt", "1") && w.AddFile("two.txt", "2"));
            if (kind == 0)
                w.AddStrayDirectoryBytes(std::string(12, '\0'));
            ASSERT_TRUE(w.Close(kind == 0 ? -1 : 1));
        }
        EXPECT_EQ(OpenZipArchive(ArchivePath().c_str()), nullptr) << kind;
        EXPECT_EQ(g_zipLastResult, ZR_READ_FAILED) << kind;
    }
    ExpectNothingOutsideBase();
}

TEST_F(ZipFixture, Zip64ArchiveWhoseBlocksHoldExactlyTheDeferredSizesExtracts)
{
    const std::string text(3000, 'z');
    {
        ZipWriter w(ArchivePath());
        Entry e;
        e.zip64 = true;
        e.name = "stored64.txt";
        e.data = "stored, sizes in the ZIP64 block";
        ASSERT_TRUE(w.Add(e));
        e.name = "sub/deflated64.txt";
        e.data = text;
        e.deflate = true;
        e.zip64Offset = true;
        ASSERT_TRUE(w.Add(e));
        ASSERT_TRUE(w.AddFile("plain.txt", "no ZIP64 block"));
        w.UseZip64EndRecords();
        ASSERT_TRUE(w.Close());
    }
    ZipHandle* zip = OpenArchive();
    ASSERT_NE(zip, nullptr);
    ZipEntry count;
    ASSERT_EQ(GetZipEntry(zip, -1, &count), ZR_OK);
    ASSERT_EQ(count.index, 3);
    for (int i = 0; i < 3; ++i) {
        ZipEntry e;
        ASSERT_EQ(GetZipEntry(zip, i, &e), ZR_OK) << i;
        EXPECT_EQ(ExtractZipEntry(zip, i, e.name), ZR_OK) << i;
    }
    CloseZipArchive(zip);
    EXPECT_EQ(ReadAll(m_base / "stored64.txt"), "stored, sizes in the ZIP64 block");
    EXPECT_EQ(ReadAll(m_base / "sub/deflated64.txt"), text);
    EXPECT_EQ(ReadAll(m_base / "plain.txt"), "no ZIP64 block");
}

TEST_F(ZipFixture, RecordWhoseExtraBlocksDoNotFillItsFieldIsRefused)
{
    // The reader walks the blocks by their sizes and takes deferred values from the ZIP64 block
    // whatever its size says.
    std::vector<Entry> rows;
    for (size_t stray = 1; stray <= 3; ++stray) {
        rows.emplace_back();
        rows.back().centralExtra = ziptest::ExtraBlock(0x000A, 4, "1234") + std::string(stray, 'x');
    }
    rows.emplace_back();
    rows.back().centralExtra = ziptest::ExtraBlock(0x000A, 60, "12345678");
    for (bool offset : {false, true}) {
        rows.emplace_back();
        rows.back().zip64 = true;
        rows.back().zip64Offset = offset;
        rows.back().zip64CentralValues = offset ? 2 : 1; // the offset or the compressed size is missing
    }
    for (size_t i = 0; i < rows.size(); ++i) {
        {
            ZipWriter w(ArchivePath());
            rows[i].name = "odd.txt";
            rows[i].data = "data";
            ASSERT_TRUE(w.AddFile("one.txt", "1") && w.Add(rows[i]) && w.AddFile("two.txt", "2"));
            ASSERT_TRUE(w.Close());
        }
        EXPECT_EQ(OpenZipArchive(ArchivePath().c_str()), nullptr) << i;
        EXPECT_EQ(g_zipLastResult, ZR_READ_FAILED) << i;
    }
}

TEST_F(ZipFixture, EndRecordsOnlyCountAsTheReaderTakesThem)
{
    // The reader refuses most of these itself; the check holds without it. Each row adds 1 to a
    // field counted back from the end of the file (width 0: unchanged).
    struct
    {
        bool zip64;
        int fromEnd;
        int width;
    } rows[] = {
        {false, 0, 0}, {false, 18, 2}, {false, 16, 2}, {false, 12, 2}, // disks, total count
        {false, 6, 4}, {false, 75, 4},                                 // offset, second record's signature
        {true, 0, 0},  {true, 38, 4},  {true, 26, 4},  {true, 98, 4},  // locator's disks, ZIP64 end signature
        {true, 82, 4}, {true, 78, 4},  {true, 66, 4},                  // ZIP64 end's disks and total count
    };
    for (const auto& row : rows) {
        {
            ZipWriter w(ArchivePath());
            ASSERT_TRUE(w.AddFile("one.txt", "1") && w.AddFile("two.txt", "2"));
            if (row.zip64)
                w.UseZip64EndRecords();
            ASSERT_TRUE(w.Close());
        }
        std::fstream f(m_root / "a.zip", std::ios::in | std::ios::out | std::ios::binary);
        f.seekg(-row.fromEnd, std::ios::end);
        unsigned char field[4] = {};
        f.read(reinterpret_cast<char*>(field), row.width);
        ++field[0];
        f.seekp(-row.fromEnd, std::ios::end);
        f.write(reinterpret_cast<char*>(field), row.width);
        f.close();
        unsigned long long entries = 0;
        EXPECT_EQ(CheckZipCentralDirectory(ArchivePath().c_str(), &entries), row.width == 0) << row.fromEnd;
        EXPECT_EQ(entries, row.width == 0 ? 2u : 0u) << row.fromEnd;
    }
    for (const std::string& tiny : {std::string(), std::string("P")}) {
        std::ofstream(m_root / "a.zip", std::ios::binary) << tiny;
        unsigned long long entries = 0;
        EXPECT_FALSE(CheckZipCentralDirectory(ArchivePath().c_str(), &entries)) << tiny.size();
    }
}
