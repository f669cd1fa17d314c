#include "ops/record_runs.h"

#include <algorithm>

#include "io/byte_reader.h"
#include "xls/error.h"

namespace xls::ops {

using biff::RecordType;

RecordRun runAt(const std::vector<model::Record>& records, std::size_t first) {
    std::size_t end = first + 1;
    while (end < records.size() && records[end].type == RecordType::Continue) ++end;
    return {first, end};
}

std::vector<std::uint8_t> joinedPayload(const std::vector<model::Record>& records, RecordRun run) {
    std::vector<std::uint8_t> joined;
    joinedInto(records, run, joined);
    return joined;
}

void joinedInto(const std::vector<model::Record>& records, RecordRun run,
                std::vector<std::uint8_t>& joined) {
    joined.clear();
    for (std::size_t i = run.first; i < run.end; ++i)
        joined.insert(joined.end(), records[i].payload.begin(), records[i].payload.end());
}

void spreadPayload(std::vector<model::Record>& records, RecordRun run,
                   std::span<const std::uint8_t> joined) {
    std::size_t at = 0;
    for (std::size_t i = run.first; i < run.end; ++i) {
        auto& payload = records[i].payload;
        const std::size_t n = std::min(payload.size(), joined.size() - at);
        std::copy_n(joined.begin() + static_cast<std::ptrdiff_t>(at), n, payload.begin());
        at += n;
    }
}

std::uint16_t readU16(std::span<const std::uint8_t> payload, std::size_t at, const char* record) {
    io::ByteReader r(payload, ErrorCode::CorruptWorkbook, record);
    r.seek(std::min(at, payload.size()));
    return r.u16();
}

std::uint32_t readU32(std::span<const std::uint8_t> payload, std::size_t at, const char* record) {
    io::ByteReader r(payload, ErrorCode::CorruptWorkbook, record);
    r.seek(std::min(at, payload.size()));
    return r.u32();
}

void writeU16(std::span<std::uint8_t> payload, std::size_t at, std::uint16_t value,
              const char* record) {
    if (at > payload.size() || payload.size() - at < 2)
        fail(ErrorCode::CorruptWorkbook, std::string(record) + ": field past the end");
    io::storeU16(payload, at, value);
}

}  // namespace xls::ops
