#include "cfb/stream_source.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "cfb/cfb_format.h"

namespace xls::cfb {

StreamSource::StreamSource(std::shared_ptr<const io::ByteSource> base,
                           std::uint64_t firstSectorOffset, std::uint32_t sectorSize,
                           std::shared_ptr<const SectorTable> table, std::uint32_t startSector,
                           std::uint64_t size, const char* what)
    : base_(std::move(base)),
      firstSectorOffset_(firstSectorOffset),
      sectorSize_(sectorSize),
      size_(size),
      what_(what),
      chain_(std::move(table), size == 0 ? kEndOfChain : startSector, what) {}

std::uint64_t StreamSource::sectorOffset(std::uint32_t sector) const {
    return firstSectorOffset_ + static_cast<std::uint64_t>(sector) * sectorSize_;
}

const StreamSource::CacheSlot& StreamSource::cachedSector(std::size_t index) const {
    CacheSlot& slot = cache_[index % kCacheSlots];
    if (slot.index != index) {
        const std::uint64_t start = static_cast<std::uint64_t>(index) * sectorSize_;
        // Only the bytes the stream's size covers: the file may end right after them.
        const auto length =
            static_cast<std::size_t>(std::min<std::uint64_t>(sectorSize_, size_ - start));
        slot.index = SIZE_MAX;
        slot.bytes.resize(length);
        base_->readAt(sectorOffset(chain_.at(index)), slot.bytes);
        slot.index = index;
    }
    return slot;
}

void StreamSource::readAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
    if (offset > size_ || out.size() > size_ - offset) {
        fail(ErrorCode::TruncatedContainer,
             std::string(what_) + ": " + std::to_string(out.size()) + " bytes wanted at offset " +
                 std::to_string(offset) + " of a " + std::to_string(size_) + "-byte stream");
    }
    // Following the chain to the last sector wanted first lets the table read
    // what the whole read needs together.
    if (!out.empty()) chain_.at(static_cast<std::size_t>((offset + out.size() - 1) / sectorSize_));
    while (!out.empty()) {
        const std::size_t index = static_cast<std::size_t>(offset / sectorSize_);
        const auto within = static_cast<std::size_t>(offset % sectorSize_);
        if (within == 0 && out.size() >= sectorSize_) {
            // A run of whole sectors that lie next to each other in the base:
            // one read for all of them.
            const std::uint32_t first = chain_.at(index);
            std::size_t run = 1;
            while ((run + 1) * sectorSize_ <= out.size() && chain_.at(index + run) == first + run) {
                ++run;
            }
            const std::size_t length = run * sectorSize_;
            base_->readAt(sectorOffset(first), out.first(length));
            out = out.subspan(length);
            offset += length;
            continue;
        }
        const CacheSlot& slot = cachedSector(index);
        const std::size_t length = std::min(out.size(), slot.bytes.size() - within);
        std::memcpy(out.data(), slot.bytes.data() + within, length);
        out = out.subspan(length);
        offset += length;
    }
}

}  // namespace xls::cfb
