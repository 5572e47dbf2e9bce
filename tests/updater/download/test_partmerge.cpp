// The part merger on its own: what it copies and digests when a part file holds less than it was told.
#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "DownloadTestKit.h"
#include "download/PartMerge.h"

using namespace updtest;

namespace {

bool AppendBytes(const std::wstring& path, const std::string& bytes)
{
    ScopedHandle file(::CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                                    nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

} // namespace

TEST(PartMerger, ReadThatFailsEndsTheMergeForGood)
{
    TempDir dir{L"merge"};
    const std::wstring part = dir / L"update.td0";
    const std::string bytes = PatternBytes(5, 5000);
    ASSERT_TRUE(WriteBytes(part, bytes.substr(0, 3000)));
    CPartMerger merger;
    ASSERT_TRUE(merger.Create(Narrow(dir / L"update.td")));

    // Told 5000 bytes are on disk, the file holds 3000: the read after them fails.
    std::future<bool> copy = std::async(std::launch::async, [&] { return merger.CopyUpTo(Narrow(part), 5000); });
    const bool ended = copy.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    // The rest arrives late (and lets a merger that reads on end).
    ASSERT_TRUE(AppendBytes(part, bytes.substr(3000)));
    EXPECT_TRUE(ended) << "the merge went on after the failed read";
    EXPECT_FALSE(copy.get());
    EXPECT_TRUE(merger.Failed());
    EXPECT_EQ(merger.Copied(), 3000u);

    // Nothing more is copied once a read has failed, though the bytes are there now.
    EXPECT_FALSE(merger.CopyUpTo(Narrow(part), 5000));
    EXPECT_EQ(merger.Copied(), 3000u);
    EXPECT_TRUE(merger.Close());
    EXPECT_EQ(ReadBytes(dir / L"update.td"), bytes.substr(0, 3000));
    char digest[33];
    merger.DigestText(digest);
    EXPECT_EQ(std::string(digest), Md5Of(bytes.substr(0, 3000)));
}
