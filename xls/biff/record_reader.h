// Reads the workbook stream record by record ([MS-XLS] 2.1.4): a 4-byte header
// (id, size) then the payload. Headers and bodies are read separately, so a
// listing can step over a large body (the SST) without reading it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "biff/record_type.h"
#include "io/byte_source.h"

namespace xls::biff {

inline constexpr std::size_t kRecordHeaderSize = 4;
// Largest payload [MS-XLS] allows in one record; longer data goes on in Continue records.
inline constexpr std::size_t kMaxRecordPayload = 8224;

struct RecordHeader {
    std::uint64_t offset = 0;  // stream position of the header
    RecordType type{};
    std::uint16_t size = 0;  // payload bytes

    std::uint64_t bodyOffset() const { return offset + kRecordHeaderSize; }
    std::uint64_t end() const { return bodyOffset() + size; }
    std::uint16_t id() const { return toU16(type); }
};

// Turns record bodies as stored into plain bodies: the decryption of an
// encrypted workbook. Given the header, so it can leave clear what stays clear.
class BodyDecoder {
  public:
    virtual ~BodyDecoder() = default;
    virtual void decode(const RecordHeader& header, std::span<std::uint8_t> body) const = 0;
};

// A record with the Continue records that follow it, payloads concatenated.
struct ContinuedRecord {
    RecordHeader header;
    std::vector<std::uint8_t> bytes;
    // Offsets in bytes where each Continue record's payload begins, ascending.
    std::vector<std::size_t> continueStarts;
};

class RecordReader {
  public:
    explicit RecordReader(std::shared_ptr<const io::ByteSource> stream);

    std::uint64_t streamSize() const { return size_; }
    std::uint64_t position() const { return position_; }
    // Moves to a stream position (at most the stream size); CorruptWorkbook beyond it.
    void seek(std::uint64_t offset);

    // The header at the current position, then moves past its body without reading
    // it. nullopt when fewer than 4 bytes remain (bytes after the last record).
    // CorruptWorkbook when the body would run past the end of the stream.
    std::optional<RecordHeader> next();

    // The record's payload, decoded when a decoder is set.
    std::vector<std::uint8_t> readBody(const RecordHeader& header) const;

    // Decodes the bodies read from now on (nullptr: none).
    void setDecoder(std::shared_ptr<const BodyDecoder> decoder) { decoder_ = std::move(decoder); }
    const std::shared_ptr<const BodyDecoder>& decoder() const { return decoder_; }

  private:
    std::optional<RecordHeader> headerAt(std::uint64_t offset) const;

    std::shared_ptr<const io::ByteSource> stream_;
    std::shared_ptr<const BodyDecoder> decoder_;
    std::uint64_t size_ = 0;
    std::uint64_t position_ = 0;
};

// Parses the records held in memory, headers only, in order. Stops before bytes that
// do not form a whole record; *tailOffset receives where they start (the size when none).
std::vector<RecordHeader> scanRecordHeaders(std::span<const std::uint8_t> stream,
                                            std::uint64_t* tailOffset);

}  // namespace xls::biff
