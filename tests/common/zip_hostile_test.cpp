// Hostile and damaged archives: nothing lands outside the base folder, every bad entry is
// refused with a result code, and no target is left half-written.
#include "ZipInternal.h"
#include "ZipNameRules.h"
#include "ZipTestFixture.h"

using ziptest::Entry;
using ziptest::ZipWriter;

namespace {

struct NameCase
{
    const char* stored;
    const wchar_t* listed; // null: refused
};

const NameCase kNames[] = {
    {"../x1", L"x1"},
    {"a/../../x2", L"a/x2"},
    {"..\\x3", L"x3"},
    {"/abs4", L"abs4"},
    {"\\abs5", L"abs5"},
    {"C:/x6", L"x6"},
    {"C:x7", L"x7"},
    {"C:\\x\\..\\..\\evil8.txt", L"x/evil8.txt"},
    {"bin//x9", L"bin/x9"},
    {"./d/./e/.../f10", L"d/e/f10"},
    {"bin/C:/x", nullptr},
    {"a/b:c", nullptr},
    {"file.txt:stream", nullptr},
    {"", nullptr},
    {"../..", nullptr},
    {"/", nullptr},
    {"bad\x01name", nullptr},
    {"what?.txt", nullptr},
    {"a<b", nullptr},
    {"a>b", nullptr},
    {"a\"b", nullptr},
    {"a|b", nullptr},
    {"a*b", nullptr},
};

} // namespace

TEST_F(ZipFixture, HostileNamesAreMadeSafeOrRefused)
{
    std::string longName(300, 'n');
    {
        ZipWriter w(ArchivePath());
        for (const NameCase& c : kNames)
            ASSERT_TRUE(w.AddFile(c.stored, std::string("content of ") + c.stored));
        ASSERT_TRUE(w.AddFile(longName, "long"));
        ASSERT_TRUE(w.Close());
    }
    ZipHandle* zip = OpenArchive();
    ASSERT_NE(zip, nullptr);
    int i = 0;
    for (const NameCase& c : kNames) {
        ZipEntry e;
        unsigned int r = GetZipEntry(zip, i, &e);
        if (c.listed) {
            ASSERT_EQ(r, ZR_OK) << c.stored;
            EXPECT_STREQ(e.name, c.listed) << c.stored;
            EXPECT_EQ(ExtractZipEntry(zip, i, e.name), ZR_OK) << c.stored;
            std::string utf8 = fs::path(c.listed).string();
            EXPECT_EQ(ReadAll(m_base / utf8), std::string("content of ") + c.stored);
        } else {
            EXPECT_EQ(r, ZR_BAD_NAME) << c.stored;
            EXPECT_EQ(g_zipLastResult, ZR_BAD_NAME);
            EXPECT_STREQ(e.name, L"") << c.stored;
        }
        ++i;
    }
    ZipEntry e;
    EXPECT_EQ(GetZipEntry(zip, i, &e), ZR_BAD_NAME); // longer than a path may be
    CloseZipArchive(zip);
    ExpectNothingOutsideBase();
}

TEST_F(ZipFixture, CallerNamesAreAlwaysJoinedToTheBase)
{
    {
        ZipWriter w(ArchivePath());
        ASSERT_TRUE(w.AddFile("payload.txt", "payload"));
        ASSERT_TRUE(w.Close());
    }
    std::wstring outside = (m_root / "outside.txt").wstring();
    struct
    {
        std::wstring name;
        const char* landsAt; // below the base; null: refused
    } cases[] = {
        {L"..\\out1.txt", "out1.txt"},
        {L"/out2.txt", "out2.txt"},
        {L"\\out3.txt", "out3.txt"},
        {L"x/../../out4.txt", "x/out4.txt"},
        {outside, nullptr}, // a full path: its drive is dropped, ':' free rest stays below the base
        {L"a:b:c", nullptr},
        {L"..", nullptr},
        {L"", nullptr},
    };
    ZipHandle* zip = OpenArchive();
    ASSERT_NE(zip, nullptr);
    for (auto& c : cases) {
        unsigned int r = ExtractZipEntry(zip, 0, c.name.c_str());
        if (c.landsAt) {
            EXPECT_EQ(r, ZR_OK) << fs::path(c.name).string();
            EXPECT_EQ(ReadAll(m_base / c.landsAt), "payload");
        } else if (c.name != outside) {
            EXPECT_EQ(r, ZR_BAD_NAME) << fs::path(c.name).string();
        }
    }
    CloseZipArchive(zip);
    EXPECT_FALSE(fs::exists(outside));
    ExpectNothingOutsideBase();
}

