// Whole-package extraction: the calling thread reads the entries in order, chooses their targets
// and reports their results in order; worker threads, each with its own reader of the archive,
// write them. Per file the time goes into creating, renaming and closing the target, which
// Wine spends mostly in the calling thread, so several threads write faster than one.
#include "ZipPackage.h"
#include "ZipInternal.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <unordered_set>
#include <utility>
#include <vector>

namespace {

const int kMaxThreads = 8;
// Entries finished ahead of the next one to report: a large entry holds back the report, not the
// other threads. Bounds the memory whatever the number of entries.
const int kWindow = 256;
// Jobs queued or running per thread; the calling thread refills the queue once half of them are
// done rather than after each one: under Wine every wake-up of a waiting thread is a round trip
// through its server, which costs as much as a file operation.
const size_t kInFlightPerThread = 4;

// Folders known to exist, by the spelling entries gave: enough for the folders a package writes
// into at once. A folder missing here is only looked up again.
const size_t kKnownFolders = 4096;

// Upper case by the file system's rules; empty when it cannot be worked out.
std::wstring UpperCase(const std::wstring& s)
{
    int len = static_cast<int>(s.size());
    std::wstring upper(s.size(), L'\0');
    if (len == 0 || LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, s.c_str(), len, &upper[0], len) != len)
        return std::wstring();
    return upper;
}

// The full target path in upper case; empty when it cannot be worked out.
std::wstring UpperTarget(const wchar_t* base, const std::wstring& target)
{
    wchar_t safe[ZIP_MAX_PATH];
    wchar_t full[ZIP_MAX_PATH];
    if (!MakeSafeZipName(target.c_str(), safe, ZIP_MAX_PATH) || !ResolveZipTarget(base, safe, full, ZIP_MAX_PATH))
        return std::wstring();
    return UpperCase(full);
}

// What tells entries that write the same file (or a folder and something in it) apart from the
// rest: the upper-case full target. Empty, so that the entry waits for everything before it and
// everything after it waits for it, when the name holds a '~': such a part may be a short name
// of another entry's file or folder, or another entry's partial file, which the path cannot show.
std::wstring TargetKey(const std::wstring& target, const std::wstring& upper)
{
    return target.find(L'~') == std::wstring::npos ? upper : std::wstring();
}

bool Overlap(const std::wstring& a, const std::wstring& b)
{
    if (a.empty() || b.empty())
        return true;
    const std::wstring& shorter = a.size() <= b.size() ? a : b;
    const std::wstring& longer = a.size() <= b.size() ? b : a;
    return longer.compare(0, shorter.size(), shorter) == 0 &&
           (longer.size() == shorter.size() || longer[shorter.size()] == L'\\');
}

// Upper-case suffix of partial files, to find it in upper-case paths.
const wchar_t kUpperPartialSuffix[] = L".~ZX";
const size_t kPartialSuffixLength = sizeof(kUpperPartialSuffix) / sizeof(wchar_t) - 1;

struct Job
{
    ZipEntry entry;
    ZipEntryFacts facts;
    std::wstring target;
    std::wstring key;
};

struct Slot
{
    ZipEntry entry; // as read, for the report
    unsigned int result = ZR_OK;
    bool done = false; // under the run's lock while a worker has the entry
};

class PackageRun
{
public:
    PackageRun(ZipExtractor& first, const ZipTargetFn& target, const ZipReportFn& report)
        : m_first(first), m_target(target), m_report(report)
    {}
    ~PackageRun() { StopWorkers(); }
    PackageRun(const PackageRun&) = delete;
    PackageRun& operator=(const PackageRun&) = delete;

    // The number of entries that failed; *last receives the last entry's result.
    int Run(int threads, unsigned int* last);

private:
    void StartWorkers(int threads);
    void StopWorkers();
    void Work(ZipExtractor* reader);
    void Start(int index);
    void WaitForOverlaps(const std::wstring& key);
    unsigned int MakeFolder(const std::wstring& folder);
    bool IsDone(int index);
    Slot& SlotOf(int index) { return m_slots[static_cast<size_t>(index) % m_slots.size()]; }
    bool OverlapsInFlight(const std::wstring& key) const;
    int PartialSuffixesFor(const std::wstring& upper, int index) const;
    void RememberPartialNames(const std::wstring& upper);

