#include "core/ResourceSettings.h"

#include <stdlib.h>
#include <string.h>

namespace UiToolkit {

namespace {

const wchar_t MEMORY_ZIP_NAME[] = L"membuffer";

struct Settings
{
    HINSTANCE instance = NULL;
    CStringUI folder;
    CStringUI zipName;
    bool keepOpen = true;
    ZipReaderHandle* keptZip = NULL;
    // The in-memory archive's own copy, alive as long as the name stays "membuffer".
    BYTE* zipCopy = NULL;
    DWORD zipCopyLength = 0;
};

Settings& TheSettings()
{
    static Settings* settings = new Settings();
    return *settings;
}

} // namespace

void CResourceSettingsUI::SetModuleInstance(HINSTANCE instance)
{
    TheSettings().instance = instance;
}

HINSTANCE CResourceSettingsUI::GetModuleInstance()
{
    return TheSettings().instance;
}

CStringUI CResourceSettingsUI::GetModuleFolder()
{
    if (TheSettings().instance == NULL)
        return CStringUI();
    wchar_t path[MAX_PATH + 1] = {0};
    DWORD n = GetModuleFileNameW(TheSettings().instance, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return CStringUI();
    CStringUI result(path);
    int cut = result.FindLast(L'\\');
    return result.Head(cut + 1);
}

void CResourceSettingsUI::SetResourceFolder(const wchar_t* path)
{
    CStringUI& folder = TheSettings().folder;
    folder = path;
    int length = folder.Length();
    if (length > 0) {
        wchar_t last = folder.CharAt(length - 1);
        if (last != L'\\' && last != L'/')
            folder += L'\\';
    }
}

const CStringUI& CResourceSettingsUI::GetResourceFolder()
{
    return TheSettings().folder;
}

void CResourceSettingsUI::CloseKeptZip()
{
    Settings& s = TheSettings();
    if (s.keptZip != NULL) {
        ZipReader::Close(s.keptZip);
        s.keptZip = NULL;
    }
}

void CResourceSettingsUI::SetResourceZipFile(const wchar_t* name, bool keepOpen)
{
    Settings& s = TheSettings();
    if (s.zipName.Equals(name) && s.keepOpen == keepOpen)
        return;
    if (s.keepOpen)
        CloseKeptZip();
    s.zipName = name;
    s.keepOpen = keepOpen;
    if (keepOpen) {
        CStringUI path = s.folder + s.zipName;
        s.keptZip = ZipReader::Open(path.Text(), 0, ZIP_FILENAME);
    }
}

void CResourceSettingsUI::SetResourceZipMemory(const void* buffer, DWORD length)
{
    Settings& s = TheSettings();
    if (s.zipName.Equals(MEMORY_ZIP_NAME))
        return;
    if (s.keepOpen)
        CloseKeptZip();
    s.zipName = MEMORY_ZIP_NAME;
    // No reader uses an earlier copy any more: the kept one was closed above.
    free(s.zipCopy);
    s.zipCopy = NULL;
    s.zipCopyLength = 0;
    if (buffer != NULL && length > 0) {
        s.zipCopy = static_cast<BYTE*>(malloc(length));
        if (s.zipCopy != NULL) {
            memcpy(s.zipCopy, buffer, length);
            s.zipCopyLength = length;
        }
    }
    if (s.keepOpen && s.zipCopy != NULL)
        s.keptZip = ZipReader::Open(s.zipCopy, s.zipCopyLength, ZIP_MEMORY);
}

const CStringUI& CResourceSettingsUI::GetResourceZipName()
{
    return TheSettings().zipName;
}

bool CResourceSettingsUI::IsKeepZipOpen()
{
    return TheSettings().keepOpen;
}

ZipReaderHandle* CResourceSettingsUI::GetKeptZip()
{
    return TheSettings().keptZip;
}

ZipReaderHandle* CResourceSettingsUI::OpenZipForLoad(bool* openedHere)
{
    Settings& s = TheSettings();
    *openedHere = false;
    if (s.keepOpen)
        return s.keptZip;
    CStringUI path = s.folder + s.zipName;
    ZipReaderHandle* zip = ZipReader::Open(path.Text(), 0, ZIP_FILENAME);
    *openedHere = zip != NULL;
    return zip;
}

} // namespace UiToolkit
