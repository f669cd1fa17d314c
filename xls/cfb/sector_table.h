// Allocation tables of a compound file: the FAT for regular sectors, read
// lazily through the DIFAT as chains need it, and the MiniFAT for the 64-byte
// sectors of the mini stream ([MS-CFB] 2.3-2.5).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "cfb/damage.h"
#include "cfb/header.h"
#include "io/byte_source.h"
#include "xls/error.h"

namespace xls::cfb {

class SectorTable {
  public:
    virtual ~SectorTable() = default;
    // The table's entry for sector: the next sector of its chain, or a special
    // value (ENDOFCHAIN, FREESECT, ...). Raises CorruptContainer when the table
    // has no entry for it.
    virtual std::uint32_t next(std::uint32_t sector) const = 0;
    // How many sectors exist; a chain can visit each at most once.
    virtual std::uint32_t sectorCount() const = 0;
    // What a sector number at or past sectorCount() means: a regular sector the
    // FAT describes but the file does not hold is a truncation; a number beyond
    // what the table describes is corruption.
    virtual ErrorCode beyondEndCode(std::uint32_t sector) const = 0;
    virtual const char* name() const = 0;
    // Says that a chain standing at sector is about to take up to steps more
    // steps. A table read lazily from the file then reads, in as few reads as
    // its layout allows, the entries those steps need if the chain runs on
    // through neighbouring sectors, as chains mostly do. Only a hint: next()
    // reads what it lacks either way.
    virtual void expect(std::uint32_t /*sector*/, std::uint32_t /*steps*/) const {}
    // How many steps, up to limit, a chain at sector takes to the next sector
    // each time (sector + 1, then sector + 2, ...): a fast path for the long
    // runs streams are mostly written in. 0 tells the caller to step with next().
    virtual std::uint32_t straightOn(std::uint32_t /*sector*/, std::uint32_t /*limit*/) const {
        return 0;
    }
};

// The little-endian 4-byte entries of a FAT, MiniFAT or DIFAT sector.
std::vector<std::uint32_t> tableEntries(std::span<const std::uint8_t> bytes);

// Number of sectors in a file of fileSize bytes, counting a short final one.
std::uint32_t regularSectorCount(std::uint64_t fileSize, std::uint32_t sectorSize);

// Reads the neighbouring regular sectors from `sector` on into out (whole
// sectors) in one read. Bytes missing at the end of the file are filled with
// pad; a first sector wholly past the end is TruncatedContainer.
void readRegularSectors(const io::ByteSource& source, std::uint32_t sector,
                        std::uint32_t sectorSize, std::span<std::uint8_t> out, std::uint8_t pad);

class FatTable final : public SectorTable {
  public:
    // Reads the DIFAT (header entries and DIFAT sectors); FAT sectors are read
    // when first needed. Raises CorruptContainer on a DIFAT cycle or a bad FAT
    // sector number, TruncatedContainer when the file cannot hold its FAT.
    // Damage::Tolerate keeps the FAT sectors the DIFAT reaches before any of
    // that, and raises only when a chain needs one that is missing.
    FatTable(std::shared_ptr<const io::ByteSource> source, const Header& header,
             Damage damage = Damage::Refuse);

    std::uint32_t next(std::uint32_t sector) const override;
    std::uint32_t sectorCount() const override { return sectorCount_; }
    ErrorCode beyondEndCode(std::uint32_t sector) const override;
    const char* name() const override { return "FAT"; }
    void expect(std::uint32_t sector, std::uint32_t steps) const override;
    std::uint32_t straightOn(std::uint32_t sector, std::uint32_t limit) const override;

    std::uint32_t sectorSize() const { return sectorSize_; }
    const io::ByteSource& source() const { return *source_; }
    std::shared_ptr<const io::ByteSource> sharedSource() const { return source_; }
    // How many FAT sectors have been read so far, and in how many reads (for
    // the listing benchmark and its tests).
    std::size_t loadedFatSectors() const;
    std::size_t fatReads() const { return fatReads_; }

  private:
    void readDifat(const Header& header, Damage damage);
    void loadFatSector(std::uint32_t index) const;
    // Reads the FAT sectors first..last not read yet, each run of them that
    // lies in neighbouring sectors of the file in one read.
    void loadFatSectors(std::uint32_t first, std::uint32_t last) const;
    // The FAT sector's location, checked to lie inside the file.
    std::uint32_t fatLocation(std::uint32_t index) const;

    std::shared_ptr<const io::ByteSource> source_;
    std::uint32_t sectorSize_;
    std::uint32_t entriesPerSector_;
    std::uint32_t sectorCount_;
    std::vector<std::uint32_t> fatLocations_;  // from the DIFAT
    // The entries of the FAT sectors read so far, by sector number, and which
    // FAT sectors those are.
    mutable std::vector<std::uint32_t> entries_;
    mutable std::vector<bool> loaded_;
    mutable std::size_t fatReads_ = 0;
};

class MiniFatTable final : public SectorTable {
  public:
    MiniFatTable(std::vector<std::uint32_t> entries, std::uint32_t miniSectorCount)
        : entries_(std::move(entries)), miniSectorCount_(miniSectorCount) {}

    std::uint32_t next(std::uint32_t sector) const override;
    std::uint32_t sectorCount() const override { return miniSectorCount_; }
    ErrorCode beyondEndCode(std::uint32_t) const override { return ErrorCode::CorruptContainer; }
    const char* name() const override { return "MiniFAT"; }

  private:
    std::vector<std::uint32_t> entries_;
    std::uint32_t miniSectorCount_;
};

}  // namespace xls::cfb
