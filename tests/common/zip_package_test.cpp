// Whole packages on several threads: the files, results and report order of one thread, an
// entry failing in the middle, and a run killed midway followed by a clean next start.
#include "ZipPackage.h"
#include "ZipTestFixture.h"
#include "files.h"
#include "testprocess.h"

#include <map>
#include <vector>

using ziptest::Entry;
using ziptest::ZipWriter;

namespace {

struct Report
{
    int index;
    std::wstring name;
    unsigned int result;
    bool operator==(const Report& o) const { return index == o.index && name == o.name && result == o.result; }
};

struct Item
{
    std::string content;
    DWORD attr;
    unsigned long long mtime; // files only: a folder gets the time it was made
    bool operator==(const Item& o) const { return content == o.content && attr == o.attr && mtime == o.mtime; }
};

// Every file and folder below root with its content, attributes and write time.
std::map<std::string, Item> Snapshot(const fs::path& root)
{
    std::map<std::string, Item> items;
    for (auto& it : fs::recursive_directory_iterator(root)) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        EXPECT_TRUE(GetFileAttributesExW(it.path().c_str(), GetFileExInfoStandard, &data));
        bool folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        std::string content;
        EXPECT_TRUE(folder || testkit::ReadFileBytes(it.path().wstring(), &content)) << it.path();
        items[fs::relative(it.path(), root).generic_string()] = {content, data.dwFileAttributes,
                                                                 folder ? 0 : Ticks(data.ftLastWriteTime)};
    }
    return items;
}

bool HasPartial(const std::map<std::string, Item>& items)
{
    for (const auto& item : items)
        if (item.first.find(".~zx") != std::string::npos)
            return true;
    return false;
}

// The names as the Launcher treats them: "bin/" goes, "skip/" is not extracted, "refused/" is.
bool LauncherLikeTarget(const ZipEntry& e, std::wstring* target)
{
    std::wstring name = e.name;
    if (name.compare(0, 8, L"refused/") == 0)
        return false;
    if (name.compare(0, 5, L"skip/") != 0)
        *target = name.compare(0, 4, L"bin/") == 0 ? name.substr(4) : name;
    return true;
}

std::vector<Report> ExtractBelow(const std::wstring& archive, const fs::path& base, int threads, int* failed)
{
    std::vector<Report> reports;
    fs::create_directories(base);
    EXPECT_TRUE(SetCurrentDirectoryW(base.c_str()));
    ZipHandle* zip = OpenZipArchive(archive.c_str());
    EXPECT_NE(zip, nullptr);
    if (!zip)
        return reports;
    *failed = ExtractZipPackage(
        zip, LauncherLikeTarget,
        [&](int index, const ZipEntry& e, unsigned int result) {
            reports.push_back({index, e.name, result});
        },
        threads);
    CloseZipArchive(zip);
    return reports;
}

std::string Content(int i, size_t size)
{
    std::string s = "entry " + std::to_string(i) + ":";
    while (s.size() < size)
        s += std::to_string(i * 7919 + s.size()) + " ";
    return s.substr(0, size);
}

} // namespace

