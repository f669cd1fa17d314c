#include "biff/continued_reader.h"

#include <algorithm>

namespace xls::biff {

ContinuedReader::ContinuedReader(std::span<const std::uint8_t> bytes,
                                 std::span<const std::size_t> continueStarts,
                                 std::string_view context)
    : io::ByteReader(bytes, ErrorCode::CorruptWorkbook, context), continueStarts_(continueStarts) {}

ContinuedReader::ContinuedReader(const ContinuedRecord& record, std::string_view context)
    : ContinuedReader(record.bytes, record.continueStarts, context) {}

std::size_t ContinuedReader::nextContinue() const {
    const std::size_t at = position();
    const auto& starts = continueStarts_;
    const bool valid =
        (next_ == 0 || starts[next_ - 1] <= at) && (next_ == starts.size() || starts[next_] > at);
    if (valid) return next_;
    // Usually the position just crossed the next boundary.
    if (next_ < starts.size() && starts[next_] <= at &&
        (next_ + 1 == starts.size() || starts[next_ + 1] > at)) {
        ++next_;
    } else {
        next_ = static_cast<std::size_t>(std::upper_bound(starts.begin(), starts.end(), at) -
                                         starts.begin());
    }
    return next_;
}

std::size_t ContinuedReader::remainingInPiece() const {
    const std::size_t next = nextContinue();
    const std::size_t pieceEnd =
        next == continueStarts_.size() ? size() : std::min(continueStarts_[next], size());
    return pieceEnd - position();
}

bool ContinuedReader::atContinueStart() const {
    const std::size_t next = nextContinue();
    return next > 0 && continueStarts_[next - 1] == position();
}

}  // namespace xls::biff