    ZipExtractor& m_first; // reads the entries; only the calling thread touches it
    const ZipTargetFn& m_target;
    const ZipReportFn& m_report;
    std::vector<Slot> m_slots;
    std::vector<std::unique_ptr<ZipExtractor>> m_readers; // one per worker
    std::vector<std::thread> m_workers;
    size_t m_maxInFlight = 0;
    size_t m_refillAt = 0; // the calling thread plans again when this few jobs are left
    // Files and folders of entries planned so far whose names end like partial files: a partial
    // file of that name would be a finished file of this package. Only the calling thread
    // touches it; it holds only such names, so ordinary packages add nothing.
    std::unordered_set<std::wstring> m_partialLike;
    // Folders made or found by the calling thread, as entries spelled them (Windows decides which
    // spellings name one folder). Only the calling thread touches it.
    std::unordered_set<std::wstring> m_knownFolders;

    std::mutex m_lock;
    std::condition_variable m_jobReady; // workers: a job is queued or the run ends
    std::condition_variable m_jobDone;  // the calling thread: a job is finished
    std::deque<Job> m_queue;
    std::vector<std::pair<int, std::wstring>> m_inFlight; // index and key of each queued or running job
    bool m_stopping = false;
    // What the calling thread waits for, so that a worker wakes it only then.
    bool m_waitsForRoom = false;
    bool m_waitsForAny = false;
    int m_waitsForEntry = -1;
};

int PackageRun::Run(int threads, unsigned int* last)
{
    const int count = m_first.EntryCount();
    m_slots.resize(static_cast<size_t>(std::max(1, std::min(count, kWindow))));
    if (threads > 1 && count > 1)
        StartWorkers(std::min(threads, count));
    m_maxInFlight = m_workers.size() * kInFlightPerThread;
    m_refillAt = m_maxInFlight / 2;

    int planned = 0;
    int reported = 0;
    int failed = 0;
    *last = ZR_OK;
    while (reported < count) {
        while (reported < planned && IsDone(reported)) {
            const Slot& s = SlotOf(reported);
            failed += s.result != ZR_OK;
            *last = s.result;
            m_report(reported, s.entry, s.result);
            ++reported;
        }
        if (reported == count)
            break;
        auto room = [&] {
            return planned < count && planned - reported < static_cast<int>(m_slots.size()) &&
                   (m_workers.empty() || m_inFlight.size() < m_maxInFlight);
        };
        std::unique_lock<std::mutex> lock(m_lock);
        if (!room()) {
            if (planned < count && planned - reported < static_cast<int>(m_slots.size())) {
                m_waitsForRoom = true;
                m_jobDone.wait(lock, [&] { return m_inFlight.size() <= m_refillAt; });
                m_waitsForRoom = false;
            } else {
                m_waitsForEntry = reported;
                m_jobDone.wait(lock, [&] { return SlotOf(reported).done; });
                m_waitsForEntry = -1;
            }
            continue;
        }
        lock.unlock();
        Start(planned++);
    }
    StopWorkers();
    return failed;
}

void PackageRun::Start(int index)
{
    Slot& slot = SlotOf(index); // its last entry was reported: no worker has it
    slot.done = false;
    Job job;
    unsigned int r = m_first.ReadEntry(index, &job.entry, &job.facts);
    job.entry.index = index;
    slot.entry = job.entry;
    if (r == ZR_OK && !m_target(job.entry, &job.target))
        r = ZR_BAD_NAME;
    const bool writes = r == ZR_OK && !job.target.empty();
    std::wstring folder;
    if (writes) {
        std::wstring upper = UpperTarget(m_first.BaseFolder(), job.target);
        job.facts.partialSuffixes = PartialSuffixesFor(upper, index);
        RememberPartialNames(upper);
        job.key = TargetKey(job.target, upper);
        r = m_first.FolderToMake(job.entry, job.facts, job.target.c_str(), &folder);
    }
    // Only this thread makes folders, in entry order and after the entries before that write into
    // the same place: the first entry that names a folder gives it its spelling, whatever the
    // number of threads. Workers make none.
    if (writes && r == ZR_OK) {
        WaitForOverlaps(job.key);
        r = MakeFolder(folder);
        job.facts.foldersMade = true;
    }
    const bool handOff = writes && r == ZR_OK && !m_workers.empty() && !job.facts.isDirectory;
    if (writes && r == ZR_OK && !handOff)
        r = m_first.WriteEntry(job.entry, job.facts, job.target.c_str());
    std::unique_lock<std::mutex> lock(m_lock);
    if (!handOff) {
        slot.result = r;
        slot.done = true;
        return;
    }
    m_inFlight.emplace_back(index, job.key);
    m_queue.push_back(std::move(job));
    lock.unlock();
    m_jobReady.notify_one();
}

