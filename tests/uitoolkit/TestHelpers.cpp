#include "TestHelpers.h"

#include <Handles.h>
#include <gtest/gtest.h>
#include <shellapi.h>
#include <string.h>

namespace TestHelpers {

GuardedBuffer::GuardedBuffer(const void* data, size_t size) : m_base(NULL), m_data(NULL), m_size(size)
{
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    size_t page = info.dwPageSize;
    size_t dataPages = (size + page - 1) / page;
    if (dataPages == 0)
        dataPages = 1;
    m_base = static_cast<BYTE*>(VirtualAlloc(NULL, (dataPages + 1) * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old;
    VirtualProtect(m_base + dataPages * page, page, PAGE_NOACCESS, &old);
    m_data = m_base + dataPages * page - size;
    if (size > 0)
        memcpy(m_data, data, size);
}

GuardedBuffer::~GuardedBuffer()
{
    VirtualFree(m_base, 0, MEM_RELEASE);
}

namespace {

DWORD WINAPI RunWork(void* param)
{
    (*static_cast<const std::function<void()>*>(param))();
    return 0;
}

} // namespace

void RunWithTimeout(const std::function<void()>& work, DWORD milliseconds)
{
    ScopedHandle thread(CreateThread(NULL, 0, RunWork, const_cast<std::function<void()>*>(&work), 0, NULL));
    ASSERT_TRUE(thread);
    DWORD waited = WaitForSingleObject(thread.Get(), milliseconds);
    thread.Reset();
    if (waited != WAIT_OBJECT_0) {
        fprintf(stderr, "work did not finish within %lu ms\n", milliseconds);
        fflush(stderr);
        TerminateProcess(GetCurrentProcess(), 3);
    }
}

TempFolder::TempFolder()
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    static LONG counter = 0;
    wchar_t name[MAX_PATH];
    _snwprintf(name, MAX_PATH, L"%lsuitk_%lu_%lu_%ld", temp, GetCurrentProcessId(), GetTickCount(),
               InterlockedIncrement(&counter));
    name[MAX_PATH - 1] = L'\0';
    m_path = name;
    CreateDirectoryW(m_path.c_str(), NULL);
}

TempFolder::~TempFolder()
{
    std::wstring from = m_path;
    from.push_back(L'\0');
    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationW(&op);
}

void TempFolder::Write(const std::wstring& name, const std::vector<BYTE>& bytes) const
{
    ScopedHandle file(
        CreateFileW(File(name).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL));
    ASSERT_TRUE(file);
    DWORD written = 0;
    if (!bytes.empty())
        WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, NULL);
    file.Reset();
    ASSERT_EQ(written, bytes.size());
}

std::vector<BYTE> ReadWholeFile(const std::wstring& path)
{
    std::vector<BYTE> bytes;
    ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL));
    if (!file)
        return bytes;
    DWORD size = GetFileSize(file.Get(), NULL);
    bytes.resize(size);
    DWORD read = 0;
    if (size > 0)
        ReadFile(file.Get(), bytes.data(), size, &read, NULL);
    bytes.resize(read);
    return bytes;
}

bool PathExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<BYTE> Bytes(const std::string& text)
{
    return std::vector<BYTE>(text.begin(), text.end());
}

} // namespace TestHelpers
