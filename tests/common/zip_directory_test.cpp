// The central-directory check before the reader trusts an archive: a directory with more in it than
// its records is refused, and ZIP64 archives, whose records defer their sizes to an extra block, pass.
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