TEST_F(ZipFixture, PackageOnThreadsGivesTheFilesResultsAndReportOrderOfOneThread)
{
    {
        ZipWriter w(ArchivePath());
        ASSERT_TRUE(w.AddFolder("bin/"));
        for (int i = 0; i < 240; ++i) {
            std::string name = "bin/d" + std::to_string(i % 12) + "/f" + std::to_string(i) + ".txt";
            ASSERT_TRUE(w.AddFile(name, Content(i, static_cast<size_t>(i * 97 % 20000)), i % 3 != 0));
            if (i == 100) { // a large entry holds back the report while the other threads go on
                Entry big;
                big.name = "bin/big.dat";
                big.generatedSize = 6u << 20;
                big.pattern = Content(1, 4093);
                big.deflate = true;
                ASSERT_TRUE(w.Add(big));
            }
        }
        // Three entries write one file (case differs, "bin/" goes): the last one's data stays.
        ASSERT_TRUE(w.AddFile("bin/dup.txt", "first", true));
        ASSERT_TRUE(w.AddFile("DUP.txt", "second"));
        ASSERT_TRUE(w.AddFile("bin/Dup.TXT", "third", true));
        // A file, then entries that need a folder of its name, then a folder entry of that name.
        ASSERT_TRUE(w.AddFile("bin/clash", "a file"));
        ASSERT_TRUE(w.AddFile("clash/inner.txt", "no folder where a file is"));
        ASSERT_TRUE(w.AddFolder("bin/clash/"));
        Entry ro;
        ro.name = "bin/d3/read-only.txt";
        ro.data = "read-only";
        ro.madeBy = ziptest::kHostUnix;
        ro.externalAttr = 0100444u << 16;
        ro.localExtra = ziptest::UnixTimeBlock(1, {1650000000});
        ASSERT_TRUE(w.Add(ro));
        ASSERT_TRUE(w.AddFile("bin/C:/x", "unsafe stored name"));
        Entry crc;
        crc.name = "bin/d5/crc.txt";
        crc.data = Content(5, 3000);
        crc.deflate = true;
        crc.wrongCrc = true;
        ASSERT_TRUE(w.Add(crc));
        ASSERT_TRUE(w.AddFile("skip/x.txt", "not extracted"));
        ASSERT_TRUE(w.AddFile("refused/x.txt", "refused by the caller"));
        ASSERT_TRUE(w.AddFile("bin/last.txt", "last"));
        ASSERT_TRUE(w.Close());
    }
    int failedOne = -1, failedMany = -1;
    std::vector<Report> one = ExtractBelow(ArchivePath(), m_root / "one", 1, &failedOne);
    unsigned int lastOne = g_zipLastResult;
    std::vector<Report> many = ExtractBelow(ArchivePath(), m_root / "many", 8, &failedMany);
    EXPECT_EQ(g_zipLastResult, lastOne);
    EXPECT_EQ(lastOne, ZR_OK);

    ASSERT_EQ(one.size(), 254u);
    EXPECT_TRUE(one == many);
    for (size_t i = 0; i < one.size(); ++i)
        EXPECT_EQ(one[i].index, static_cast<int>(i));
    std::map<int, unsigned int> failures;
    for (const Report& r : one)
        if (r.result != ZR_OK)
            failures[r.index] = r.result;
    std::map<int, unsigned int> expected = {
        {246, ZR_OPEN_FAILED}, {247, ZR_OPEN_FAILED}, {249, ZR_BAD_NAME}, {250, ZR_INFLATE_FAILED}, {252, ZR_BAD_NAME}};
    EXPECT_EQ(failures, expected);
    EXPECT_EQ(failedOne, 5);
    EXPECT_EQ(failedMany, 5);

    std::map<std::string, Item> treeOne = Snapshot(m_root / "one");
    std::map<std::string, Item> treeMany = Snapshot(m_root / "many");
    EXPECT_EQ(treeOne.size(), treeMany.size());
    for (const auto& item : treeOne) {
        auto other = treeMany.find(item.first);
        EXPECT_TRUE(other != treeMany.end() && other->second == item.second) << item.first;
    }
    EXPECT_EQ(treeMany["dup.txt"].content, "third");
    EXPECT_EQ(treeMany["clash"].content, "a file");
    EXPECT_EQ(treeMany["big.dat"].content.size(), 6u << 20);
    EXPECT_TRUE(treeMany["d3/read-only.txt"].attr & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(treeMany["d3/read-only.txt"].mtime, UnixToTicks(1650000000));
    EXPECT_EQ(treeMany.count("d5/crc.txt"), 0u);
    EXPECT_EQ(treeMany.count("skip"), 0u);
    EXPECT_FALSE(HasPartial(treeMany));
}

TEST_F(ZipFixture, EntryFailingMidPackageKeepsItsOldFileAndTheRestInstall)
{
    {
        ZipWriter w(ArchivePath());
        for (int i = 0; i < 120; ++i) {
            Entry e;
            e.name = "files/f" + std::to_string(i) + ".txt";
            e.data = Content(i, 5000);
            e.deflate = true;
            e.wrongCrc = i == 60;
            ASSERT_TRUE(w.Add(e));
        }
        ASSERT_TRUE(w.Close());
    }
    for (int i : {59, 60, 61}) {
        fs::create_directories(m_base / "files");
        std::ofstream(m_base / "files" / ("f" + std::to_string(i) + ".txt")) << "old " << i;
    }
    ZipHandle* zip = OpenArchive();
    ASSERT_NE(zip, nullptr);
    std::vector<Report> reports;
    int failed = ExtractZipPackage(
        zip, LauncherLikeTarget,
        [&](int index, const ZipEntry& e, unsigned int result) {
            reports.push_back({index, e.name, result});
        },
        8);
    CloseZipArchive(zip);

    EXPECT_EQ(failed, 1);
    ASSERT_EQ(reports.size(), 120u);
    for (int i = 0; i < 120; ++i) {
        EXPECT_EQ(reports[i].index, i);
        EXPECT_EQ(reports[i].result, i == 60 ? ZR_INFLATE_FAILED : ZR_OK) << i;
        EXPECT_EQ(ReadAll(m_base / "files" / ("f" + std::to_string(i) + ".txt")), i == 60 ? "old 60" : Content(i, 5000))
            << i;
    }
    EXPECT_EQ(g_zipLastResult, ZR_OK);
    EXPECT_FALSE(HasPartial(Snapshot(m_base)));
}

TEST_F(ZipFixture, RunKilledMidPackageLeavesNoHalfWrittenFileAndTheNextRunCompletes)
{
    const int kEntries = 600;
    auto name = [](int i) { return "d" + std::to_string(i / 50) + "/f" + std::to_string(i) + ".txt"; };
    {
        ZipWriter w(ArchivePath());
        for (int i = 0; i < kEntries; ++i) {
            Entry e;
            e.name = name(i);
            e.data = Content(i, 8000 + i % 5000);
            e.deflate = true;
            if (i % 9 == 0) {
                e.madeBy = ziptest::kHostUnix;
                e.externalAttr = 0100444u << 16;
            }
            ASSERT_TRUE(w.Add(e));
        }
        ASSERT_TRUE(w.Close());
    }
    // An installed older version of some of the files.
    for (int i = 0; i < kEntries; i += 7) {
        fs::create_directories((m_base / name(i)).parent_path());
        std::ofstream(m_base / name(i)) << "old " << i;
    }
    const std::wstring tool = testkit::TestsDir() + L"ZipInstall.exe";
    const std::wstring args = L"\"" + ArchivePath() + L"\" \"" + m_base.wstring() + L"\"";
    {
        testkit::ChildProcess run(tool, args);
        ASSERT_TRUE(run.Started());
        // Killed as soon as its first new file is in place: most entries are still to come.
        const fs::path first = m_base / name(1);
        DWORD start = GetTickCount();
        while (!fs::exists(first) && !run.Wait(0) && GetTickCount() - start < 60000)
            Sleep(1);
        ASSERT_FALSE(run.Wait(0)) << "finished before it could be stopped, exit code " << run.ExitCode();
        run.Kill();
        ASSERT_TRUE(run.Wait(10000));
    }
    EXPECT_FALSE(fs::exists(m_base / name(kEntries - 1)));
    int installed = 0;
    for (int i = 0; i < kEntries; ++i) {
        fs::path target = m_base / name(i);
        if (!fs::exists(target))
            continue;
        std::string now = ReadAll(target);
        bool isNew = now == Content(i, 8000 + i % 5000);
        installed += isNew;
        EXPECT_TRUE(isNew || now == "old " + std::to_string(i)) << name(i) << " holds " << now.size() << " bytes";
    }
    EXPECT_GT(installed, 0);
    EXPECT_TRUE(fs::exists(ArchivePath()));

    // A partial file a killed run left read-only does not stand in the next run's way.
    const fs::path stale = m_base / (name(kEntries - 10) + ".~zx");
    fs::create_directories(stale.parent_path());
    std::ofstream(stale) << "cut short";
    SetFileAttributesW(stale.c_str(), FILE_ATTRIBUTE_READONLY);

    testkit::ProcessResult next = testkit::RunProcess(tool, args, 120000);
    ASSERT_TRUE(next.finished);
    EXPECT_EQ(next.exitCode, 0u);
    EXPECT_FALSE(fs::exists(ArchivePath()));
    std::set<std::string> expected;
    for (int i = 0; i < kEntries; ++i) {
        expected.insert(name(i));
        expected.insert(fs::path(name(i)).parent_path().generic_string());
        EXPECT_EQ(ReadAll(m_base / name(i)), Content(i, 8000 + i % 5000)) << name(i);
        DWORD attr = GetFileAttributesW((m_base / name(i)).c_str());
        EXPECT_EQ((attr & FILE_ATTRIBUTE_READONLY) != 0, i % 9 == 0) << name(i);
    }
    std::set<std::string> tree;
    for (auto& item : fs::recursive_directory_iterator(m_base))
        tree.insert(fs::relative(item.path(), m_base).generic_string());
    EXPECT_EQ(tree, expected); // no partial file left
}
