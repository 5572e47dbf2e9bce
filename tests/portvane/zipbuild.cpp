#include "zipbuild.h"

#include <zlib.h>

namespace {

void Put16(std::string& out, unsigned v)
{
    out += static_cast<char>(v & 0xff);
    out += static_cast<char>((v >> 8) & 0xff);
}

void Put32(std::string& out, unsigned long v)
{
    Put16(out, v & 0xffff);
    Put16(out, (v >> 16) & 0xffff);
}

} // namespace

std::string BuildZip(const std::vector<ZipItem>& items)
{
    std::string zip, directory;
    const unsigned dosTime = (12 << 11), dosDate = ((2024 - 1980) << 9) | (3 << 5) | 15;
    for (const ZipItem& item : items) {
        unsigned long crc =
            crc32(0L, reinterpret_cast<const Bytef*>(item.data.data()), static_cast<uInt>(item.data.size()));
        if (item.badCrc)
            crc ^= 0x5a5a5a5a;
        unsigned long offset = static_cast<unsigned long>(zip.size());
        Put32(zip, 0x04034b50);
        Put16(zip, 10);
        Put16(zip, 0);
        Put16(zip, 0); // stored
        Put16(zip, dosTime);
        Put16(zip, dosDate);
        Put32(zip, crc);
        Put32(zip, static_cast<unsigned long>(item.data.size()));
        Put32(zip, static_cast<unsigned long>(item.data.size()));
        Put16(zip, static_cast<unsigned>(item.name.size()));
        Put16(zip, 0);
        zip += item.name;
        zip += item.data;

        Put32(directory, 0x02014b50);
        Put16(directory, 20);
        Put16(directory, 10);
        Put16(directory, 0);
        Put16(directory, 0);
        Put16(directory, dosTime);
        Put16(directory, dosDate);
        Put32(directory, crc);
        Put32(directory, static_cast<unsigned long>(item.data.size()));
        Put32(directory, static_cast<unsigned long>(item.data.size()));
        Put16(directory, static_cast<unsigned>(item.name.size()));
        Put16(directory, 0);
        Put16(directory, 0);
        Put16(directory, 0);
        Put16(directory, 0);
        Put32(directory, item.name.empty() || item.name.back() != '/' ? 0x20 : 0x10);
        Put32(directory, offset);
        directory += item.name;
    }
    unsigned long dirOffset = static_cast<unsigned long>(zip.size());
    zip += directory;
    Put32(zip, 0x06054b50);
    Put16(zip, 0);
    Put16(zip, 0);
    Put16(zip, static_cast<unsigned>(items.size()));
    Put16(zip, static_cast<unsigned>(items.size()));
    Put32(zip, static_cast<unsigned long>(directory.size()));
    Put32(zip, dirOffset);
    Put16(zip, 0);
    return zip;
}
