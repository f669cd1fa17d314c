#include "cfb/sector_table.h"

#include <algorithm>
#include <string>

#include "cfb/cfb_format.h"
#include "io/byte_reader.h"
#include "io/checked_math.h"

namespace xls::cfb {

namespace {

std::string sectorText(std::uint32_t sector) {
    return "sector " + std::to_string(sector);
}

}  // namespace

std::vector<std::uint32_t> tableEntries(std::span<const std::uint8_t> bytes) {
    io::ByteReader reader(bytes, ErrorCode::CorruptContainer, "table sector");
    std::vector<std::uint32_t> entries(bytes.size() / 4);
    for (auto& entry : entries) entry = reader.u32();
    return entries;
}

std::uint32_t regularSectorCount(std::uint64_t fileSize, std::uint32_t sectorSize) {
    if (fileSize <= sectorSize) return 0;
    const std::uint64_t count = io::unitsFor(fileSize - sectorSize, sectorSize);
    // Sector numbers above MAXREGSECT cannot be addressed.
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(count, kMaxRegularSector + 1ull));
}

void readRegularSector(const io::ByteSource& source, std::uint32_t sector,
                       std::span<std::uint8_t> out, std::uint8_t pad) {
    const std::uint64_t offset = (static_cast<std::uint64_t>(sector) + 1) * out.size();
    if (offset >= source.size()) {
        fail(ErrorCode::TruncatedContainer,
             sectorText(sector) + " lies beyond the end of the file");
    }
    const std::uint64_t available = std::min<std::uint64_t>(out.size(), source.size() - offset);
    source.readAt(offset, out.first(static_cast<std::size_t>(available)));
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(available), out.end(), pad);
}

FatTable::FatTable(std::shared_ptr<const io::ByteSource> source, const Header& header)
    : source_(std::move(source)),
      sectorSize_(header.sectorSize),
      entriesPerSector_(header.sectorSize / 4),
      sectorCount_(regularSectorCount(source_->size(), header.sectorSize)) {
    readDifat(header);
    fatCache_.resize(fatLocations_.size());
}

void FatTable::readDifat(const Header& header) {
    const std::uint32_t wanted = header.fatSectorCount;
    // Every FAT sector is a sector of the file, so a larger count cannot be true.
    if (wanted > sectorCount_) {
        fail(ErrorCode::TruncatedContainer, "header declares " + std::to_string(wanted) +
                                                " FAT sectors in a file of " +
                                                std::to_string(sectorCount_) + " sectors");
    }
    fatLocations_.reserve(wanted);
    for (std::uint32_t i = 0; i < kHeaderDifatCount && fatLocations_.size() < wanted; ++i) {
        fatLocations_.push_back(header.headerDifat[i]);
    }
    // Chained DIFAT sectors: entriesPerSector - 1 FAT locations, then the next DIFAT sector.
    std::vector<std::uint8_t> buffer(sectorSize_);
    std::vector<bool> seen(sectorCount_, false);
    std::uint32_t difat = header.firstDifatSector;
    while (fatLocations_.size() < wanted) {
        if (difat > kMaxRegularSector) {
            fail(ErrorCode::CorruptContainer, "DIFAT ends after " +
                                                  std::to_string(fatLocations_.size()) + " of " +
                                                  std::to_string(wanted) + " FAT sectors");
        }
        if (difat >= sectorCount_) {
            fail(ErrorCode::TruncatedContainer,
                 "DIFAT " + sectorText(difat) + " lies beyond the end of the file");
        }
        if (seen[difat])
            fail(ErrorCode::CorruptContainer, "DIFAT chain loops at " + sectorText(difat));
        seen[difat] = true;
        readRegularSector(*source_, difat, buffer, 0xFF);
        const auto entries = tableEntries(buffer);
        for (std::uint32_t i = 0; i + 1 < entries.size() && fatLocations_.size() < wanted; ++i) {
            fatLocations_.push_back(entries[i]);
        }
        difat = entries.back();
    }
}

const std::vector<std::uint32_t>& FatTable::fatSector(std::uint32_t index) const {
    auto& cached = fatCache_[index];
    if (cached.empty()) {
        const std::uint32_t location = fatLocations_[index];
        if (location > kMaxRegularSector) {
            fail(ErrorCode::CorruptContainer,
                 "FAT sector " + std::to_string(index) + " has no location");
        }
        if (location >= sectorCount_) {
            fail(ErrorCode::TruncatedContainer, "FAT sector " + std::to_string(index) + " at " +
                                                    sectorText(location) +
                                                    " lies beyond the end of the file");
        }
        std::vector<std::uint8_t> buffer(sectorSize_);
        // A short final FAT sector: its missing entries are free sectors.
        readRegularSector(*source_, location, buffer, 0xFF);
        cached = tableEntries(buffer);
    }
    return cached;
}

std::uint32_t FatTable::next(std::uint32_t sector) const {
    const std::uint32_t index = sector / entriesPerSector_;
    if (index >= fatLocations_.size()) {
        fail(ErrorCode::CorruptContainer, sectorText(sector) + " has no FAT entry");
    }
    return fatSector(index)[sector % entriesPerSector_];
}

ErrorCode FatTable::beyondEndCode(std::uint32_t sector) const {
    const std::uint64_t described =
        static_cast<std::uint64_t>(fatLocations_.size()) * entriesPerSector_;
    return sector < described ? ErrorCode::TruncatedContainer : ErrorCode::CorruptContainer;
}

std::size_t FatTable::loadedFatSectors() const {
    return static_cast<std::size_t>(std::count_if(fatCache_.begin(), fatCache_.end(),
                                                  [](const auto& s) { return !s.empty(); }));
}

std::uint32_t MiniFatTable::next(std::uint32_t sector) const {
    if (sector >= entries_.size()) {
        fail(ErrorCode::CorruptContainer, "mini " + sectorText(sector) + " has no MiniFAT entry");
    }
    return entries_[sector];
}

}  // namespace xls::cfb
