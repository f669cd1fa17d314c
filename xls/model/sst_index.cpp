#include "model/sst_index.h"

#include <algorithm>
#include <limits>

#include "biff/continued_reader.h"
#include "xls/error.h"

namespace xls::model {

namespace {

std::vector<std::uint8_t> joinedPayloads(const std::vector<std::span<const std::uint8_t>>& payloads,
                                         std::vector<std::size_t>& continueStarts) {
    std::size_t total = 0;
    for (const auto& p : payloads) total += p.size();
    std::vector<std::uint8_t> joined;
    joined.reserve(total);
    for (std::size_t i = 0; i < payloads.size(); ++i) {
        if (i > 0) continueStarts.push_back(joined.size());
        joined.insert(joined.end(), payloads[i].begin(), payloads[i].end());
    }
    return joined;
}

}  // namespace

SstIndex::SstIndex(const std::vector<std::span<const std::uint8_t>>& payloads, const Visit& visit,
                   const Wants& wants) {
    std::vector<std::size_t> continueStarts;
    std::vector<std::uint8_t> joined = joinedPayloads(payloads, continueStarts);
    *this = SstIndex(std::move(joined), std::move(continueStarts), visit, wants);
}

SstIndex::SstIndex(std::vector<std::uint8_t> joined, std::vector<std::size_t> continueStarts,
                   const Visit& visit, const Wants& wants)
    : joined_(std::move(joined)), continueStarts_(std::move(continueStarts)) {
    if (joined_.empty()) return;
    if (joined_.size() > std::numeric_limits<std::uint32_t>::max())
        fail(ErrorCode::CorruptWorkbook, "the shared string table exceeds 4 GB");
    biff::ContinuedReader reader(joined_, continueStarts_, "SST");
    cstTotal_ = reader.u32();
    cstUnique_ = reader.u32();
    // cstUnique is a hint only (wrong in real files either way); a string
    // takes at least three bytes, and the bytes decide how many there are.
    starts_.reserve(std::min<std::size_t>(cstUnique_, joined_.size() / 3));
    SstString scratch;
    while (!reader.atEnd()) {
        starts_.push_back(static_cast<std::uint32_t>(reader.position()));
        if (!visit) {
            biff::skipString(reader, biff::StringForm::RichExtended);
            continue;
        }
        if (wants) {
            std::uint64_t digest = 0;
            biff::skipString(reader, biff::StringForm::RichExtended, 0, &digest);
            if (!wants(digest)) continue;
            reader.seek(starts_.back());
        }
        biff::readString(reader, biff::StringForm::RichExtended, scratch);
        visit(starts_.size() - 1, scratch);
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

SstTable SstIndex::table() const {
    SstTable table;
    table.cstTotal = cstTotal_;
    table.cstUnique = cstUnique_;
    table.strings.reserve(size());
    table.positions.reserve(size());
    for (std::size_t i = 0; i < size(); ++i) {
        table.strings.push_back(at(i));
        table.positions.push_back(position(i));
    }
    return table;
}

}  // namespace xls::model
