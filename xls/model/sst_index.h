// A shared string table kept as its stored bytes: one pass finds where each
// string starts without keeping any string; a string is decoded when asked
// for, or each in turn into one reused string. A copy of a sheet reads the few
// strings it uses this way, and looks for them among the destination's
// strings without holding the destination's table as strings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "model/stream_writer_sst.h"

namespace xls::model {

class SstIndex {
  public:
    SstIndex() = default;
    // Sees each string in turn, decoded into one string the next reuses.
    using Visit = std::function<void(std::size_t index, const SstString& string)>;
    // Given the biff::stringDigest of each string first: only those it wants
    // are decoded and visited (the others are stepped over).
    using Wants = std::function<bool(std::uint64_t digest)>;

    // Reads the table from the payloads of the SST record and its Continue
    // records, in order, showing each string to visit when given. As readSst,
    // holds at most the strings the payloads contain, and raises
    // Error(CorruptWorkbook) on a string cut short.
    explicit SstIndex(const std::vector<std::span<const std::uint8_t>>& payloads,
                      const Visit& visit = {}, const Wants& wants = {});
    // The same from the payloads already joined end to end, with where each
    // Continue's payload begins among them.
    SstIndex(std::vector<std::uint8_t> joined, std::vector<std::size_t> continueStarts,
             const Visit& visit = {}, const Wants& wants = {});

    std::uint32_t cstTotal() const { return cstTotal_; }
    std::uint32_t cstUnique() const { return cstUnique_; }  // as stored
    std::size_t size() const { return starts_.size(); }

    // The string at index i (< size()), decoded.
    SstString at(std::size_t i) const;
    // Where string i begins among the table's records.
    SstPosition position(std::size_t i) const;
    // Every string decoded, with where each begins.
    SstTable table() const;

  private:
    std::vector<std::uint8_t> joined_;         // the payloads end to end
    std::vector<std::size_t> continueStarts_;  // where each Continue's payload begins in joined_
    std::vector<std::uint32_t> starts_;        // where each string begins in joined_
    std::uint32_t cstTotal_ = 0;
    std::uint32_t cstUnique_ = 0;
};

}  // namespace xls::model
