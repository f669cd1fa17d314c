#include "model/sst_index.h"

#include <algorithm>
#include <limits>

#include "biff/continued_reader.h"
#include "xls/error.h"

namespace xls::model {

SstIndex::SstIndex(const std::vector<std::span<const std::uint8_t>>& payloads, const Visit& visit) {
    if (payloads.empty()) return;
    std::size_t total = 0;
    for (const auto& p : payloads) total += p.size();
    if (total > std::numeric_limits<std::uint32_t>::max())
        fail(ErrorCode::CorruptWorkbook, "the shared string table exceeds 4 GB");
    joined_.reserve(total);
    for (std::size_t i = 0; i < payloads.size(); ++i) {
        if (i > 0) continueStarts_.push_back(joined_.size());
        joined_.insert(joined_.end(), payloads[i].begin(), payloads[i].end());
    }
    biff::ContinuedReader reader(joined_, continueStarts_, "SST");
    cstTotal_ = reader.u32();
    cstUnique_ = reader.u32();
    // cstUnique is a hint only (wrong in real files either way); a string
    // takes at least three bytes, and the bytes decide how many there are.
    starts_.reserve(std::min<std::size_t>(cstUnique_, joined_.size() / 3));
    SstString scratch;
    while (!reader.atEnd()) {
        starts_.push_back(static_cast<std::uint32_t>(reader.position()));
        biff::readString(reader, biff::StringForm::RichExtended, scratch);
        if (visit) visit(starts_.size() - 1, scratch);
    }
}

SstString SstIndex::at(std::size_t i) const {
    biff::ContinuedReader reader(joined_, continueStarts_, "SST");
    reader.seek(starts_.at(i));
    return biff::readString(reader, biff::StringForm::RichExtended);
}

SstPosition SstIndex::position(std::size_t i) const {
    const std::size_t at = starts_.at(i);
    // The record a string starts in: the last one beginning at or before it
    // (an empty Continue holds no string).
    const auto record = static_cast<std::size_t>(
        std::upper_bound(continueStarts_.begin(), continueStarts_.end(), at) -
        continueStarts_.begin());
    return {record, record == 0 ? at : at - continueStarts_[record - 1]};
}

}  // namespace xls::model
