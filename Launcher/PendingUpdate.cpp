#include "ConfigWrapper.h"
#include <easylogging++.h>

using Utility::ToUtf8;

void CConfigWrapper::DeleteUpdateFile(const wchar_t* folder)
{
    if (!Utility::DirExists(folder))
    {
        LOG(INFO) << "ProcessUpdateFile but not found the path: [" << ToUtf8(folder) << "]";
        return;
    }
    static const wchar_t* const names[] = {L"update.zip", L"update.td", L"update.td0",
                                           L"update.td1", L"update.td2", L"update.td3"};
    for (const wchar_t* name : names)
    {
        wchar_t path[MAX_PATH];
        if (Utility::FormatW(path, MAX_PATH, L"%ls%ls", folder, name))
            DeleteFileW(path);
    }
}

void CConfigWrapper::ProcessUpdateFile(const wchar_t* procPath, const wchar_t* productName)
{
    // PENDING-UPDATE: installing temp\update.zip through the ZIP extraction layer goes here.
    (void)productName;
    if (!Utility::DirExists(procPath))
        LOG(INFO) << "ProcessUpdateFile but not found the path: [" << ToUtf8(procPath) << "]";
}
