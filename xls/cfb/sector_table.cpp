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

void readRegularSectors(const io::ByteSource& source, std::uint32_t sector,
                        std::uint32_t sectorSize, std::span<std::uint8_t> out, std::uint8_t pad) {
    const std::uint64_t offset = (static_cast<std::uint64_t>(sector) + 1) * sectorSize;
    if (offset >= source.size()) {
        fail(ErrorCode::TruncatedContainer,
             sectorText(sector) + " lies beyond the end of the file");
    }
    const std::uint64_t available = std::min<std::uint64_t>(out.size(), source.size() - offset);
    source.readAt(offset, out.first(static_cast<std::size_t>(available)));
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(available), out.end(), pad);
}

FatTable::FatTable(std::shared_ptr<const io::ByteSource> source, const Header& header,
                   Damage damage)
    : source_(std::move(source)),
      sectorSize_(header.sectorSize),
      entriesPerSector_(header.sectorSize / 4),
      sectorCount_(regularSectorCount(source_->size(), header.sectorSize)) {
    readDifat(header, damage);
    loaded_.resize(fatLocations_.size(), false);
}

void FatTable::readDifat(const Header& header, Damage damage) {
    const std::uint32_t wanted = header.fatSectorCount;
    const bool tolerate = damage == Damage::Tolerate;
    // Every FAT sector is a sector of the file, so a larger count cannot be true.
    if (wanted > sectorCount_ && !tolerate) {
        fail(ErrorCode::TruncatedContainer, "header declares " + std::to_string(wanted) +
                                                " FAT sectors in a file of " +
                                                std::to_string(sectorCount_) + " sectors");
    }
    fatLocations_.reserve(std::min(wanted, sectorCount_));
    for (std::uint32_t i = 0; i < kHeaderDifatCount && fatLocations_.size() < wanted; ++i) {
        fatLocations_.push_back(header.headerDifat[i]);
    }
    // Chained DIFAT sectors: entriesPerSector - 1 FAT locations, then the next DIFAT sector.
    std::vector<std::uint8_t> buffer(sectorSize_);
    std::vector<bool> seen(sectorCount_, false);
    std::uint32_t difat = header.firstDifatSector;
    while (fatLocations_.size() < wanted) {
        // Tolerated damage: the FAT sectors found so far serve the chains they cover.
        if (tolerate && (difat >= sectorCount_ || seen[difat])) break;
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
        readRegularSectors(*source_, difat, sectorSize_, buffer, 0xFF);
        const auto entries = tableEntries(buffer);
        for (std::uint32_t i = 0; i + 1 < entries.size() && fatLocations_.size() < wanted; ++i) {
            fatLocations_.push_back(entries[i]);
        }
        difat = entries.back();
    }
}

std::uint32_t FatTable::fatLocation(std::uint32_t index) const {
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
    return location;
}

void FatTable::loadFatSectors(std::uint32_t first, std::uint32_t last) const {
    const auto usable = [this](std::uint32_t index) {
        return !loaded_[index] && fatLocations_[index] < sectorCount_;
    };
    std::vector<std::uint8_t> buffer;
    std::uint32_t index = first;
    while (index <= last) {
        if (!usable(index)) {
            ++index;
            continue;
        }
        const std::uint32_t location = fatLocations_[index];
        std::uint32_t count = 1;
        while (index + count <= last && usable(index + count) &&
               fatLocations_[index + count] == location + count) {
            ++count;
        }
        buffer.resize(static_cast<std::size_t>(count) * sectorSize_);
        // A short final FAT sector: its missing entries are free sectors.
        readRegularSectors(*source_, location, sectorSize_, buffer, 0xFF);
        ++fatReads_;
        const std::size_t base = static_cast<std::size_t>(index) * entriesPerSector_;
        const std::size_t added = static_cast<std::size_t>(count) * entriesPerSector_;
        if (entries_.size() < base + added) entries_.resize(base + added);
        for (std::size_t k = 0; k < added; ++k) {
            const std::uint8_t* at = buffer.data() + 4 * k;
            entries_[base + k] = static_cast<std::uint32_t>(at[0] | at[1] << 8 | at[2] << 16) |
                                 static_cast<std::uint32_t>(at[3]) << 24;
        }
        std::fill_n(loaded_.begin() + index, count, true);
        index += count;
    }
}

void FatTable::loadFatSector(std::uint32_t index) const {
    fatLocation(index);  // raises for a location the file does not hold
    loadFatSectors(index, index);
}

void FatTable::expect(std::uint32_t sector, std::uint32_t steps) const {
    const std::uint32_t first = sector / entriesPerSector_;
    if (first >= loaded_.size()) return;
    const std::uint64_t reach = std::min<std::uint64_t>(static_cast<std::uint64_t>(sector) + steps,
                                                        sectorCount_ == 0 ? 0 : sectorCount_ - 1);
    const auto last = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(reach / entriesPerSector_, loaded_.size() - 1));
    loadFatSectors(first, last);
}

std::uint32_t FatTable::next(std::uint32_t sector) const {
    const std::uint32_t index = sector / entriesPerSector_;
    if (index >= fatLocations_.size()) {
        fail(ErrorCode::CorruptContainer, sectorText(sector) + " has no FAT entry");
    }
    if (!loaded_[index]) loadFatSector(index);
    return entries_[sector];
}

std::uint32_t FatTable::straightOn(std::uint32_t sector, std::uint32_t limit) const {
    std::uint32_t steps = 0;
    while (steps < limit) {
        const std::uint32_t at = sector + steps;
        const std::uint32_t index = at / entriesPerSector_;
        // Where the entries are not at hand (or cannot be), next() steps and says why.
        if (index >= loaded_.size() || !loaded_[index]) return steps;
        const std::uint64_t end =
            std::min<std::uint64_t>(static_cast<std::uint64_t>(index + 1) * entriesPerSector_,
                                    static_cast<std::uint64_t>(sector) + limit);
        std::uint32_t s = at;
        while (s < end && entries_[s] == s + 1) ++s;
        steps += s - at;
        if (s < end) return steps;
    }
    return steps;
}

ErrorCode FatTable::beyondEndCode(std::uint32_t sector) const {
    const std::uint64_t described =
        static_cast<std::uint64_t>(fatLocations_.size()) * entriesPerSector_;
    return sector < described ? ErrorCode::TruncatedContainer : ErrorCode::CorruptContainer;
}

std::size_t FatTable::loadedFatSectors() const {
    return static_cast<std::size_t>(std::count(loaded_.begin(), loaded_.end(), true));
}

std::uint32_t MiniFatTable::next(std::uint32_t sector) const {
    if (sector >= entries_.size()) {
        fail(ErrorCode::CorruptContainer, "mini " + sectorText(sector) + " has no MiniFAT entry");
    }
    return entries_[sector];
}

}  // namespace xls::cfb
