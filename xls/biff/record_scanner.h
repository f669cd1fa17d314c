// Walks the records of a stored stream front to back, reading it in large
// blocks rather than a read per record: loading a workbook steps over every
// record header of its cell data, and a 20 MB stream holds about a million.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "biff/record_reader.h"
#include "io/byte_source.h"

namespace xls::biff {

class RecordScanner {
  public:
    static constexpr std::size_t kDefaultBlock = std::size_t{1} << 20;

    explicit RecordScanner(std::shared_ptr<const io::ByteSource> stream,
                           std::size_t blockSize = kDefaultBlock);

    // The next whole record, or nullopt at the end: fewer than four bytes left,
    // or a record whose body would run past the end of the stream. tailOffset()
    // then says where those last bytes begin.
    std::optional<RecordHeader> next();
    // Steps over whole records up to the first whose type is one of stops (or
    // that next() would not return), and returns where it stopped: a loader
    // that keeps most records where they are stored reads only their headers.
    std::uint64_t skipUntil(std::span<const RecordType> stops);
    // The body of the record next() returned last; valid until the next call.
    std::span<const std::uint8_t> body(const RecordHeader& header);
    std::uint64_t tailOffset() const { return position_; }

  private:
    // The header at the position (at least four bytes are left).
    const std::uint8_t* headerAtPosition();
    // Makes [offset, offset + count) of the stream available in the buffer.
    std::span<const std::uint8_t> bytesAt(std::uint64_t offset, std::size_t count);

    std::shared_ptr<const io::ByteSource> stream_;
    std::uint64_t size_ = 0;
    std::uint64_t position_ = 0;
    std::size_t blockSize_;
    std::vector<std::uint8_t> buffer_;
    std::uint64_t bufferStart_ = 0;
};

}  // namespace xls::biff
