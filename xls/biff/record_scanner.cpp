#include "biff/record_scanner.h"

#include <algorithm>

namespace xls::biff {

RecordScanner::RecordScanner(std::shared_ptr<const io::ByteSource> stream, std::size_t blockSize)
    : stream_(std::move(stream)),
      size_(stream_->size()),
      // Large enough for any record with its header.
      blockSize_(std::max(blockSize, kRecordHeaderSize + 0xFFFF)) {}

std::span<const std::uint8_t> RecordScanner::bytesAt(std::uint64_t offset, std::size_t count) {
    const bool held = offset >= bufferStart_ && offset - bufferStart_ <= buffer_.size() &&
                      count <= buffer_.size() - (offset - bufferStart_);
    if (!held) {
        const auto length =
            static_cast<std::size_t>(std::min<std::uint64_t>(blockSize_, size_ - offset));
        buffer_.resize(length);
        bufferStart_ = offset;
        stream_->readAt(offset, buffer_);
    }
    return std::span<const std::uint8_t>(buffer_).subspan(
        static_cast<std::size_t>(offset - bufferStart_), count);
}

const std::uint8_t* RecordScanner::headerAtPosition() {
    // Most headers lie inside the block already read.
    const std::uint64_t within = position_ - bufferStart_;
    return position_ >= bufferStart_ && within + kRecordHeaderSize <= buffer_.size()
               ? buffer_.data() + within
               : bytesAt(position_, kRecordHeaderSize).data();
}

std::optional<RecordHeader> RecordScanner::next() {
    if (size_ - position_ < kRecordHeaderSize) return std::nullopt;
    const std::uint8_t* raw = headerAtPosition();
    RecordHeader header;
    header.offset = position_;
    header.type = static_cast<RecordType>(raw[0] | (raw[1] << 8));
    header.size = static_cast<std::uint16_t>(raw[2] | (raw[3] << 8));
    if (header.end() > size_) return std::nullopt;
    position_ = header.end();
    return header;
}

std::uint64_t RecordScanner::skipUntil(std::span<const RecordType> stops) {
    while (size_ - position_ >= kRecordHeaderSize) {
        const std::uint8_t* raw = headerAtPosition();
        const auto type = static_cast<RecordType>(raw[0] | (raw[1] << 8));
        const std::uint64_t end = position_ + kRecordHeaderSize + (raw[2] | (raw[3] << 8));
        if (end > size_ || std::find(stops.begin(), stops.end(), type) != stops.end()) break;
        position_ = end;
    }
    return position_;
}

std::span<const std::uint8_t> RecordScanner::body(const RecordHeader& header) {
    return bytesAt(header.bodyOffset(), header.size);
}

}  // namespace xls::biff
