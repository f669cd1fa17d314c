// Following a chain of sectors through an allocation table, checked at every step.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "cfb/sector_table.h"

namespace xls::cfb {

// A chain of sectors through a table, followed only as far as it is asked for.
// Every sector number is checked; a chain that visits a sector twice is a
// cycle (CorruptContainer), so following a chain always ends. The chain is
// held as runs of neighbouring sectors: a stream written in one piece is one
// run however long it is.
class SectorChain {
  public:
    SectorChain(std::shared_ptr<const SectorTable> table, std::uint32_t start, const char* what);

    // The index-th sector of the chain. Raises CorruptContainer when the chain
    // ends before it.
    std::uint32_t at(std::size_t index);
    // Follows the chain to its end and returns all its sectors.
    std::vector<std::uint32_t> all();
    const SectorTable& table() const { return *table_; }

  private:
    struct Run {
        std::size_t index = 0;    // of its first sector in the chain
        std::uint32_t first = 0;  // sector number
        std::uint32_t length = 0;
    };

    // Takes one step, or as many as the chain goes straight on (at most
    // maxSteps); false at the chain's end.
    bool advance(std::size_t maxSteps);
    void check(std::uint32_t sector) const;
    void visit(std::uint32_t sector);
    std::uint32_t last() const { return runs_.back().first + runs_.back().length - 1; }

    std::shared_ptr<const SectorTable> table_;
    const char* what_;
    std::uint32_t sectorCount_;  // the table's, which does not change
    std::vector<Run> runs_;
    std::size_t length_ = 0;  // sectors followed so far
    std::vector<bool> seen_;
    bool ended_ = false;
};

}  // namespace xls::cfb
