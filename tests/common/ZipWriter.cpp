#include "ZipWriter.h"

#include <zlib.h>

namespace ziptest {

namespace {

void Put16(std::string& s, uint32_t v)
{
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& s, uint32_t v)
{
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

void Put64(std::string& s, uint64_t v)
{
    Put32(s, static_cast<uint32_t>(v));
    Put32(s, static_cast<uint32_t>(v >> 32));
}

const uint32_t kDeferred = 0xFFFFFFFF; // a size or offset held in the ZIP64 block

// The ZIP64 block of a record that defers both sizes: uncompressed, then compressed.
std::string Zip64Block(const std::vector<uint64_t>& values)
{
    std::string data;
    for (uint64_t v : values)
        Put64(data, v);
    return ExtraBlock(0x0001, static_cast<uint16_t>(data.size()), data);
}

std::string Zip64Sizes(uint64_t size, uint64_t compSize)
{
    return Zip64Block({size, compSize});
}

bool WriteAll(FILE* f, const std::string& s)
{
    return s.empty() || fwrite(s.data(), 1, s.size(), f) == s.size();
}

const size_t kChunk = 1 << 20;

} // namespace

uint16_t DosDate(int year, int month, int day)
{
    return static_cast<uint16_t>(((year - 1980) << 9) | (month << 5) | day);
}

uint16_t DosTime(int hour, int minute, int second)
{
    return static_cast<uint16_t>((hour << 11) | (minute << 5) | (second / 2));
}

std::string UnixTimeBlock(uint8_t flags, const std::vector<uint32_t>& times)
{
    std::string data(1, static_cast<char>(flags));
    for (uint32_t t : times)
        Put32(data, t);
    return ExtraBlock(0x5455, static_cast<uint16_t>(data.size()), data);
}

std::string ExtraBlock(uint16_t id, uint16_t declaredSize, const std::string& data)
{
    std::string s;
    Put16(s, id);
    Put16(s, declaredSize);
    return s + data;
}

std::string PatternBytes(const std::string& pattern, uint64_t offset, size_t len)
{
    std::string s;
    s.reserve(len);
    size_t at = static_cast<size_t>(offset % pattern.size());
    while (s.size() < len) {
        size_t n = std::min(pattern.size() - at, len - s.size());
        s.append(pattern, at, n);
        at = 0;
    }
    return s;
}

ZipWriter::ZipWriter(const std::wstring& path) : m_file(_wfopen(path.c_str(), L"wb")) {}

bool ZipWriter::AddFile(const std::string& name, const std::string& data, bool deflate)
{
    Entry e;
    e.name = name;
    e.data = data;
    e.deflate = deflate;
    return Add(e);
}

bool ZipWriter::AddFolder(const std::string& name)
{
    Entry e;
    e.name = name;
    e.externalAttr = 0x10;
    return Add(e);
}

bool ZipWriter::WriteData(const Entry& entry, Written& out)
{
    uint64_t total = entry.generatedSize ? entry.generatedSize : entry.data.size();
    z_stream zs = {};
    if (entry.deflate && deflateInit2(&zs, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return false;
    std::vector<unsigned char> outBuf(entry.deflate ? kChunk + 1024 : 0); // a megabyte per small entry costs
    uLong crc = crc32(0, nullptr, 0);
    bool ok = true;
    uint64_t done = 0;
    do {
        size_t n = static_cast<size_t>(std::min<uint64_t>(kChunk, total - done));
        std::string chunk = entry.generatedSize ? PatternBytes(entry.pattern, done, n) : entry.data.substr(done, n);
        done += n;
        crc = crc32(crc, reinterpret_cast<const Bytef*>(chunk.data()), static_cast<uInt>(n));
        if (!entry.deflate) {
            ok = WriteAll(m_file.Get(), chunk);
            out.compSize += n;
            continue;
        }
        zs.next_in = reinterpret_cast<Bytef*>(&chunk[0]);
        zs.avail_in = static_cast<uInt>(n);
        int flush = done == total ? Z_FINISH : Z_NO_FLUSH;
        int rc;
        do {
            zs.next_out = outBuf.data();
            zs.avail_out = static_cast<uInt>(outBuf.size());
            rc = deflate(&zs, flush);
            size_t produced = outBuf.size() - zs.avail_out;
            ok = ok && fwrite(outBuf.data(), 1, produced, m_file.Get()) == produced;
            out.compSize += produced;
        } while (ok && (zs.avail_out == 0 || (flush == Z_FINISH && rc != Z_STREAM_END)));
    } while (ok && done < total);
    if (entry.deflate)
        deflateEnd(&zs);
    out.crc = static_cast<uint32_t>(crc);
    out.size = total;
    return ok;
}

bool ZipWriter::Add(const Entry& entry)
{
    if (!m_file)
        return false;
    Written w;
    w.entry = entry;
    w.offset = static_cast<uint64_t>(_ftelli64(m_file.Get()));
    uint16_t method = entry.deflate ? 8 : 0;
    uint16_t localMethod = entry.localMethod >= 0 ? static_cast<uint16_t>(entry.localMethod) : method;

    // The header is written with zero sizes and patched once the data is out.
    std::string header;
    Put32(header, 0x04034b50);
    Put16(header, 20);
    Put16(header, entry.flags);
    Put16(header, localMethod);
    Put16(header, entry.dosTime);
    Put16(header, entry.dosDate);
    Put32(header, 0);
    Put32(header, 0);
    Put32(header, 0);
    std::string localExtra = (entry.zip64 ? Zip64Sizes(0, 0) : std::string()) + entry.localExtra;
    Put16(header, static_cast<uint32_t>(entry.name.size()));
    Put16(header, static_cast<uint32_t>(localExtra.size()));
    header += entry.name;
    header += localExtra;
    if (!WriteAll(m_file.Get(), header) || !WriteData(entry, w))
        return false;
    if (entry.wrongCrc)
        w.crc ^= 0x5A5A5A5A;
    w.size = static_cast<uint64_t>(static_cast<int64_t>(w.size) + entry.declaredSizeDelta);

    int64_t end = _ftelli64(m_file.Get());
    std::string sizes;
    Put32(sizes, w.crc);
    Put32(sizes, entry.zip64 ? kDeferred : static_cast<uint32_t>(w.compSize));
    Put32(sizes, entry.zip64 ? kDeferred : static_cast<uint32_t>(w.size));
    if (_fseeki64(m_file.Get(), static_cast<int64_t>(w.offset) + 14, SEEK_SET) != 0 || !WriteAll(m_file.Get(), sizes))
        return false;
    if (entry.zip64 &&
        (_fseeki64(m_file.Get(), static_cast<int64_t>(w.offset + 30 + entry.name.size()), SEEK_SET) != 0 ||
         !WriteAll(m_file.Get(), Zip64Sizes(w.size, w.compSize))))
        return false;
    if (_fseeki64(m_file.Get(), end, SEEK_SET) != 0)
        return false;
    m_entries.push_back(w);
    return true;
}

bool ZipWriter::Close(int declaredEntries, long keepCentralBytes)
{
    if (!m_file)
        return false;
    int64_t start = _ftelli64(m_file.Get());
    std::string central;
    for (const Written& w : m_entries) {
        const Entry& e = w.entry;
        Put32(central, 0x02014b50);
        Put16(central, e.madeBy);
        Put16(central, 20);
        Put16(central, e.flags);
        Put16(central, e.deflate ? 8 : 0);
        Put16(central, e.dosTime);
        Put16(central, e.dosDate);
        Put32(central, w.crc);
        Put32(central, e.zip64 ? kDeferred : static_cast<uint32_t>(w.compSize));
        Put32(central, e.zip64 ? kDeferred : static_cast<uint32_t>(w.size));
        std::vector<uint64_t> deferred = {w.size, w.compSize};
        if (e.zip64Offset)
            deferred.push_back(w.offset);
        if (e.zip64CentralValues >= 0)
            deferred.resize(static_cast<size_t>(e.zip64CentralValues));
        std::string extra = (e.zip64 ? Zip64Block(deferred) : std::string()) + e.centralExtra;
        Put16(central, static_cast<uint32_t>(e.name.size()));
        Put16(central, e.centralExtraLength >= 0 ? static_cast<uint32_t>(e.centralExtraLength)
                                                 : static_cast<uint32_t>(extra.size()));
        Put16(central, 0); // comment
        Put16(central, 0); // disk
        Put16(central, 0); // internal attributes
        Put32(central, e.externalAttr);
        Put32(central, e.zip64 && e.zip64Offset ? kDeferred : static_cast<uint32_t>(w.offset));
        central += e.name;
        central += extra;
    }
    central += m_stray;
    bool ok;
    if (keepCentralBytes >= 0) {
        ok = WriteAll(m_file.Get(), central.substr(0, static_cast<size_t>(keepCentralBytes)));
    } else {
        uint32_t count =
            declaredEntries >= 0 ? static_cast<uint32_t>(declaredEntries) : static_cast<uint32_t>(m_entries.size());
        std::string end;
        if (m_zip64End) {
            const uint64_t at = static_cast<uint64_t>(start) + central.size();
            Put32(end, 0x06064b50);
            Put64(end, 44); // the record's size after this field
            Put16(end, 45);
            Put16(end, 45);
            Put32(end, 0);
            Put32(end, 0);
            Put64(end, count);
            Put64(end, count);
            Put64(end, central.size());
            Put64(end, static_cast<uint64_t>(start));
            Put32(end, 0x07064b50); // the locator
            Put32(end, 0);
            Put64(end, at);
            Put32(end, 1);
        }
        Put32(end, 0x06054b50);
        Put16(end, 0);
        Put16(end, 0);
        Put16(end, m_zip64End ? 0xFFFF : count);
        Put16(end, m_zip64End ? 0xFFFF : count);
        Put32(end, m_zip64End ? kDeferred : static_cast<uint32_t>(central.size()));
        Put32(end, m_zip64End ? kDeferred : static_cast<uint32_t>(start));
        Put16(end, 0);
        ok = WriteAll(m_file.Get(), central) && WriteAll(m_file.Get(), end);
    }
    ok = fclose(m_file.Release()) == 0 && ok;
    return ok;
}

bool WriteRunawayExtraPackage(const std::wstring& path)
{
    ZipWriter w(path);
    Entry e;
    e.name = "a.txt";
    e.data = "hello";
    e.centralExtraLength = 0xFFFF;
    return w.Add(e) && w.Close(65535);
}

bool WriteOverclaimingPackage(const std::wstring& path, int goodEntries)
{
    ZipWriter w(path);
    for (int i = 0; i < goodEntries; ++i) {
        char name[32];
        snprintf(name, sizeof name, "files/f%04d.txt", i);
        if (!w.AddFile(name, std::string(20, static_cast<char>('a' + i % 26))))
            return false;
    }
    return w.Close(65535);
}

} // namespace ziptest
