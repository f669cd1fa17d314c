#include "cfb/sector_chain.h"

#include <algorithm>
#include <string>

#include "cfb/cfb_format.h"

namespace xls::cfb {

namespace {

std::string sectorText(std::uint32_t sector) {
    return "sector " + std::to_string(sector);
}

}  // namespace

SectorChain::SectorChain(std::shared_ptr<const SectorTable> table, std::uint32_t start,
                         const char* what)
    : table_(std::move(table)), what_(what), sectorCount_(table_->sectorCount()) {
    if (start == kEndOfChain) {
        ended_ = true;
        return;
    }
    check(start);
    seen_.assign(sectorCount_, false);
    seen_[start] = true;
    runs_.push_back({0, start, 1});
    length_ = 1;
}

void SectorChain::check(std::uint32_t sector) const {
    if (sector > kMaxRegularSector) {
        fail(ErrorCode::CorruptContainer,
             std::string(what_) + ": chain holds the special value " + std::to_string(sector));
    }
    if (sector >= sectorCount_) {
        fail(table_->beyondEndCode(sector), std::string(what_) + ": " + table_->name() + " " +
                                                sectorText(sector) + " is out of range (" +
                                                std::to_string(sectorCount_) + " sectors)");
    }
}

void SectorChain::visit(std::uint32_t sector) {
    if (seen_[sector]) {
        fail(ErrorCode::CorruptContainer, std::string(what_) + ": " + table_->name() +
                                              " chain loops back to " + sectorText(sector));
    }
    seen_[sector] = true;
}

bool SectorChain::advance(std::size_t maxSteps) {
    if (ended_) return false;
    const std::uint32_t from = last();
    const std::uint32_t straight = table_->straightOn(
        from, static_cast<std::uint32_t>(std::min<std::size_t>(maxSteps, sectorCount_)));
    if (straight > 0) {
        // Sectors from + 1 ... from + straight, each the next one's predecessor:
        // the first that lies past the end, if any, is the one to report.
        check(static_cast<std::uint32_t>(
            std::min<std::uint64_t>(std::uint64_t{from} + straight, sectorCount_)));
        for (std::uint32_t k = 1; k <= straight; ++k) visit(from + k);
        runs_.back().length += straight;
        length_ += straight;
        return true;
    }
    const std::uint32_t next = table_->next(from);
    if (next == kEndOfChain) {
        ended_ = true;
        return false;
    }
    check(next);
    visit(next);
    runs_.push_back({length_, next, 1});
    ++length_;
    return true;
}

std::uint32_t SectorChain::at(std::size_t index) {
    if (index >= length_ && !ended_) {
        table_->expect(last(), static_cast<std::uint32_t>(
                                   std::min<std::size_t>(index + 1 - length_, sectorCount_)));
    }
    while (length_ <= index) {
        if (!advance(index + 1 - length_)) {
            fail(ErrorCode::CorruptContainer, std::string(what_) + ": chain ends after " +
                                                  std::to_string(length_) +
                                                  " sectors, before the stream's end");
        }
    }
    const auto run = std::upper_bound(runs_.begin(), runs_.end(), index,
                                      [](std::size_t i, const Run& r) { return i < r.index; });
    const Run& found = *(run - 1);
    return found.first + static_cast<std::uint32_t>(index - found.index);
}

std::vector<std::uint32_t> SectorChain::all() {
    while (advance(sectorCount_)) {
    }
    std::vector<std::uint32_t> sectors;
    sectors.reserve(length_);
    for (const Run& run : runs_) {
        for (std::uint32_t k = 0; k < run.length; ++k) sectors.push_back(run.first + k);
    }
    return sectors;
}

}  // namespace xls::cfb
