// Reading a skin file's bytes from a folder, a ZIP file or a ZIP resource.
#pragma once
#include "core/ResourceSettings.h"
#include "zip/ZipReader.h"

namespace UiToolkit {

class FileHandle
{
public:
    explicit FileHandle(HANDLE h) : m_h(h) {}
    ~FileHandle()
    {
        if (m_h != INVALID_HANDLE_VALUE)
            CloseHandle(m_h);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE Get() const { return m_h; }
    bool IsValid() const { return m_h != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_h;
};

// Closes a ZIP that was opened for one load only.
class LoadZip
{
public:
    LoadZip() : m_zip(CResourceSettingsUI::OpenZipForLoad(&m_owned)) {}
    ~LoadZip()
    {
        if (m_owned)
            ZipReader::Close(m_zip);
    }
    LoadZip(const LoadZip&) = delete;
    LoadZip& operator=(const LoadZip&) = delete;
    ZipReaderHandle* Get() const { return m_zip; }

private:
    bool m_owned;
    ZipReaderHandle* m_zip;
};

} // namespace UiToolkit
