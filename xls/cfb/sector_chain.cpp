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
    : table_(std::move(table)), what_(what) {
    if (start == kEndOfChain) {
        ended_ = true;
        return;
    }
    check(start);
    seen_.assign(table_->sectorCount(), false);
    seen_[start] = true;
    sectors_.push_back(start);
}

void SectorChain::check(std::uint32_t sector) const {
    if (sector > kMaxRegularSector) {
        fail(ErrorCode::CorruptContainer,
             std::string(what_) + ": chain holds the special value " + std::to_string(sector));
    }
    if (sector >= table_->sectorCount()) {
        fail(table_->beyondEndCode(sector),
             std::string(what_) + ": " + table_->name() + " " + sectorText(sector) +
                 " is out of range (" + std::to_string(table_->sectorCount()) + " sectors)");
    }
}

bool SectorChain::advance() {
    if (ended_) return false;
    const std::uint32_t next = table_->next(sectors_.back());
    if (next == kEndOfChain) {
        ended_ = true;
        return false;
    }
    check(next);
    if (seen_[next]) {
        fail(ErrorCode::CorruptContainer, std::string(what_) + ": " + table_->name() +
                                              " chain loops back to " + sectorText(next));
    }
    seen_[next] = true;
    sectors_.push_back(next);
    return true;
}

std::uint32_t SectorChain::at(std::size_t index) {
    if (sectors_.size() <= index && !ended_) {
        const std::size_t steps = index + 1 - sectors_.size();
        table_->expect(sectors_.back(), static_cast<std::uint32_t>(
                                            std::min<std::size_t>(steps, table_->sectorCount())));
    }
    while (sectors_.size() <= index) {
        if (!advance()) {
            fail(ErrorCode::CorruptContainer, std::string(what_) + ": chain ends after " +
                                                  std::to_string(sectors_.size()) +
                                                  " sectors, before the stream's end");
        }
    }
    return sectors_[index];
}

const std::vector<std::uint32_t>& SectorChain::all() {
    while (advance()) {
    }
    return sectors_;
}

}  // namespace xls::cfb
