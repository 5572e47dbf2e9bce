#include "Utility.h"
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

namespace {
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

struct ComScope
{
    HRESULT hr;
    ComScope() : hr(CoInitialize(NULL)) {}
    ~ComScope()
    {
        if (SUCCEEDED(hr))
            CoUninitialize();
    }
};
} // namespace

namespace Utility {
int UpdateShortcut(const wchar_t* name, const wchar_t* folder, const wchar_t* target, const wchar_t* icon,
                   const wchar_t* workDir, int csidl)
{
    if (!name)
        return -1;
    LPITEMIDLIST idl = NULL;
    if (FAILED(SHGetFolderLocation(NULL, csidl, NULL, 0, &idl)) || !idl)
        return -2;
    wchar_t special[MAX_PATH] = {};
    BOOL gotPath = SHGetPathFromIDListW(idl, special);
    CoTaskMemFree(idl);
    if (!gotPath)
        return -2;

    wchar_t link[MAX_PATH];
    bool fits = folder ? FormatW(link, MAX_PATH, L"%ls\\%ls\\%ls.lnk", special, folder, name)
                       : FormatW(link, MAX_PATH, L"%ls\\%ls.lnk", special, name);
    if (!fits || !FileExists(link))
        return -3; // shortcuts are refreshed, never created

    ComScope com;
    ComPtr<IShellLinkW> shellLink;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&shellLink.p))))
        return 0;
    ComPtr<IPersistFile> file;
    if (FAILED(shellLink.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p))))
        return 0;
    if (FAILED(file.p->Load(link, STGM_READWRITE)))
        return 0;
    shellLink.p->Resolve(NULL, SLR_NO_UI | SLR_UPDATE);
    if (target && *target)
        shellLink.p->SetPath(target);
    if (icon && FileExists(icon)) {
        shellLink.p->SetIconLocation(icon, 0);
    } else {
        wchar_t current[MAX_PATH] = {};
        int index = 0;
        if (SUCCEEDED(shellLink.p->GetIconLocation(current, MAX_PATH, &index)))
            shellLink.p->SetIconLocation(current, index);
    }
    if (workDir && *workDir)
        shellLink.p->SetWorkingDirectory(workDir);
    return SUCCEEDED(file.p->Save(link, TRUE)) ? 1 : 0;
}
} // namespace Utility
