#include "biff/record_writer.h"

#include <algorithm>
#include <limits>

#include "biff/record_reader.h"
#include "io/byte_reader.h"
#include "xls/error.h"

namespace xls::biff {

void writeRecord(std::vector<std::uint8_t>& out, RecordType type,
                 std::span<const std::uint8_t> payload) {
    if (payload.size() > std::numeric_limits<std::uint16_t>::max())
        fail(ErrorCode::UnsupportedOperation,
             "record " + describeRecordType(toU16(type)) + " too long");
    std::uint8_t header[kRecordHeaderSize];
    io::storeU16(header, 0, toU16(type));
    io::storeU16(header, 2, static_cast<std::uint16_t>(payload.size()));
    out.insert(out.end(), std::begin(header), std::end(header));
    out.insert(out.end(), payload.begin(), payload.end());
}

void writeRecordContinued(std::vector<std::uint8_t>& out, RecordType type,
                          std::span<const std::uint8_t> payload) {
    std::size_t at = std::min(payload.size(), kMaxRecordPayload);
    writeRecord(out, type, payload.first(at));
    while (at < payload.size()) {
        const std::size_t part = std::min(payload.size() - at, kMaxRecordPayload);
        writeRecord(out, RecordType::Continue, payload.subspan(at, part));
        at += part;
    }
}

}  // namespace xls::biff
