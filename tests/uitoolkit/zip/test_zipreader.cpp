#include "TestHelpers.h"
#include "ZipBuilder.h"
#include "zip/ZipByteSource.h"
#include "zip/ZipReader.h"

#include <Handles.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace UiToolkit;
using namespace TestHelpers;

namespace {

ULONGLONG Ticks(const FILETIME& ft)
{
    return (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

ULONGLONG UnixTicks(LONGLONG seconds)
{
    return static_cast<ULONGLONG>(seconds * 10000000LL + 116444736000000000LL);
}

// Opens bytes as an in-memory archive that ends right before a guard page.
struct GuardedZip
{
    explicit GuardedZip(const std::vector<BYTE>& bytes) : buffer(bytes.data(), bytes.size())
    {
        handle = ZipReader::Open(buffer.Data(), static_cast<DWORD>(buffer.Size()), ZIP_MEMORY);
    }
    ~GuardedZip()
    {
        if (handle != NULL)
            ZipReader::Close(handle);
    }
    GuardedBuffer buffer;
    ZipReaderHandle* handle;
};

std::string Text(const std::vector<BYTE>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

TEST(ZipReaderOpen, FromNameHandleAndMemory)
{
    ZipBuilder zip;
    zip.Add("Images/Close.png", "png-bytes", true);
    zip.Add("readme.txt", "plain");
    std::vector<BYTE> archive = zip.Build();
    TempFolder folder;

    // An archive that starts inside a file: the handle's position is the archive's start.
    std::vector<BYTE> prefixed = Bytes("SELF-EXTRACTOR STUB ");
    prefixed.insert(prefixed.end(), archive.begin(), archive.end());
    folder.Write(L"plain.zip", archive);
    folder.Write(L"prefixed.bin", prefixed);

    ZipReaderHandle* byName = ZipReader::Open(folder.File(L"plain.zip").c_str(), 0, ZIP_FILENAME);
    ASSERT_TRUE(byName != NULL);
    ZipReaderEntry entry;
    EXPECT_EQ(ZR_OK, ZipReader::GetEntry(byName, -1, &entry));
    EXPECT_EQ(2, entry.index);
    EXPECT_EQ(ZR_OK, ZipReader::Close(byName));

    ScopedHandle file(
        CreateFileW(folder.File(L"prefixed.bin").c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL));
    ASSERT_TRUE(file);
    SetFilePointer(file.Get(), 20, NULL, FILE_BEGIN);
    ZipReaderHandle* byHandle = ZipReader::Open(file.Get(), 0, ZIP_HANDLE);
    // The reader works on its own duplicate.
    file.Reset();
    ASSERT_TRUE(byHandle != NULL);
    int index = -1;
    EXPECT_EQ(ZR_OK, ZipReader::FindEntry(byHandle, L"readme.txt", false, &index, &entry));
    char data[5];
    EXPECT_EQ(ZR_MORE, ZipReader::Extract(byHandle, index, data, 5, ZIP_MEMORY));
    EXPECT_EQ("plain", std::string(data, 5));
    EXPECT_EQ(ZR_OK, ZipReader::Close(byHandle));

    GuardedZip memory(archive);
    ASSERT_TRUE(memory.handle != NULL);
    EXPECT_EQ(ZR_OK, ZipReader::FindEntry(memory.handle, L"images\\CLOSE.PNG", true, &index, &entry));
    EXPECT_EQ(0, index);
    EXPECT_STREQ(L"Images/Close.png", entry.name);
    EXPECT_EQ(9u, entry.uncompressedSize);
    EXPECT_EQ(ZR_NOTFOUND, ZipReader::FindEntry(memory.handle, L"images\\CLOSE.PNG", false, &index, &entry));
    EXPECT_EQ(-1, index);
    EXPECT_EQ(-1, entry.index);
    EXPECT_EQ(ZR_NOTFOUND, ZipReader::LastResult());
    std::wstring tooLong(256, L'a');
    EXPECT_EQ(ZR_NOTFOUND, ZipReader::FindEntry(memory.handle, tooLong.c_str(), true, &index, &entry));
}

TEST(ZipReaderOpen, RefusedSourcesAndHandles)
{
    EXPECT_TRUE(ZipReader::Open(L"C:\\no\\such\\archive.zip", 0, ZIP_FILENAME) == NULL);
    EXPECT_EQ(ZR_NOFILE, ZipReader::LastResult());
    EXPECT_TRUE(ZipReader::Open(NULL, 0, 7) == NULL);
    EXPECT_EQ(ZR_ARGS, ZipReader::LastResult());

    ScopedHandle readEnd, writeEnd;
    ASSERT_TRUE(CreatePipe(readEnd.Out(), writeEnd.Out(), NULL, 0));
    EXPECT_TRUE(ZipReader::Open(readEnd.Get(), 0, ZIP_HANDLE) == NULL);
    EXPECT_EQ(ZR_NOTDISK, ZipReader::LastResult());

    ZipReaderHandle wrongKind = {2, NULL};
    EXPECT_EQ(ZR_NOTREADER, ZipReader::Close(&wrongKind));
    EXPECT_EQ(ZR_ARGS, ZipReader::Close(NULL));
    EXPECT_EQ(ZR_ARGS, ZipReader::Extract(NULL, 0, NULL, 0, ZIP_MEMORY));
}

TEST(ZipReaderOpen, MalformedArchivesFailCleanly)
{
    ZipBuilder zip;
    zip.Add("a.txt", "0123456789", true);
    std::vector<BYTE> good = zip.Build();
    size_t eocd = good.size() - 22;

    std::vector<std::vector<BYTE>> broken;
    broken.push_back({});
    broken.push_back(Bytes("PK\x05\x06"));
    broken.push_back(std::vector<BYTE>(good.begin(), good.begin() + good.size() / 2));
    std::vector<BYTE> badOffset = good;
    badOffset[eocd + 16] = 0xF0; // central directory beyond the end
    broken.push_back(badOffset);
    std::vector<BYTE> badSize = good;
    badSize[eocd + 12] = 0xFF; // central directory larger than the archive
    badSize[eocd + 13] = 0xFF;
    broken.push_back(badSize);
    std::vector<BYTE> garbage(5000, 0x50);
    broken.push_back(garbage);

    for (size_t i = 0; i < broken.size(); ++i) {
        RunWithTimeout([&] {
            GuardedZip opened(broken[i]);
            EXPECT_TRUE(opened.handle == NULL) << "case " << i;
            EXPECT_NE(ZR_OK, ZipReader::LastResult()) << "case " << i;
        });
    }

    // A directory record that names an entry whose local header is garbage.
    std::vector<BYTE> badLocal = good;
    badLocal[0] = 'X';
    RunWithTimeout([&] {
        GuardedZip opened(badLocal);
        ASSERT_TRUE(opened.handle != NULL);
        int index = -1;
        ZipReaderEntry entry;
        EXPECT_EQ(ZR_LOCALHEADER, ZipReader::FindEntry(opened.handle, L"a.txt", false, &index, &entry));
        char buffer[10];
        EXPECT_NE(ZR_OK, ZipReader::Extract(opened.handle, 0, buffer, 10, ZIP_MEMORY));
        EXPECT_NE(ZR_MORE, ZipReader::Extract(opened.handle, 0, buffer, 10, ZIP_MEMORY));
    });
}

TEST(ZipReaderEntries, AttributesAndTimes)
{
    ZipBuilder zip;
    ZipBuilderEntry& dos = zip.Add("dos.txt", "d");
    dos.externalAttributes = 0x20;
    dos.madeBy = 0x0014;
    ZipBuilderEntry& unix = zip.Add("unix.txt", "u");
    unix.localExtra = ZipBuilder::ExtendedTime(7, {1600000000, 1600000100, -300000000});
    ZipBuilderEntry& hidden = zip.Add("sys.txt", "s");
    hidden.externalAttributes = 0x00800000 | 0x02 | 0x04;
    ZipBuilderEntry& folder = zip.Add("sub/", "");
    folder.externalAttributes = 0x41ED0010;
    // A block size whose high byte is set, and one that claims more than the field holds.
    ZipBuilderEntry& wide = zip.Add("wide.txt", "w");
    wide.localExtra = Bytes(std::string("XY\x05\x01", 4) + std::string(0x105, 'z'));
    std::vector<BYTE> ut = ZipBuilder::ExtendedTime(1, {1234567890});
    wide.localExtra.insert(wide.localExtra.end(), ut.begin(), ut.end());
    ZipBuilderEntry& lying = zip.Add("lying.txt", "l");
    lying.localExtra = ZipBuilder::ExtendedTime(7, {1600000000}, 200);
    ZipBuilderEntry& shortUt = zip.Add("short.txt", "t");
    shortUt.localExtra = ZipBuilder::ExtendedTime(3, {1600000000});

    GuardedZip opened(zip.Build());
    ASSERT_TRUE(opened.handle != NULL);
    ZipReaderEntry e;
    FILETIME dosTime;
    DosDateTimeToFileTime(((2020 - 1980) << 9) | (1 << 5) | 2, (3 << 11) | (4 << 5) | 3, &dosTime);

    ASSERT_EQ(ZR_OK, ZipReader::GetEntry(opened.handle, 0, &e));
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY),
              e.attributes);
    EXPECT_EQ(Ticks(dosTime), Ticks(e.writeTime));

    ASSERT_EQ(ZR_OK, ZipReader::GetEntry(opened.handle, 1, &e));
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_ARCHIVE), e.attributes);
    EXPECT_EQ(UnixTicks(1600000000), Ticks(e.writeTime));
    EXPECT_EQ(UnixTicks(1600000100), Ticks(e.accessTime));
    EXPECT_EQ(UnixTicks(-300000000), Ticks(e.creationTime));

