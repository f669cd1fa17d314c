// A bounds-checked reader over a record's payload that goes on into its
// Continue records, and knows where each one begins: character data split at a
// Continue boundary starts again with a flags byte there ([MS-XLS] 2.5.293).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "biff/record_reader.h"
#include "io/byte_reader.h"

namespace xls::biff {

class ContinuedReader : public io::ByteReader {
  public:
    // continueStarts: ascending offsets in bytes where each Continue payload begins.
    // context names the record for error messages; it must outlive the reader.
    ContinuedReader(std::span<const std::uint8_t> bytes,
                    std::span<const std::size_t> continueStarts = {},
                    std::string_view context = {});
    // Reads record.bytes; record must outlive the reader.
    explicit ContinuedReader(const ContinuedRecord& record, std::string_view context = {});

    // Bytes left before the next Continue boundary (or the end).
    std::size_t remainingInPiece() const;
    // True when the position is the first byte of a Continue payload.
    bool atContinueStart() const;

  private:
    // The index of the first Continue beginning after the position: kept from
    // the last call, since a reader mostly moves forward a little at a time.
    std::size_t nextContinue() const;

    std::span<const std::size_t> continueStarts_;
    mutable std::size_t next_ = 0;
};

}  // namespace xls::biff
