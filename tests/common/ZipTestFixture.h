// A per-test folder with a base folder made the current directory (the extractor's target) and
// an archive path beside it, so that anything written outside the base shows up.
#pragma once

#include "ZipExtractor.h"
#include "ZipWriter.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

namespace fs = std::filesystem;

class ZipFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string unique = std::string("kz_") + info->name() + "_" + std::to_string(GetCurrentProcessId());
        m_root = fs::path(temp) / unique;
        ClearTree(m_root);
        fs::create_directories(m_root / "base");
        m_base = m_root / "base";
        GetCurrentDirectoryW(MAX_PATH, m_savedDir);
        SetCurrentDirectoryW(m_base.c_str());
    }

    void TearDown() override
    {
        SetCurrentDirectoryW(m_savedDir);
        ClearTree(m_root);
    }

    // One listing and one removal per item: the library's way costs several calls more per item
    // under Wine, which the tests of many files feel.
    static void ClearTree(const fs::path& root) { RemoveTree(root.wstring()); }

    static void RemoveTree(const std::wstring& folder)
    {
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE)
            return;
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring path = folder + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(find, &data));
        FindClose(find);
        RemoveDirectoryW(folder.c_str());
    }

    std::wstring ArchivePath() const { return (m_root / "a.zip").wstring(); }

    ZipHandle* OpenArchive()
    {
        ZipHandle* h = OpenZipArchive(ArchivePath().c_str());
        EXPECT_NE(h, nullptr) << "open result " << std::hex << g_zipLastResult;
        return h;
    }

    // Every file and folder below the test's folder, relative to it, '/' separated.
    std::set<std::string> Tree() const
    {
        std::set<std::string> names;
        for (auto& item : fs::recursive_directory_iterator(m_root))
            names.insert(fs::relative(item.path(), m_root).generic_string());
        return names;
    }

    // Nothing besides the archive and the base folder's content exists.
    void ExpectNothingOutsideBase() const
    {
        for (const std::string& name : Tree())
            EXPECT_TRUE(name == "a.zip" || name == "base" || name.rfind("base/", 0) == 0) << name;
    }

    static std::string ReadAll(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    fs::path m_root;
    fs::path m_base;
    wchar_t m_savedDir[MAX_PATH] = {};
};

inline unsigned long long Ticks(const FILETIME& t)
{
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

inline unsigned long long UnixToTicks(unsigned long seconds)
{
    return 116444736000000000ULL + seconds * 10000000ULL;
}
