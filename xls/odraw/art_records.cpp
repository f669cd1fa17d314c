#include "odraw/art_records.h"

#include <string>

#include "io/byte_reader.h"
#include "io/byte_writer.h"
#include "xls/error.h"

namespace xls::odraw {

namespace {

void walkRange(std::span<const std::uint8_t> bytes, std::size_t from, std::size_t to,
               std::vector<ArtRecord>& out, int depth, bool into = true) {
    if (depth > 64) fail(ErrorCode::CorruptWorkbook, "drawing containers nested too deep");
    std::size_t at = from;
    while (at < to) {
        const ArtRecord record{readHeader(bytes, at), at};
        // A sheet's drawing container may count bytes that travel in other
        // records (the application's own files do): its children end where
        // the bytes do. Any other record must fit.
        const bool cut = record.end() > to;
        if (cut && !(into && record.isContainer()))
            fail(ErrorCode::CorruptWorkbook,
                 "a drawing record at byte " + std::to_string(at) + " runs past its container");
        out.push_back(record);
        const std::size_t end = cut ? to : record.end();
        if (into && record.isContainer()) walkRange(bytes, record.body(), end, out, depth + 1);
        at = end;
    }
}

}  // namespace

ArtHeader readHeader(std::span<const std::uint8_t> bytes, std::size_t offset) {
    if (offset > bytes.size() || bytes.size() - offset < kHeaderSize)
        fail(ErrorCode::CorruptWorkbook,
             "a drawing record header at byte " + std::to_string(offset) + " is cut short");
    io::ByteReader r(bytes.subspan(offset, kHeaderSize));
    const std::uint16_t versionAndInstance = r.u16();
    ArtHeader header;
    header.version = versionAndInstance & 0x000F;
    header.instance = static_cast<std::uint16_t>(versionAndInstance >> 4);
    header.type = r.u16();
    header.length = r.u32();
    return header;
}

void appendHeader(std::vector<std::uint8_t>& out, const ArtHeader& header) {
    io::ByteWriter w(std::move(out));
    w.u16(static_cast<std::uint16_t>((header.instance << 4) | (header.version & 0x000F)));
    w.u16(header.type);
    w.u32(header.length);
    out = w.take();
}

std::vector<ArtRecord> walkArt(std::span<const std::uint8_t> bytes) {
    std::vector<ArtRecord> records;
    walkRange(bytes, 0, bytes.size(), records, 0);
    return records;
}

}  // namespace xls::odraw

namespace xls::odraw {

std::vector<ArtRecord> topLevelArt(std::span<const std::uint8_t> bytes) {
    std::vector<ArtRecord> records;
    walkRange(bytes, 0, bytes.size(), records, 0, false);
    return records;
}

}  // namespace xls::odraw