TEST_F(ZipFixture, DeviceNamesNeverLeaveTheBase)
{
    {
        ZipWriter w(ArchivePath());
        for (const char* name : {"con", "sub/nul.txt", "aux.txt", "COM1.log", "con.", "lpt3 .x", "Z:/CONIN$/x",
                                 "prn.txt/x", "conout$/x", "COM2 .log/x", "com\xc2\xb9"})
            ASSERT_TRUE(w.AddFile(name, "x"));
        ASSERT_TRUE(w.AddFile("CONSOLE.txt", "a name, not a device"));
        ASSERT_TRUE(w.AddFile("com0.txt", "no device has the number 0"));
        ASSERT_TRUE(w.Close());
    }
    ZipHandle* zip = OpenArchive();
    ASSERT_NE(zip, nullptr);
    for (int i = 0; i < 11; ++i) {
        ZipEntry e;
        ASSERT_EQ(GetZipEntry(zip, i, &e), ZR_OK);
        // The full-path rules turn these into devices, which are not below the base; as folder
        // parts (and "com" with a superscript digit, under Wine) only the name rule refuses them.
        EXPECT_EQ(ExtractZipEntry(zip, i, e.name), ZR_BAD_NAME) << i;
    }
    EXPECT_EQ(ExtractZipEntry(zip, 11, L"CONSOLE.txt"), ZR_OK);
    EXPECT_EQ(ReadAll(m_base / "CONSOLE.txt"), "a name, not a device");
    EXPECT_EQ(ExtractZipEntry(zip, 12, L"com0.txt"), ZR_OK);
    CloseZipArchive(zip);
    ExpectNothingOutsideBase();
}

TEST_F(ZipFixture, PathRulesHoldEachOnItsOwn)
{
    // Each rule called alone, without the ones that run before it in an extraction.
    const std::wstring base = m_base.wstring() + L"\\";
    const std::wstring longName(40, L'f'); // the path outside is as long as one inside
    std::wstring climbs;
    while (climbs.size() < ZIP_MAX_PATH)
        climbs += L"d/../";
    const wchar_t* const kEither = L"";
    const struct
    {
        std::wstring name;
        const wchar_t* landsAt; // below the base; null: refused; kEither: as the file system names it
    } targets[] = {
        {L"sub/a.txt", L"sub\\a.txt"},
        {L"name. .", L"name"},
        {L"../" + longName, nullptr},
        {L"../base" + longName, nullptr},
        {L"", nullptr},
        {L"sub/..", nullptr},
        {L"con", nullptr},
        {L"sub/nul.txt", nullptr},
        {L"CONIN$", nullptr},
        {climbs + L"x", nullptr},
        {L".../x", kEither}, // a folder on Windows, ".." under Wine
        {L". ./x", kEither},
    };
    for (const auto& t : targets) {
        wchar_t out[ZIP_MAX_PATH] = {};
        bool resolved = ResolveZipTarget(base.c_str(), t.name.c_str(), out, ZIP_MAX_PATH);
        if (t.landsAt != kEither) {
            EXPECT_EQ(resolved, t.landsAt != nullptr) << fs::path(t.name).string();
        }
        if (!resolved)
            continue;
        if (t.landsAt && t.landsAt != kEither) {
            EXPECT_EQ(std::wstring(out), base + t.landsAt);
        }
        // What opening the path reaches.
        wchar_t opened[ZIP_MAX_PATH] = {};
        GetFullPathNameW(out, ZIP_MAX_PATH, opened, nullptr);
        EXPECT_EQ(std::wstring(opened), std::wstring(out)) << fs::path(t.name).string();
        EXPECT_EQ(_wcsnicmp(opened, base.c_str(), base.size()), 0) << fs::path(t.name).string();
    }
    wchar_t small[8] = {};
    EXPECT_FALSE(ResolveZipTarget(base.c_str(), L"a.txt", small, 8));

    wchar_t safe[ZIP_MAX_PATH];
    EXPECT_FALSE(MakeSafeZipName(nullptr, safe, ZIP_MAX_PATH));
    EXPECT_FALSE(MakeSafeZipName(L"a", nullptr, 0));
    for (const wchar_t* path : {L"", L"/a", L"\\a", L"C:a", L"a/. ./b", L"a/b|c"})
        EXPECT_FALSE(ZipRelativePathIsSafe(path)) << fs::path(path).string();
    EXPECT_FALSE(ZipRelativePathIsSafe(nullptr));
    EXPECT_FALSE(ZipNameSegmentIsSafe(L"a", 0));

    // Folders: made below the base, the base itself when missing, never through a file nor for a
    // part that Windows would trim.
    std::ofstream(m_base / "file") << "x";
    EXPECT_TRUE(EnsureDirectory((base + L"new").c_str(), L"a/b"));
    EXPECT_TRUE(fs::is_directory(m_base / "new" / "a" / "b"));
    for (const wchar_t* path : {L"file", L"file/sub", L"app./x", L"app /x"})
        EXPECT_FALSE(EnsureDirectory(base.c_str(), path)) << fs::path(path).string();
    EXPECT_FALSE(EnsureDirectory(nullptr, L"a"));
    EXPECT_FALSE(EnsureDirectory(base.c_str(), nullptr));
    EXPECT_FALSE(EnsureDirectory(L"", L"a"));
    std::wstring deep;
    while (deep.size() < ZIP_MAX_PATH)
        deep += L"level/";
    EXPECT_FALSE(EnsureDirectory(base.c_str(), deep.c_str()));
    EXPECT_FALSE(fs::exists(m_base / "level"));
    ExpectNothingOutsideBase();
}

