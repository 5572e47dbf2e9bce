#include "shortcut.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

namespace testkit {

namespace {

// Balances CoInitialize for the calling thread.
struct ComScope
{
    HRESULT hr = CoInitialize(nullptr);
    ~ComScope()
    {
        if (SUCCEEDED(hr))
            CoUninitialize();
    }
};

template <class T>
struct ComPtr
{
    T* p = nullptr;
    ~ComPtr()
    {
        if (p)
            p->Release();
    }
};

} // namespace

bool MakeShortcut(const std::wstring& lnkPath, const std::wstring& target, const std::wstring& args,
                  const std::wstring& workDir)
{
    ComScope com;
    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link.p))))
        return false;
    link.p->SetPath(target.c_str());
    link.p->SetArguments(args.c_str());
    link.p->SetWorkingDirectory(workDir.c_str());
    ComPtr<IPersistFile> file;
    if (FAILED(link.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p))))
        return false;
    return SUCCEEDED(file.p->Save(lnkPath.c_str(), TRUE));
}

bool ReadShortcut(const std::wstring& lnkPath, ShortcutInfo* out)
{
    ComScope com;
    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link.p))))
        return false;
    ComPtr<IPersistFile> file;
    if (FAILED(link.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p))) ||
        FAILED(file.p->Load(lnkPath.c_str(), STGM_READ)))
        return false;
    wchar_t buf[MAX_PATH * 4] = {};
    int index = 0;
    link.p->GetPath(buf, MAX_PATH * 4, nullptr, SLGP_RAWPATH);
    out->target = buf;
    buf[0] = 0;
    link.p->GetArguments(buf, MAX_PATH * 4);
    out->args = buf;
    buf[0] = 0;
    link.p->GetWorkingDirectory(buf, MAX_PATH * 4);
    out->workDir = buf;
    buf[0] = 0;
    link.p->GetIconLocation(buf, MAX_PATH * 4, &index);
    out->iconPath = buf;
    out->iconIndex = index;
    return true;
}

} // namespace testkit
