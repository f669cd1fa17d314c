#include "model/stream_writer_sst.h"

#include <algorithm>

#include "biff/continued_writer.h"
#include "biff/record_reader.h"
#include "io/byte_writer.h"
#include "model/sst_index.h"
#include "xls/error.h"

namespace xls::model {

SstTable readSst(const std::vector<std::span<const std::uint8_t>>& payloads) {
    return SstIndex(payloads).table();
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