TEST_F(ZipFixture, UnixTimeBlockIsReadWithinItsBounds)
{
    const uint32_t kWrite = 1700000000;
    {
        ZipWriter w(ArchivePath());
        Entry e;
        e.data = "t";
        e.name = "ut-size-past-field.txt";
        e.localExtra = ziptest::ExtraBlock(0x5455, 200, std::string("\x01\x00\xf1\x53\x65", 5));
        ASSERT_TRUE(w.Add(e));
        e.name = "other-block-past-field.txt";
        e.localExtra = ziptest::ExtraBlock(0x000A, 60, "12345678") + ziptest::UnixTimeBlock(1, {kWrite});
        ASSERT_TRUE(w.Add(e));
        e.name = "flags-claim-more.txt"; // flag 7 but room for one time only
        e.localExtra = ziptest::ExtraBlock(0x5455, 5, std::string("\x07", 1) + std::string("\x00\xf1\x53\x65", 4));
        ASSERT_TRUE(w.Add(e));
        e.name = "tiny-field.txt";
        e.localExtra = "UT\x01";
        ASSERT_TRUE(w.Add(e));
        e.name = "ut-claims-nine-holds-five.txt";
        e.localExtra = ziptest::ExtraBlock(0x5455, 9, std::string("\x01\x00\xf1\x53\x65", 5));
        ASSERT_TRUE(w.Add(e));
        ASSERT_TRUE(w.Close());
    }
    unsigned long long dos = Ticks(DosDateTimeToFileTime(ziptest::DosDate(2024, 3, 15), ziptest::DosTime(10, 20, 30)));
    unsigned long long fromBlock = UnixToTicks(kWrite);
    ZipHandle* zip = OpenArchive();
    ASSERT_NE(zip, nullptr);
    ZipEntry e[5];
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(GetZipEntry(zip, i, &e[i]), ZR_OK) << i;
        EXPECT_EQ(ExtractZipEntry(zip, i, e[i].name), ZR_OK) << i;
        EXPECT_EQ(Ticks(e[i].atime), dos) << i;
        EXPECT_EQ(Ticks(e[i].ctime), dos) << i;
    }
    CloseZipArchive(zip);
    EXPECT_EQ(Ticks(e[0].mtime), dos);
    EXPECT_EQ(Ticks(e[1].mtime), dos); // the scan ends at the block that runs past the field
    EXPECT_EQ(Ticks(e[2].mtime), fromBlock);
    EXPECT_EQ(Ticks(e[3].mtime), dos);
    EXPECT_EQ(Ticks(e[4].mtime), dos); // a block that claims more than the field holds is not read
}

