#include "model/stream_writer_sst.h"

#include <algorithm>

#include "biff/continued_reader.h"
#include "biff/continued_writer.h"
#include "biff/record_reader.h"
#include "io/byte_writer.h"
#include "xls/error.h"

namespace xls::model {

SstTable readSst(const std::vector<std::span<const std::uint8_t>>& payloads) {
    SstTable table;
    if (payloads.empty()) return table;
    // The records joined, with where each Continue begins: the string codec
    // reads the fresh flags byte that starts a Continue inside character data.
    std::vector<std::uint8_t> joined;
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < payloads.size(); ++i) {
        if (i > 0) starts.push_back(joined.size());
        joined.insert(joined.end(), payloads[i].begin(), payloads[i].end());
    }
    biff::ContinuedReader reader(joined, starts, "SST");
    table.cstTotal = reader.u32();
    table.cstUnique = reader.u32();
    // cstUnique is a hint only; a string takes at least three bytes.
    table.strings.reserve(std::min<std::size_t>(table.cstUnique, joined.size() / 3));
    table.positions.reserve(table.strings.capacity());
    // Never trust cstUnique for the count: it is wrong in real files (too
    // large as often as too small); the bytes decide.
    while (!reader.atEnd()) {
        const std::size_t at = reader.position();
        // The record a string starts in: the last one beginning at or before it
        // (an empty Continue holds no string).
        const auto record = static_cast<std::size_t>(
            std::upper_bound(starts.begin(), starts.end(), at) - starts.begin());
        table.positions.push_back({record, record == 0 ? at : at - starts[record - 1]});
        table.strings.push_back(biff::readString(reader, biff::StringForm::RichExtended));
    }
    return table;
}

SstLayout layoutSst(std::uint32_t cstTotal, const std::vector<SstString>& strings) {
    biff::ContinuedWriter w;
    w.current().u32(cstTotal).u32(static_cast<std::uint32_t>(strings.size()));
    SstLayout layout;
    layout.positions.reserve(strings.size());
    for (const SstString& s : strings) {
        // A string starting right at a record's end starts the next record instead.
        const biff::StringStart at = biff::writeString(w, s, biff::StringForm::RichExtended);
        layout.positions.push_back({at.record, at.offset});
    }
    layout.payloads = w.take();
    return layout;
}

std::uint16_t extSstBucketSize(std::size_t stringCount) {
    return static_cast<std::uint16_t>(std::clamp<std::size_t>(stringCount / 128 + 1, 8, 0xFFFF));
}

std::vector<std::uint8_t> buildExtSst(std::uint16_t dsst, const std::vector<SstPosition>& positions,
                                      const std::vector<std::uint64_t>& recordOffsets) {
    io::ByteWriter out;
    const std::size_t step = dsst == 0 ? 8 : dsst;
    out.u16(static_cast<std::uint16_t>(step));
    for (std::size_t i = 0; i < positions.size(); i += step) {
        const SstPosition& p = positions[i];
        const std::uint64_t ib = recordOffsets.at(p.record) + biff::kRecordHeaderSize + p.offset;
        out.u32(static_cast<std::uint32_t>(ib))
            .u16(static_cast<std::uint16_t>(biff::kRecordHeaderSize + p.offset))
            .u16(0);
    }
    return out.take();
}

}  // namespace xls::model