    ASSERT_EQ(ZR_OK, ZipReader::GetEntry(opened.handle, 2, &e));
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM), e.attributes);
    ASSERT_EQ(ZR_OK, ZipReader::GetEntry(opened.handle, 3, &e));
    EXPECT_TRUE(e.attributes & FILE_ATTRIBUTE_DIRECTORY);

    ASSERT_EQ(ZR_OK, ZipReader::GetEntry(opened.handle, 4, &e));
    EXPECT_EQ(UnixTicks(1234567890), Ticks(e.writeTime));
    ASSERT_EQ(ZR_OK, ZipReader::GetEntry(opened.handle, 5, &e));
    EXPECT_EQ(Ticks(dosTime), Ticks(e.writeTime));
    ASSERT_EQ(ZR_OK, ZipReader::GetEntry(opened.handle, 6, &e));
    EXPECT_EQ(UnixTicks(1600000000), Ticks(e.writeTime));
    EXPECT_EQ(Ticks(dosTime), Ticks(e.accessTime));

    // Going back to an earlier entry, and the cached one, give the same answers.
    ASSERT_EQ(ZR_OK, ZipReader::GetEntry(opened.handle, 1, &e));
    EXPECT_STREQ(L"unix.txt", e.name);
    ASSERT_EQ(ZR_OK, ZipReader::GetEntry(opened.handle, 1, &e));
    EXPECT_STREQ(L"unix.txt", e.name);
    EXPECT_EQ(ZR_ARGS, ZipReader::GetEntry(opened.handle, 7, &e));
    EXPECT_EQ(ZR_ARGS, ZipReader::GetEntry(opened.handle, -2, &e));
}

