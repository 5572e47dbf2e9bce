// Where skins come from: module instance, resource folder and resource ZIP.
#pragma once
#include "base/UIString.h"
#include "zip/ZipReader.h"

namespace UiToolkit {

// Process-wide skin source settings: module, resource folder and resource ZIP. UI thread only.
class CResourceSettingsUI
{
public:
    static void SetModuleInstance(HINSTANCE instance);
    static HINSTANCE GetModuleInstance();
    static CStringUI GetModuleFolder();
    static void SetResourceFolder(const wchar_t* path);
    static const CStringUI& GetResourceFolder();
    static void SetResourceZipFile(const wchar_t* name, bool keepOpen = true);
    static void SetResourceZipMemory(const void* buffer, DWORD length);
    static const CStringUI& GetResourceZipName();
    static bool IsKeepZipOpen();
    static ZipReaderHandle* GetKeptZip();
    // Opens the resource ZIP for one load when none is kept; the caller closes what it got.
    static ZipReaderHandle* OpenZipForLoad(bool* openedHere);

private:
    static void CloseKeptZip();
};

} // namespace UiToolkit
