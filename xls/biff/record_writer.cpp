#include "biff/record_writer.h"

#include <algorithm>
#include <limits>

#include "biff/record_reader.h"
#include "xls/error.h"

namespace xls::biff {

void writeRecord(std::vector<std::uint8_t>& out, RecordType type,
                 std::span<const std::uint8_t> payload) {
    if (payload.size() > std::numeric_limits<std::uint16_t>::max())
        fail(ErrorCode::UnsupportedOperation,
             "record " + describeRecordType(toU16(type)) + " too long");
    const std::uint16_t id = toU16(type);
    const auto size = static_cast<std::uint16_t>(payload.size());
    const std::uint8_t header[4] = {
        static_cast<std::uint8_t>(id & 0xFF), static_cast<std::uint8_t>(id >> 8),
        static_cast<std::uint8_t>(size & 0xFF), static_cast<std::uint8_t>(size >> 8)};
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