TEST(ZipReaderExtract, ToMemoryInPiecesAndWithChecksums)
{
    ZipBuilder zip;
    zip.Add("ten.bin", "0123456789");
    std::string big(100000, 'x');
    for (size_t i = 0; i < big.size(); i += 7)
        big[i] = static_cast<char>('a' + i % 26);
    zip.Add("big.bin", big, true);
    zip.Add("bad.bin", "checksum is wrong", true).overrideCrc = true;
    ZipBuilderEntry& shortEntry = zip.Add("short.bin", "only ten b", true);
    shortEntry.overrideSize = true;
    shortEntry.declaredSize = 100;
    ZipBuilderEntry& huge = zip.Add("huge.bin", "tiny", true);
    huge.overrideSize = true;
    huge.declaredSize = 0x7FFFFFFF;
    GuardedZip opened(zip.Build());
    ASSERT_TRUE(opened.handle != NULL);

    char ten[10];
    EXPECT_EQ(ZR_MORE, ZipReader::Extract(opened.handle, 0, ten, 10, ZIP_MEMORY));
    EXPECT_EQ("0123456789", std::string(ten, 10));
    EXPECT_EQ(ZR_OK, ZipReader::Extract(opened.handle, 0, ten, 10, ZIP_MEMORY));

    std::string collected;
    char piece[4096];
    int code;
    int calls = 0;
    while ((code = ZipReader::Extract(opened.handle, 1, piece, sizeof(piece), ZIP_MEMORY)) == ZR_MORE) {
        collected.append(piece, piece + std::min<size_t>(sizeof(piece), big.size() - collected.size()));
        ASSERT_LT(++calls, 100);
    }
    EXPECT_EQ(ZR_OK, code);
    EXPECT_EQ(big, collected);

    char bad[64];
    EXPECT_EQ(ZR_FLATE, ZipReader::Extract(opened.handle, 2, bad, 17, ZIP_MEMORY));
    EXPECT_EQ(ZR_FLATE, ZipReader::Extract(opened.handle, 2, bad, sizeof(bad), ZIP_MEMORY));

    // The declared size is what callers allocate; the missing tail must read as zeros.
    BYTE* data = NULL;
    code = ZipReader::ExtractToNewBuffer(opened.handle, 3, 100, &data);
    ASSERT_TRUE(code == ZR_OK || code == ZR_MORE) << code;
    ASSERT_TRUE(data != NULL);
    EXPECT_EQ("only ten b", std::string(reinterpret_cast<char*>(data), 10));
    for (int i = 10; i < 100; ++i)
        ASSERT_EQ(0, data[i]) << i;
    free(data);

    ZipReaderEntry entry;
    int index = -1;
    ASSERT_EQ(ZR_OK, ZipReader::FindEntry(opened.handle, L"huge.bin", false, &index, &entry));
    EXPECT_EQ(0x7FFFFFFFu, entry.uncompressedSize);
    EXPECT_NE(ZR_OK, ZipReader::ExtractToNewBuffer(opened.handle, index, entry.uncompressedSize, &data));
    EXPECT_TRUE(data == NULL);

    EXPECT_EQ(ZR_ARGS, ZipReader::Extract(opened.handle, 5, ten, 10, ZIP_MEMORY));
    EXPECT_EQ(ZR_ARGS, ZipReader::Extract(opened.handle, 0, ten, 10, 9));
}

