#include "biff/continued_reader.h"

#include <algorithm>

namespace xls::biff {

ContinuedReader::ContinuedReader(std::span<const std::uint8_t> bytes,
                                 std::span<const std::size_t> continueStarts,
                                 std::string_view context)
    : io::ByteReader(bytes, ErrorCode::CorruptWorkbook, context), continueStarts_(continueStarts) {}

ContinuedReader::ContinuedReader(const ContinuedRecord& record, std::string_view context)
    : ContinuedReader(record.bytes, record.continueStarts, context) {}

std::size_t ContinuedReader::remainingInPiece() const {
    auto next = std::upper_bound(continueStarts_.begin(), continueStarts_.end(), position());
    std::size_t pieceEnd = next == continueStarts_.end() ? size() : std::min(*next, size());
    return pieceEnd - position();
}

bool ContinuedReader::atContinueStart() const {
    return std::binary_search(continueStarts_.begin(), continueStarts_.end(), position());
}

}  // namespace xls::biff
