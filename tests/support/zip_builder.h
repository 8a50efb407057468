// Builds ZIP archives byte by byte for tests, with knobs to corrupt any header field.
//
//   ZipBuilder zip;
//   zip.AddStored("dir/a.txt", "hello").externalAttributes = 0x20;
//   auto& e = zip.AddDeflated("b.bin", data);
//   e.localNameLength = 7;              // make the local header disagree
//   zip.AddDirectory("dir/");
//   zip.prefix = "MZ stub";             // bytes in front of the archive
//   zip.comment = "archive comment";
//   zip.WriteFile(path);                // or std::string bytes = zip.Build();
//
// Every override left empty gets the consistent value. Entries live in a deque, so
// the reference an Add* call returns stays valid while more entries are added.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <deque>
#include <optional>
#include <stdexcept>
#include <string>

namespace zipbuild {

inline uint16_t DosDate(int year, int month, int day) {
    return static_cast<uint16_t>(((year - 1980) << 9) | (month << 5) | day);
}
inline uint16_t DosTime(int hour, int minute, int second) {
    return static_cast<uint16_t>((hour << 11) | (minute << 5) | (second / 2));
}

inline uint32_t Crc32(const std::string& data) {
    return static_cast<uint32_t>(
        crc32(0L, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

// Raw deflate (no zlib header), as ZIP method 8 stores it.
inline std::string RawDeflate(const std::string& data, int level = 6) {
    z_stream s{};
    if (deflateInit2(&s, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    std::string out(deflateBound(&s, static_cast<uLong>(data.size())) + 16, '\0');
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    s.avail_in = static_cast<uInt>(data.size());
    s.next_out = reinterpret_cast<Bytef*>(&out[0]);
    s.avail_out = static_cast<uInt>(out.size());
    const int rc = deflate(&s, Z_FINISH);
    out.resize(s.total_out);
    deflateEnd(&s);
    if (rc != Z_STREAM_END) throw std::runtime_error("deflate");
    return out;
}

struct Entry {
    std::string name;
    std::string data;        // uncompressed content
    std::string compressed;  // what goes into the archive; set by Add*, may be replaced
    uint16_t method = 0;
    uint16_t flags = 0;
    uint16_t versionMadeBy = 20;
    uint16_t versionNeeded = 20;
    uint16_t dosTime = DosTime(12, 0, 0);
    uint16_t dosDate = DosDate(2001, 2, 3);
    uint16_t internalAttributes = 0;
    uint32_t externalAttributes = 0x20;  // FILE_ATTRIBUTE_ARCHIVE
    std::string extra;                   // central extra field
    std::string localExtra;              // local extra field
    std::string entryComment;            // central file comment

    // Central header overrides.
    std::optional<uint32_t> crc, compressedSize, uncompressedSize, localHeaderOffset;
    std::optional<uint16_t> diskStart;
    std::optional<uint32_t> centralSignature;
    // Local header overrides.
    std::optional<uint32_t> localSignature, localCrc, localCompressedSize, localUncompressedSize;
    std::optional<uint16_t> localMethod, localFlags, localNameLength;
    // Bit 3 with zeros for CRC and sizes in the local header and a data descriptor
    // (with signature) after the data.
    bool dataDescriptor = false;

    uint32_t Crc() const { return crc.value_or(Crc32(data)); }
    uint32_t CompressedSize() const {
        return compressedSize.value_or(static_cast<uint32_t>(compressed.size()));
    }
    uint32_t UncompressedSize() const {
        return uncompressedSize.value_or(static_cast<uint32_t>(data.size()));
    }
};

class ZipBuilder {
  public:
    std::string prefix;   // bytes in front of the archive proper
    std::string comment;  // archive comment
    // End record overrides.
    std::optional<uint16_t> diskNumber, centralDisk, entriesOnDisk, totalEntries, commentLength;
    std::optional<uint32_t> centralSize, centralOffset;
    // Bytes after the end record and its comment (not counted as comment).
    std::string trailer;

    Entry& AddStored(const std::string& name, const std::string& data) {
        Entry& e = entries_.emplace_back();
        e.name = name;
        e.data = data;
        e.compressed = data;
        e.method = 0;
        return e;
    }
    Entry& AddDeflated(const std::string& name, const std::string& data, int level = 6) {
        Entry& e = entries_.emplace_back();
        e.name = name;
        e.data = data;
        e.compressed = RawDeflate(data, level);
        e.method = 8;
        return e;
    }
    // Any method number; the bytes go into the archive unchanged.
    Entry& AddRaw(const std::string& name, uint16_t method, const std::string& compressed,
                  const std::string& data) {
        Entry& e = entries_.emplace_back();
        e.name = name;
        e.data = data;
        e.compressed = compressed;
        e.method = method;
        return e;
    }
    // A directory entry; name should end in '/'.
    Entry& AddDirectory(const std::string& name) {
        Entry& e = AddStored(name, "");
        e.externalAttributes = 0x10;  // FILE_ATTRIBUTE_DIRECTORY
        return e;
    }

    std::deque<Entry>& entries() { return entries_; }

    std::string Build() const {
        std::string out = prefix;
        const size_t base = out.size();
        std::deque<uint32_t> offsets;
        for (const Entry& e : entries_) {
            offsets.push_back(static_cast<uint32_t>(out.size() - base));
            const bool dd = e.dataDescriptor;
            Put32(out, e.localSignature.value_or(0x04034B50));
            Put16(out, e.versionNeeded);
            Put16(out, e.localFlags.value_or(static_cast<uint16_t>(e.flags | (dd ? 8 : 0))));
            Put16(out, e.localMethod.value_or(e.method));
            Put16(out, e.dosTime);
            Put16(out, e.dosDate);
            Put32(out, e.localCrc.value_or(dd ? 0 : e.Crc()));
            Put32(out, e.localCompressedSize.value_or(dd ? 0 : e.CompressedSize()));
            Put32(out, e.localUncompressedSize.value_or(dd ? 0 : e.UncompressedSize()));
            Put16(out, e.localNameLength.value_or(static_cast<uint16_t>(e.name.size())));
            Put16(out, static_cast<uint16_t>(e.localExtra.size()));
            out += e.name;
            out += e.localExtra;
            out += e.compressed;
            if (dd) {
                Put32(out, 0x08074B50);
                Put32(out, e.Crc());
                Put32(out, e.CompressedSize());
                Put32(out, e.UncompressedSize());
            }
        }
        const uint32_t cdOffset = static_cast<uint32_t>(out.size() - base);
        size_t i = 0;
        for (const Entry& e : entries_) {
            Put32(out, e.centralSignature.value_or(0x02014B50));
            Put16(out, e.versionMadeBy);
            Put16(out, e.versionNeeded);
            Put16(out, static_cast<uint16_t>(e.flags | (e.dataDescriptor ? 8 : 0)));
            Put16(out, e.method);
            Put16(out, e.dosTime);
            Put16(out, e.dosDate);
            Put32(out, e.Crc());
            Put32(out, e.CompressedSize());
            Put32(out, e.UncompressedSize());
            Put16(out, static_cast<uint16_t>(e.name.size()));
            Put16(out, static_cast<uint16_t>(e.extra.size()));
            Put16(out, static_cast<uint16_t>(e.entryComment.size()));
            Put16(out, e.diskStart.value_or(0));
            Put16(out, e.internalAttributes);
            Put32(out, e.externalAttributes);
            Put32(out, e.localHeaderOffset.value_or(offsets[i++]));
            out += e.name;
            out += e.extra;
            out += e.entryComment;
        }
        const uint32_t cdSize = static_cast<uint32_t>(out.size() - base) - cdOffset;
        const uint16_t count = static_cast<uint16_t>(entries_.size());
        Put32(out, 0x06054B50);
        Put16(out, diskNumber.value_or(0));
        Put16(out, centralDisk.value_or(0));
        Put16(out, entriesOnDisk.value_or(count));
        Put16(out, totalEntries.value_or(count));
        Put32(out, centralSize.value_or(cdSize));
        Put32(out, centralOffset.value_or(cdOffset));
        Put16(out, commentLength.value_or(static_cast<uint16_t>(comment.size())));
        out += comment;
        out += trailer;
        return out;
    }

    // Writes the archive to path; throws std::runtime_error on failure.
    void WriteFile(const std::string& path) const { WriteBytes(path, Build()); }

    static void WriteBytes(const std::string& path, const std::string& bytes) {
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) throw std::runtime_error("cannot create " + path);
        const size_t n = bytes.empty() ? 0 : std::fwrite(bytes.data(), 1, bytes.size(), f);
        const bool ok = std::fclose(f) == 0 && n == bytes.size();
        if (!ok) throw std::runtime_error("cannot write " + path);
    }

    // Little-endian fields inside a built archive, for tests that forge one.
    static uint32_t Get32(const std::string& in, size_t at) {
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(in[at + i]);
        return v;
    }
    static void Set16(std::string& out, size_t at, uint16_t v) {
        out[at] = static_cast<char>(v & 0xFF);
        out[at + 1] = static_cast<char>(v >> 8);
    }
    static void Set32(std::string& out, size_t at, uint32_t v) {
        Set16(out, at, static_cast<uint16_t>(v & 0xFFFF));
        Set16(out, at + 2, static_cast<uint16_t>(v >> 16));
    }
    static void Put16(std::string& out, uint16_t v) {
        out += static_cast<char>(v & 0xFF);
        out += static_cast<char>(v >> 8);
    }
    static void Put32(std::string& out, uint32_t v) {
        Put16(out, static_cast<uint16_t>(v & 0xFFFF));
        Put16(out, static_cast<uint16_t>(v >> 16));
    }

  private:
    std::deque<Entry> entries_;
};

}  // namespace zipbuild
