#include "ZipBuilder.h"

#include <zlib.h>

namespace TestHelpers {

namespace {

const WORD DOS_TIME = (3 << 11) | (4 << 5) | 3;            // 03:04:06
const WORD DOS_DATE = ((2020 - 1980) << 9) | (1 << 5) | 2; // 2020-01-02

void Put16(std::vector<BYTE>& out, DWORD v)
{
    out.push_back(static_cast<BYTE>(v));
    out.push_back(static_cast<BYTE>(v >> 8));
}

void Put32(std::vector<BYTE>& out, DWORD v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

std::vector<BYTE> RawDeflate(const std::vector<BYTE>& data)
{
    z_stream z = {};
    deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::vector<BYTE> out(deflateBound(&z, data.size()) + 16);
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

} // namespace

ZipBuilderEntry& ZipBuilder::Add(const std::string& name, const std::string& data, bool deflate)
{
    ZipBuilderEntry entry;
    entry.name = name;
    entry.data.assign(data.begin(), data.end());
    entry.deflate = deflate;
    m_entries.push_back(entry);
    return m_entries.back();
}

std::vector<BYTE> ZipBuilder::Build() const
{
    std::vector<BYTE> out;
    std::vector<BYTE> central;
    for (const ZipBuilderEntry& e : m_entries) {
        std::vector<BYTE> stored = e.deflate ? RawDeflate(e.data) : e.data;
        DWORD crc = e.overrideCrc ? e.crc : crc32(0, e.data.data(), static_cast<uInt>(e.data.size()));
        DWORD size = e.overrideSize ? e.declaredSize : static_cast<DWORD>(e.data.size());
        DWORD offset = static_cast<DWORD>(out.size());
        WORD method = e.deflate ? 8 : 0;

        Put32(out, 0x04034b50);
        Put16(out, 20);
        Put16(out, 0);
        Put16(out, method);
        Put16(out, DOS_TIME);
        Put16(out, DOS_DATE);
        Put32(out, crc);
        Put32(out, static_cast<DWORD>(stored.size()));
        Put32(out, size);
        Put16(out, static_cast<DWORD>(e.name.size()));
        Put16(out, static_cast<DWORD>(e.localExtra.size()));
        out.insert(out.end(), e.name.begin(), e.name.end());
        out.insert(out.end(), e.localExtra.begin(), e.localExtra.end());
        out.insert(out.end(), stored.begin(), stored.end());

        Put32(central, 0x02014b50);
        Put16(central, e.madeBy);
        Put16(central, 20);
        Put16(central, 0);
        Put16(central, method);
        Put16(central, DOS_TIME);
        Put16(central, DOS_DATE);
        Put32(central, crc);
        Put32(central, static_cast<DWORD>(stored.size()));
        Put32(central, size);
        Put16(central, static_cast<DWORD>(e.name.size()));
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put32(central, e.externalAttributes);
        Put32(central, offset);
        central.insert(central.end(), e.name.begin(), e.name.end());
    }
    DWORD centralOffset = static_cast<DWORD>(out.size());
    out.insert(out.end(), central.begin(), central.end());
    Put32(out, 0x06054b50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, static_cast<DWORD>(m_entries.size()));
    Put16(out, static_cast<DWORD>(m_entries.size()));
    Put32(out, static_cast<DWORD>(central.size()));
    Put32(out, centralOffset);
    Put16(out, 0);
    return out;
}

std::vector<BYTE> ZipBuilder::ExtendedTime(BYTE flags, const std::vector<LONG>& times, int declaredSize)
{
    std::vector<BYTE> out;
    out.push_back('U');
    out.push_back('T');
    Put16(out, declaredSize >= 0 ? static_cast<DWORD>(declaredSize) : static_cast<DWORD>(1 + 4 * times.size()));
    out.push_back(flags);
    for (LONG t : times)
        Put32(out, static_cast<DWORD>(t));
    return out;
}

} // namespace TestHelpers