TEST(ZipReaderExtract, ToFilesStaysInsideTheBaseFolder)
{
    TempFolder outer;
    std::wstring base = outer.File(L"base");
    ASSERT_TRUE(CreateDirectoryW(base.c_str(), NULL));
    ASSERT_TRUE(SetCurrentDirectoryW(base.c_str()));

    ZipBuilder zip;
    ZipBuilderEntry& file = zip.Add("a/b/c.txt", "nested", true);
    file.localExtra = ZipBuilder::ExtendedTime(1, {1500000000});
    zip.Add("sub/dir/", "").externalAttributes = 0x41ED0010;
    zip.Add("../escape/", "").externalAttributes = 0x41ED0010;
    zip.Add("sub/../../up/", "").externalAttributes = 0x41ED0010;
    zip.Add("/rooted/", "").externalAttributes = 0x10;
    zip.Add("bad.txt", "checksum is wrong").overrideCrc = true;
    GuardedZip opened(zip.Build());
    ASSERT_TRUE(opened.handle != NULL);

    EXPECT_EQ(ZR_OK, ZipReader::Extract(opened.handle, 0, L"a\\b\\c.txt", 0, ZIP_FILENAME));
    EXPECT_EQ("nested", Text(ReadWholeFile(base + L"\\a\\b\\c.txt")));
    WIN32_FILE_ATTRIBUTE_DATA info;
    ASSERT_TRUE(GetFileAttributesExW((base + L"\\a\\b\\c.txt").c_str(), GetFileExInfoStandard, &info));
    EXPECT_EQ(UnixTicks(1500000000), Ticks(info.ftLastWriteTime));

    EXPECT_EQ(ZR_OK, ZipReader::Extract(opened.handle, 1, L"ignored", 0, ZIP_FILENAME));
    EXPECT_TRUE(PathExists(base + L"\\sub\\dir"));
    EXPECT_EQ(ZR_WRITE, ZipReader::Extract(opened.handle, 2, L"ignored", 0, ZIP_FILENAME));
    EXPECT_FALSE(PathExists(outer.File(L"escape")));
    EXPECT_EQ(ZR_WRITE, ZipReader::Extract(opened.handle, 3, L"ignored", 0, ZIP_FILENAME));
    EXPECT_FALSE(PathExists(outer.File(L"up")));
    EXPECT_EQ(ZR_WRITE, ZipReader::Extract(opened.handle, 4, L"ignored", 0, ZIP_FILENAME));

    // A target that climbs out gets no folders made for it.
    EXPECT_EQ(ZR_NOFILE, ZipReader::Extract(opened.handle, 0, L"..\\made\\c.txt", 0, ZIP_FILENAME));
    EXPECT_FALSE(PathExists(outer.File(L"made")));
    EXPECT_EQ(ZR_OK, ZipReader::Extract(opened.handle, 0, L"..\\c.txt", 0, ZIP_FILENAME));
    EXPECT_EQ("nested", Text(ReadWholeFile(outer.File(L"c.txt"))));

    EXPECT_EQ(ZR_WRITE, ZipReader::Extract(opened.handle, 5, L"bad.txt", 0, ZIP_FILENAME));

    ScopedHandle target(
        CreateFileW((base + L"\\by-handle.txt").c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    ASSERT_TRUE(target);
    EXPECT_EQ(ZR_OK, ZipReader::Extract(opened.handle, 0, target.Get(), 0, ZIP_HANDLE));
    target.Reset();
    EXPECT_EQ("nested", Text(ReadWholeFile(base + L"\\by-handle.txt")));

    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    SetCurrentDirectoryW(temp);
}

// Folder entries and targets that name a drive or a device are refused, as by the extraction
// layer of the Launcher: under Wine they became a folder "Z:" and files "CON" and "aux.txt".
TEST(ZipReaderExtract, DriveAndDeviceNamesAreRefused)
{
    TempFolder outer;
    std::wstring base = outer.File(L"base");
    ASSERT_TRUE(CreateDirectoryW(base.c_str(), NULL));
    ASSERT_TRUE(SetCurrentDirectoryW(base.c_str()));

    ZipBuilder zip;
    zip.Add("data.txt", "payload", false);
    const char* folders[] = {"Z:/", "a/Z:/", "CON/", "aux.txt/", "sub/nul.log/", "COM1/", "lpt9 .x/", "conout$/"};
    for (const char* name : folders)
        zip.Add(name, "").externalAttributes = 0x10;
    zip.Add("CONSOLE.d/", "").externalAttributes = 0x10;
    GuardedZip opened(zip.Build());
    ASSERT_TRUE(opened.handle != NULL);

    int index = 1;
    for (const char* name : folders)
        EXPECT_EQ(ZR_WRITE, ZipReader::Extract(opened.handle, index++, L"ignored", 0, ZIP_FILENAME)) << name;
    EXPECT_EQ(ZR_OK, ZipReader::Extract(opened.handle, index, L"ignored", 0, ZIP_FILENAME));
    EXPECT_TRUE(PathExists(base + L"\\CONSOLE.d"));

    const wchar_t* targets[] = {L"CON", L"aux.txt", L"dir\\COM1.log", L"Z:x.txt", L"x:y.txt", L"nul."};
    for (const wchar_t* target : targets)
        EXPECT_EQ(ZR_NOFILE, ZipReader::Extract(opened.handle, 0, target, 0, ZIP_FILENAME));
    EXPECT_EQ(ZR_OK, ZipReader::Extract(opened.handle, 0, L"plain\\data.txt", 0, ZIP_FILENAME));
    EXPECT_EQ("payload", Text(ReadWholeFile(base + L"\\plain\\data.txt")));

    // Only what was allowed is in the base folder.
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    ScopedFindHandle find(FindFirstFileW((base + L"\\*").c_str(), &found));
    ASSERT_TRUE(find);
    do {
        if (wcscmp(found.cFileName, L".") != 0 && wcscmp(found.cFileName, L"..") != 0)
            names.push_back(found.cFileName);
    } while (FindNextFileW(find.Get(), &found));
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::wstring>{L"CONSOLE.d", L"plain"}), names);

    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    SetCurrentDirectoryW(temp);
}

