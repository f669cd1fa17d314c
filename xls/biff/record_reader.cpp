#include "biff/record_reader.h"

#include <array>
#include <string>

#include "xls/error.h"

namespace xls::biff {

namespace {

RecordHeader decodeHeader(std::uint64_t offset, std::span<const std::uint8_t, 4> raw) {
    RecordHeader header;
    header.offset = offset;
    header.type = static_cast<RecordType>(raw[0] | (raw[1] << 8));
    header.size = static_cast<std::uint16_t>(raw[2] | (raw[3] << 8));
    return header;
}

[[noreturn]] void failTruncated(const RecordHeader& header) {
    fail(ErrorCode::CorruptWorkbook, "record " + describeRecordType(header.id()) + " at offset " +
                                         std::to_string(header.offset) +
                                         " runs past the end of the workbook stream");
}

}  // namespace

RecordReader::RecordReader(std::shared_ptr<const io::ByteSource> stream)
    : stream_(std::move(stream)), size_(stream_->size()) {}

void RecordReader::seek(std::uint64_t offset) {
    if (offset > size_) {
        fail(ErrorCode::CorruptWorkbook,
             "offset " + std::to_string(offset) + " lies beyond the workbook stream");
    }
    position_ = offset;
}

std::optional<RecordHeader> RecordReader::headerAt(std::uint64_t offset) const {
    if (offset > size_ || size_ - offset < kRecordHeaderSize) return std::nullopt;
    std::array<std::uint8_t, kRecordHeaderSize> raw{};
    stream_->readAt(offset, raw);
    RecordHeader header = decodeHeader(offset, raw);
    if (header.end() > size_) failTruncated(header);
    return header;
}

std::optional<RecordHeader> RecordReader::next() {
    std::optional<RecordHeader> header = headerAt(position_);
    if (header) position_ = header->end();
    return header;
}

std::vector<std::uint8_t> RecordReader::readBody(const RecordHeader& header) const {
    if (header.end() > size_) failTruncated(header);
    std::vector<std::uint8_t> body(header.size);
    if (!body.empty()) stream_->readAt(header.bodyOffset(), body);
    if (decoder_) decoder_->decode(header, body);
    return body;
}

std::vector<RecordHeader> scanRecordHeaders(std::span<const std::uint8_t> stream,
                                            std::uint64_t* tailOffset) {
    std::vector<RecordHeader> headers;
    std::uint64_t offset = 0;
    const std::uint64_t size = stream.size();
    while (size - offset >= kRecordHeaderSize) {
        RecordHeader header = decodeHeader(offset, stream.subspan(offset).first<4>());
        if (header.end() > size) break;
        headers.push_back(header);
        offset = header.end();
    }
    if (tailOffset) *tailOffset = offset;
    return headers;
}

}  // namespace xls::biff