void PackageRun::WaitForOverlaps(const std::wstring& key)
{
    if (m_workers.empty())
        return;
    std::unique_lock<std::mutex> lock(m_lock);
    m_waitsForAny = true;
    m_jobDone.wait(lock, [&] { return !OverlapsInFlight(key); });
    m_waitsForAny = false;
}

unsigned int PackageRun::MakeFolder(const std::wstring& folder)
{
    if (folder.empty() || m_knownFolders.count(folder))
        return ZR_OK;
    if (!EnsureDirectory(m_first.BaseFolder(), folder.c_str()))
        return ZR_OPEN_FAILED;
    if (m_knownFolders.size() >= kKnownFolders)
        m_knownFolders.clear();
    for (size_t end = folder.size(); end != std::wstring::npos && end > 0; end = folder.rfind(L'/', end - 1))
        m_knownFolders.insert(folder.substr(0, end));
    return ZR_OK;
}

bool PackageRun::IsDone(int index)
{
    std::lock_guard<std::mutex> lock(m_lock);
    return SlotOf(index).done;
}

bool PackageRun::OverlapsInFlight(const std::wstring& key) const
{
    for (const auto& job : m_inFlight)
        if (Overlap(job.second, key))
            return true;
    return false;
}

int PackageRun::PartialSuffixesFor(const std::wstring& upper, int index) const
{
    int suffixes = 1;
    while (!m_partialLike.empty() && m_partialLike.count(UpperCase(ZipPartialPath(upper, index, suffixes))))
        ++suffixes;
    return suffixes;
}

void PackageRun::RememberPartialNames(const std::wstring& upper)
{
    for (size_t at = upper.find(kUpperPartialSuffix); at != std::wstring::npos;
         at = upper.find(kUpperPartialSuffix, at + 1)) {
        size_t end = at + kPartialSuffixLength;
        if (end == upper.size() || upper[end] == L'\\')
            m_partialLike.insert(upper.substr(0, end));
    }
}

void PackageRun::Work(ZipExtractor* reader)
{
    std::unique_lock<std::mutex> lock(m_lock);
    for (;;) {
        m_jobReady.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        if (m_queue.empty())
            return;
        Job job = std::move(m_queue.front());
        m_queue.pop_front();
        lock.unlock();
        unsigned int r = reader->WriteEntry(job.entry, job.facts, job.target.c_str());
        lock.lock();
        Slot& slot = SlotOf(job.entry.index);
        slot.result = r;
        slot.done = true;
        for (auto it = m_inFlight.begin(); it != m_inFlight.end(); ++it) {
            if (it->first == job.entry.index) {
                m_inFlight.erase(it);
                break;
            }
        }
        if (m_waitsForAny || job.entry.index == m_waitsForEntry || (m_waitsForRoom && m_inFlight.size() <= m_refillAt))
            m_jobDone.notify_one();
    }
}

void PackageRun::StartWorkers(int threads)
{
    for (int i = 0; i < threads; ++i) {
        std::unique_ptr<ZipExtractor> reader(new ZipExtractor);
        if (reader->OpenAnother(m_first) != ZR_OK)
            break; // fewer threads, or none: the calling thread writes then
        m_readers.push_back(std::move(reader));
        try {
            m_workers.emplace_back(&PackageRun::Work, this, m_readers.back().get());
        } catch (const std::system_error&) {
            m_readers.pop_back();
            break;
        }
    }
}

void PackageRun::StopWorkers()
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_stopping = true;
    }
    m_jobReady.notify_all();
    for (std::thread& t : m_workers)
        t.join();
    m_workers.clear();
    m_readers.clear();
}

} // namespace

int DefaultZipThreads()
{
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return std::max(1, std::min(static_cast<int>(info.dwNumberOfProcessors), kMaxThreads));
}

int ExtractZipPackage(ZipHandle* handle, const ZipTargetFn& target, const ZipReportFn& report, int threads)
{
    if (!handle || !handle->extractor || !target || !report) {
        g_zipLastResult = ZR_BAD_ARGS;
        return -1;
    }
    if (handle->kind != ZIP_HANDLE_KIND) {
        g_zipLastResult = ZR_WRONG_KIND;
        return -1;
    }
    if (threads <= 0)
        threads = DefaultZipThreads();
    unsigned int last = ZR_OK;
    int failed = PackageRun(*handle->extractor, target, report).Run(std::min(threads, kMaxThreads), &last);
    g_zipLastResult = last;
    return failed;
}
