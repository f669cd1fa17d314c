// Following a chain of sectors through an allocation table, checked at every step.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "cfb/sector_table.h"

namespace xls::cfb {

// A chain of sectors through a table, followed only as far as it is asked for.
// Every sector number is checked; a chain that visits a sector twice is a
// cycle (CorruptContainer), so following a chain always ends.
class SectorChain {
  public:
    SectorChain(std::shared_ptr<const SectorTable> table, std::uint32_t start, const char* what);

    // The index-th sector of the chain. Raises CorruptContainer when the chain
    // ends before it.
    std::uint32_t at(std::size_t index);
    // Follows the chain to its end and returns all its sectors.
    const std::vector<std::uint32_t>& all();
    const SectorTable& table() const { return *table_; }

  private:
    bool advance();
    void check(std::uint32_t sector) const;

    std::shared_ptr<const SectorTable> table_;
    const char* what_;
    std::vector<std::uint32_t> sectors_;
    std::vector<bool> seen_;
    bool ended_ = false;
};

}  // namespace xls::cfb
