#include "core/SkinMarkup.h"
#include "core/SkinSource.h"

#include <Handles.h>

#include <stdlib.h>
#include <string.h>

namespace UiToolkit {

bool CSkinMarkup::LoadFromMemory(const BYTE* bytes, DWORD size, int encoding)
{
    Release();
    if (bytes == NULL && size > 0)
        return FailLoad(L"Could not read file");
    wchar_t* text = NULL;
    if (encoding == XMLFILE_ENCODING_UNICODE) {
        if (size < 2 || !((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF)))
            return FailLoad(L"Could not read file");
        bool bigEndian = bytes[0] == 0xFE;
        DWORD units = (size - 2) / 2;
        text = static_cast<wchar_t*>(malloc((units + 1) * sizeof(wchar_t)));
        if (text == NULL)
            return FailLoad(L"Out of memory");
        memcpy(text, bytes + 2, units * sizeof(wchar_t));
        // Swapped in the private copy; the caller's bytes stay as they were.
        if (bigEndian) {
            for (DWORD i = 0; i < units; ++i)
                text[i] = static_cast<wchar_t>((text[i] >> 8) | (text[i] << 8));
        }
        text[units] = L'\0';
    } else {
        UINT codePage = encoding == XMLFILE_ENCODING_ASNI ? CP_ACP : CP_UTF8;
        if (codePage == CP_UTF8 && size > 2 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
            bytes += 3;
            size -= 3;
        }
        int units = 0;
        if (size > 0) {
            units =
                MultiByteToWideChar(codePage, 0, reinterpret_cast<const char*>(bytes), static_cast<int>(size), NULL, 0);
            if (units <= 0)
                return FailLoad(L"Could not read file");
        }
        text = static_cast<wchar_t*>(malloc((units + 1) * sizeof(wchar_t)));
        if (text == NULL)
            return FailLoad(L"Out of memory");
        if (units > 0)
            MultiByteToWideChar(codePage, 0, reinterpret_cast<const char*>(bytes), static_cast<int>(size), text, units);
        text[units] = L'\0';
    }
    m_pstrXML = text;
    if (!Parse()) {
        Release();
        return false;
    }
    return true;
}

bool CSkinMarkup::LoadFromFile(const wchar_t* name, int encoding)
{
    Release();
    if (name == NULL)
        return FailLoad(L"Error opening file");
    if (!CResourceSettingsUI::GetResourceZipName().IsEmpty())
        return LoadFromZip(name, encoding);

    CStringUI path = CResourceSettingsUI::GetResourceFolder() + name;
    ScopedHandle file(
        CreateFileW(path.Text(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL));
    if (!file)
        return FailLoad(L"Error opening file");
    DWORD high = 0;
    DWORD size = GetFileSize(file.Get(), &high);
    if (size == 0 && high == 0)
        return FailLoad(L"File is empty");
    if (high != 0 || size == INVALID_FILE_SIZE || size > MAX_FILE_SIZE)
        return FailLoad(L"File too large");
    BYTE* bytes = static_cast<BYTE*>(malloc(size));
    if (bytes == NULL)
        return FailLoad(L"File too large");
    DWORD read = 0;
    if (!ReadFile(file.Get(), bytes, size, &read, NULL) || read < size) {
        free(bytes);
        return FailLoad(L"Could not read file");
    }
    bool loaded = LoadFromMemory(bytes, size, encoding);
    free(bytes);
    return loaded;
}

bool CSkinMarkup::LoadFromZip(const wchar_t* name, int encoding)
{
    LoadZip zip;
    if (zip.Get() == NULL)
        return FailLoad(L"Error opening zip file");
    int index = -1;
    ZipReaderEntry entry;
    if (ZipReader::FindEntry(zip.Get(), name, true, &index, &entry) != ZR_OK)
        return FailLoad(L"Could not find ziped file");
    if (entry.uncompressedSize == 0)
        return FailLoad(L"File is empty");
    if (entry.uncompressedSize > MAX_FILE_SIZE)
        return FailLoad(L"File too large");
    BYTE* bytes = NULL;
    int code = ZipReader::ExtractToNewBuffer(zip.Get(), index, entry.uncompressedSize, &bytes);
    if (code != ZR_OK && code != ZR_MORE)
        return FailLoad(L"Could not unzip file");
    bool loaded = LoadFromMemory(bytes, entry.uncompressedSize, encoding);
    free(bytes);
    return loaded;
}

} // namespace UiToolkit
