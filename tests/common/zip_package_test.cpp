// Whole packages on several threads: the files, results and report order of one thread, an
// entry failing in the middle, and a run killed midway followed by a clean next start.
#include "ZipInternal.h"
#include "ZipPackage.h"
#include "ZipTestFixture.h"
#include "files.h"
#include "testprocess.h"

#include <functional>
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

namespace {

// The short name Windows gives name in a folder of its own (name itself when it gives none).
std::string ShortNameOf(const fs::path& scratch, const std::string& name, bool folder)
{
    fs::create_directories(scratch);
    const fs::path probe = scratch / name;
    if (folder)
        fs::create_directories(probe);
    else
        std::ofstream(probe) << "probe";
    wchar_t shortPath[MAX_PATH];
    DWORD n = GetShortPathNameW(probe.c_str(), shortPath, MAX_PATH);
    std::string leaf = n && n < MAX_PATH ? fs::path(shortPath).filename().string() : name;
    fs::remove_all(scratch);
    return leaf;
}

struct NameRow
{
    std::string what;
    // UTF-8. Entry 0 is large; a trailing '/' makes a folder entry, "bad-crc" a wrong CRC.
    std::vector<std::string> names;
    std::vector<unsigned int> results;
    std::map<std::string, int> tree; // what holds which entry (-1: a folder); empty: not checked
    bool everyRun = true;            // false: one, two and eight threads only
    size_t firstSize = 1u << 20;
};

std::string Numbered(std::string pattern, int n)
{
    return pattern.replace(pattern.find('#'), 1, std::to_string(n));
}

// runChars: the length of the folder the rows extract into, with its separator.
std::vector<NameRow> NameRows(const fs::path& scratch, size_t runChars)
{
    std::vector<NameRow> rows = {
        {"folder part with trailing dots",
         {"app/cfg.ini", "app../cfg.ini"},
         {ZR_OK, ZR_BAD_NAME},
         {{"app", -1}, {"app/cfg.ini", 0}}},
        {"folder part with a trailing blank over a file", {"d", "d /x.txt"}, {ZR_OK, ZR_BAD_NAME}, {{"d", 0}}},
        {"folders of dots and blanks make nothing",
         {"big.dat", "a. ./x", "e. /"},
         {ZR_OK, ZR_BAD_NAME, ZR_BAD_NAME},
         {{"big.dat", 0}}},
        {"an entry named like the partial file of the one before",
         {"x", "x.~zx"},
         {ZR_OK, ZR_OK},
         {{"x", 0}, {"x.~zx", 1}}},
        {"an entry named like the partial file of the one after",
         {"x.~zx", "x"},
         {ZR_OK, ZR_OK},
         {{"x.~zx", 0}, {"x", 1}}},
        {"a folder named like a partial file",
         {"x.~zx/y", "x"},
         {ZR_OK, ZR_OK},
         {{"x.~zx", -1}, {"x.~zx/y", 0}, {"x", 1}}},
        {"a short file name",
         {"longfilename.txt", ShortNameOf(scratch, "longfilename.txt", false)},
         {ZR_OK, ZR_OK},
         {}},
        {"a short folder name",
         {"programfiles/a.txt", ShortNameOf(scratch, "programfiles", true) + "/a.txt"},
         {ZR_OK, ZR_OK},
         {}},
    };
    NameRow pairs{"many entries named like partial files", {}, {}, {}};
    NameRow wide{"more folders than the handle cache keeps", {}, {}, {}};
    for (int i = 0; i < 300; ++i) {
        pairs.names.push_back("p" + std::to_string(i));
        pairs.names.push_back("p" + std::to_string(i) + ".~zx");
        const std::string folder = "f" + std::to_string(i % 100);
        wide.names.push_back(folder + "/n" + std::to_string(i) + ".txt");
        wide.tree[folder] = -1;
    }
    for (int i = 0; i < 600; ++i)
        pairs.tree[pairs.names[i]] = i;
    for (int i = 0; i < 300; ++i)
        wide.tree[wide.names[i]] = i;
    pairs.results.assign(600, ZR_OK);
    wide.results.assign(300, ZR_OK);
    rows.push_back(pairs);
    rows.push_back(wide);

    // Two entries name one new folder, each in its own spelling; '#' is the pair's number.
    struct Spellings
    {
        const char* first;
        const char* second;
        std::vector<std::pair<const char*, int>> tree; // -1 a folder, 0 the first entry, 1 the second
    };
    const Spellings spellings[] = {
        {"Dir#/a.txt", "dir#/b.txt", {{"Dir#", -1}, {"Dir#/a.txt", 0}, {"Dir#/b.txt", 1}}},
        {"A#/B/x", "a#/b/y", {{"A#", -1}, {"A#/B", -1}, {"A#/B/x", 0}, {"A#/B/y", 1}}},
        {"\xC3\x89#/x", "\xC3\xA9#/y", {{"\xC3\x89#", -1}, {"\xC3\x89#/x", 0}, {"\xC3\x89#/y", 1}}}, // E acute
        {"F#/", "f#/x", {{"F#", -1}, {"F#/x", 1}}},
        {"g#/x", "G#/", {{"g#", -1}, {"g#/x", 0}}},
    };
    NameRow cases{"a new folder named in two spellings is spelled as the first entry names it", {}, {}, {}};
    for (int i = 0; i < 150; ++i) {
        const Spellings& kind = spellings[i % 5];
        const int first = int(cases.names.size());
        cases.names.push_back(Numbered(kind.first, i));
        cases.names.push_back(Numbered(kind.second, i));
        for (const auto& item : kind.tree)
            cases.tree[Numbered(item.first, i)] = item.second < 0 ? -1 : first + item.second;
    }
    cases.results.assign(cases.names.size(), ZR_OK);
    rows.push_back(cases);

    // Full paths of 259 to 256 characters in a folder of 247, the longest Windows makes.
    NameRow longest{"targets of up to 259 characters", {}, {}, {}};
    const std::string folder(247 - runChars, 'L');
    longest.tree[folder] = -1;
    for (size_t leaf : {11, 11, 10, 8}) {
        longest.names.push_back(folder + "/" + std::string(leaf, char('a' + longest.names.size())));
        longest.tree[longest.names.back()] = int(longest.names.size()) - 1;
    }
    longest.results.assign(longest.names.size(), ZR_OK);
    rows.push_back(longest);

    // While the large entry is written, the skipped and refused entries after it (no thread
    // writes them) fill the report window at once; written, skipped, refused and failing ones
    // follow.
    NameRow window{"a large entry, then 1,500 small ones", {"w/big.dat"}, {ZR_OK},
                   {{"w", -1}, {"w/big.dat", 0}},          false,         4u << 20};
    for (int i = 1; i <= 1500; ++i) {
        const std::string n = std::to_string(i);
        const bool written = i > 300 && i % 3 == 0;
        const bool badCrc = written && i % 89 == 0;
        const std::string name = badCrc    ? "w/bad-crc" + n
                                 : written ? "w" + n.substr(0, 1) + "/" + n
                                 : i % 2   ? "skip/" + n
                                           : "refused/" + n;
        window.names.push_back(name);
        window.results.push_back(badCrc ? ZR_INFLATE_FAILED : written || i % 2 ? ZR_OK : ZR_BAD_NAME);
        if (written && !badCrc) {
            window.tree["w" + n.substr(0, 1)] = -1;
            window.tree[name] = i;
        }
    }
    rows.push_back(window);
    return rows;
}

} // namespace