TEST(ZipByteSourceMemory, SeeksOutsideTheBlockFail)
{
    BYTE block[16];
    for (int i = 0; i < 16; ++i)
        block[i] = static_cast<BYTE>(i);
    ZipByteSource* source = ZipByteSource::FromMemory(block, 16);
    EXPECT_EQ(0, source->Seek(16, FILE_BEGIN));
    EXPECT_EQ(16, source->Tell());
    EXPECT_NE(0, source->Seek(17, FILE_BEGIN));
    EXPECT_NE(0, source->Seek(1, FILE_END));
    EXPECT_NE(0, source->Seek(-17, FILE_END));
    EXPECT_EQ(16, source->Tell());
    EXPECT_EQ(0, source->Seek(-4, FILE_END));
    BYTE out[8] = {0};
    EXPECT_EQ(4u, source->Read(out, 8));
    EXPECT_EQ(12, out[0]);
    EXPECT_EQ(0, source->Seek(-16, FILE_CURRENT));
    EXPECT_NE(0, source->Seek(-1, FILE_CURRENT));
    EXPECT_EQ(0, source->Tell());
    EXPECT_FALSE(source->HasError());
    EXPECT_EQ(0, ZipByteSource::Close(source));
    EXPECT_EQ(-1, ZipByteSource::Close(NULL));
}