TEST_F(ZipFixture, DamagedEntriesFailAndLeaveOldTargetsWhole)
{
    {
        ZipWriter w(ArchivePath());
        Entry e;
        e.data = std::string(50000, 'q');
        e.name = "crc-stored.bin";
        e.wrongCrc = true;
        ASSERT_TRUE(w.Add(e));
        e.name = "crc-deflated.bin";
        e.deflate = true;
        ASSERT_TRUE(w.Add(e));
        e.name = "short-deflated.bin";
        e.wrongCrc = false;
        e.declaredSizeDelta = 100;
        ASSERT_TRUE(w.Add(e));
        e.name = "short-stored.bin";
        e.deflate = false;
        ASSERT_TRUE(w.Add(e));
        e.name = "method-differs.bin";
        e.declaredSizeDelta = 0;
        e.localMethod = 8;
        ASSERT_TRUE(w.Add(e));
        e.name = "encrypted.bin";
        e.localMethod = -1;
        e.flags = 1;
        ASSERT_TRUE(w.Add(e));
        ASSERT_TRUE(w.Close());
    }
    const char* names[] = {"crc-stored.bin", "crc-deflated.bin", "short-deflated.bin", "short-stored.bin"};
    for (const char* name : names)
        std::ofstream(m_base / name) << "old";

    ZipHandle* zip = OpenArchive();
    ASSERT_NE(zip, nullptr);
    for (int i = 0; i < 4; ++i) {
        ZipEntry e;
        ASSERT_EQ(GetZipEntry(zip, i, &e), ZR_OK) << i;
        EXPECT_EQ(ExtractZipEntry(zip, i, e.name), ZR_INFLATE_FAILED) << names[i];
        EXPECT_EQ(ReadAll(m_base / names[i]), "old") << names[i];
    }
    ZipEntry e;
    EXPECT_EQ(GetZipEntry(zip, 4, &e), ZR_LOCAL_HEADER);
    EXPECT_EQ(ExtractZipEntry(zip, 4, L"method-differs.bin"), ZR_LOCAL_HEADER);
    EXPECT_EQ(ExtractZipEntry(zip, 5, L"encrypted.bin"), ZR_ENCRYPTED);
    CloseZipArchive(zip);

    std::set<std::string> expected = {"a.zip", "base"};
    for (const char* name : names)
        expected.insert(std::string("base/") + name);
    EXPECT_EQ(Tree(), expected); // no side files, no new targets
}

TEST_F(ZipFixture, TruncatedCentralDirectoryIsRefused)
{
    {
        ZipWriter w(ArchivePath());
        ASSERT_TRUE(w.AddFile("one.txt", "1") && w.AddFile("two.txt", "2"));
        ASSERT_TRUE(w.Close(-1, 60)); // cut inside the second directory record
    }
    EXPECT_EQ(OpenZipArchive(ArchivePath().c_str()), nullptr);
    EXPECT_EQ(g_zipLastResult, ZR_OPEN_FAILED);

    // A directory that holds fewer records than its end record promises, or a record whose extra
    // field runs past the directory and the file, is one failure of the archive, found at once.
    {
        ZipWriter w(ArchivePath());
        ASSERT_TRUE(w.AddFile("one.txt", "1") && w.AddFile("two.txt", "2"));
        ASSERT_TRUE(w.Close(3)); // the end record promises a third entry
    }
    EXPECT_EQ(OpenZipArchive(ArchivePath().c_str()), nullptr);
    EXPECT_EQ(g_zipLastResult, ZR_READ_FAILED);
    for (int kind = 0; kind < 2; ++kind) {
        ASSERT_TRUE(kind == 0 ? ziptest::WriteRunawayExtraPackage(ArchivePath())
                              : ziptest::WriteOverclaimingPackage(ArchivePath()));
        DWORD start = GetTickCount();
        EXPECT_EQ(OpenZipArchive(ArchivePath().c_str()), nullptr) << kind;
        EXPECT_EQ(g_zipLastResult, ZR_READ_FAILED) << kind;
        EXPECT_LT(GetTickCount() - start, 2000u) << kind;
    }
    ExpectNothingOutsideBase();
}
