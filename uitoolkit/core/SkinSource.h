// Reading a skin file's bytes from a folder, a ZIP file or a ZIP resource.
#pragma once
#include "core/ResourceSettings.h"
#include "zip/ZipReader.h"

namespace UiToolkit {

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