TEST_F(ZipFixture, NamesThatMayMeanOneFileGiveOneTreeOnAnyNumberOfThreads)
{
    struct Run
    {
        const char* what;
        int threads;
        bool noFolderCalls;
        int openAnotherLeft;
    };
    // Two readers more than the first: two threads write, as on a machine of two processors.
    const Run runs[] = {{"one thread", 1, false, -1},
                        {"eight threads", 8, false, -1},
                        {"when only two more readers open", 8, false, 2},
                        {"without the folder-relative calls", 8, true, -1},
                        {"when no more reader opens", 8, false, 0}};
    const size_t runChars = (m_root / "row" / "run0").wstring().size() + 1;
    for (const NameRow& row : NameRows(m_root / "scratch", runChars)) {
        SCOPED_TRACE(row.what);
        const fs::path rowDir = m_root / "row";
        const std::wstring archive = (rowDir / "a.zip").wstring();
        fs::create_directories(rowDir);
        std::map<std::string, int> entryOf; // by content
        {
            ZipWriter w(archive);
            for (size_t i = 0; i < row.names.size(); ++i) {
                const std::string& name = row.names[i];
                const std::string content = Content(int(i), i == 0 ? row.firstSize : 3000);
                entryOf[content] = int(i);
                Entry e;
                e.name = name;
                e.data = content;
                e.deflate = i == 0;
                e.wrongCrc = name.find("bad-crc") != std::string::npos;
                ASSERT_TRUE(name.back() == '/' ? w.AddFolder(name) : w.Add(e));
            }
            ASSERT_TRUE(w.Close());
        }
        std::map<std::string, Item> first;
        std::vector<Report> firstReports;
        for (const Run& run : runs) {
            if (!row.everyRun && &run - runs > 2)
                break;
            SCOPED_TRACE(run.what);
            g_zipTestSwitches.noFolderCalls = run.noFolderCalls;
            g_zipTestSwitches.openAnotherLeft = run.openAnotherLeft;
            int failed = -1;
            const fs::path below = rowDir / ("run" + std::to_string(&run - runs));
            std::vector<Report> reports = ExtractBelow(archive, below, run.threads, &failed);
            g_zipTestSwitches = ZipTestSwitches();
            ASSERT_EQ(reports.size(), row.results.size());
            int expectedFailures = 0;
            for (size_t i = 0; i < reports.size(); ++i) {
                EXPECT_EQ(reports[i].result, row.results[i]) << row.names[i];
                expectedFailures += row.results[i] != ZR_OK;
            }
            EXPECT_EQ(failed, expectedFailures);
            std::map<std::string, Item> tree = Snapshot(below);
            if (!row.tree.empty()) {
                std::map<std::string, int> holds;
                for (const auto& item : tree) {
                    auto of = entryOf.find(item.second.content);
                    bool file = !(item.second.attr & FILE_ATTRIBUTE_DIRECTORY);
                    holds[item.first] = file && of != entryOf.end() ? of->second : -1;
                }
                EXPECT_EQ(holds, row.tree);
            }
            if (&run == runs) {
                first = tree;
                firstReports = reports;
                continue;
            }
            EXPECT_TRUE(reports == firstReports);
            EXPECT_EQ(tree.size(), first.size());
            for (const auto& item : first) {
                auto other = tree.find(item.first);
                EXPECT_TRUE(other != tree.end() && other->second == item.second) << item.first;
            }
        }
        SetCurrentDirectoryW(m_base.c_str());
        ClearTree(rowDir);
    }
}
