// A stream of a compound file as random-access bytes: sectors are found by
// following the stream's chain only as far as a read needs, and read from the
// underlying source on demand. Whole sectors go straight to the caller; parts
// of sectors are served from a small cache, so the record reader's many small
// reads do not each touch the file.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "cfb/sector_chain.h"
#include "cfb/sector_table.h"
#include "io/byte_source.h"

namespace xls::cfb {

class StreamSource final : public io::ByteSource {
  public:
    // base holds the sectors: the file for regular sectors (sector s at
    // (s + 1) * sectorSize), the mini stream for mini sectors (s at s * 64).
    StreamSource(std::shared_ptr<const io::ByteSource> base, std::uint64_t firstSectorOffset,
                 std::uint32_t sectorSize, std::shared_ptr<const SectorTable> table,
                 std::uint32_t startSector, std::uint64_t size, const char* what);

    std::uint64_t size() const override { return size_; }
    void readAt(std::uint64_t offset, std::span<std::uint8_t> out) const override;

  private:
    struct CacheSlot {
        std::size_t index = SIZE_MAX;  // sector index within the stream
        std::vector<std::uint8_t> bytes;
    };
    static constexpr std::size_t kCacheSlots = 16;

    std::uint64_t sectorOffset(std::uint32_t sector) const;
    const CacheSlot& cachedSector(std::size_t index) const;

    std::shared_ptr<const io::ByteSource> base_;
    std::uint64_t firstSectorOffset_;
    std::uint32_t sectorSize_;
    std::uint64_t size_;
    const char* what_;
    mutable SectorChain chain_;
    mutable std::array<CacheSlot, kCacheSlots> cache_;
};

}  // namespace xls::cfb
