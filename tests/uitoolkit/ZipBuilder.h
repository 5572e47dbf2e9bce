#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace TestHelpers {

// Writes small ZIP archives, well-formed or deliberately broken.
struct ZipBuilderEntry
{
    std::string name;
    std::vector<BYTE> data;
    bool deflate = false;
    DWORD externalAttributes = 0x81A40020; // a Unix file with owner write permission
    WORD madeBy = 0x031E;
    std::vector<BYTE> localExtra;
    bool overrideCrc = false;
    DWORD crc = 0;
    bool overrideSize = false;
    DWORD declaredSize = 0;
};

class ZipBuilder
{
public:
    ZipBuilderEntry& Add(const std::string& name, const std::string& data, bool deflate = false);
    std::vector<BYTE> Build() const;

    static std::vector<BYTE> ExtendedTime(BYTE flags, const std::vector<LONG>& times, int declaredSize = -1);

private:
    std::vector<ZipBuilderEntry> m_entries;
};

} // namespace TestHelpers
