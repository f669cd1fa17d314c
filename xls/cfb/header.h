// The compound-file header ([MS-CFB] 2.2): parsed and checked, the DIFAT
// entries it holds kept for the FAT table.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace xls::cfb {

struct Header {
    std::uint16_t minorVersion = 0;
    std::uint16_t majorVersion = 0;
    std::uint32_t sectorSize = 0;  // 512 or 4096
    std::uint32_t directorySectorCount = 0;
    std::uint32_t fatSectorCount = 0;
    std::uint32_t firstDirectorySector = 0;
    std::uint32_t firstMiniFatSector = 0;
    std::uint32_t miniFatSectorCount = 0;
    std::uint32_t firstDifatSector = 0;
    std::uint32_t difatSectorCount = 0;
    std::vector<std::uint32_t> headerDifat;  // the 109 entries in the header
};

// Parses the first 512 bytes of a file that begins with the compound-file
// signature. Raises CorruptContainer for a field outside what a valid file holds
// (byte order, sector shifts, mini stream cutoff).
Header parseHeader(std::span<const std::uint8_t> first512);

}  // namespace xls::cfb
